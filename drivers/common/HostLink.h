#pragma once
// The driver's side of the four host callbacks: one block per half with time info, and the
// structural messages from the driver's non-real-time threads.

#include "asio/AsioDriverInterface.h"

#include <mutex>

namespace quenthal::drivers {

class THostLink {
public:
    // Keeps the callbacks and asks once whether the host takes time info.
    void Connect(const TAsioCallbacks& callbacks);
    // After this returns no message reaches the host any more. Blocks must already have stopped.
    void Disconnect();

    // Real-time path: no lock, no allocation. The half index is the one the host is to fill.
    void DeliverBlock(int32_t half, int64_t samplePosition, int64_t systemTimeNs, double sampleRate) noexcept;
    // From a notification or driver thread, never from inside a block.
    void SendMessage(int32_t selector, int32_t value) noexcept;
    void SampleRateChanged(double sampleRate) noexcept;

private:
    std::mutex FLock;  // orders messages against Disconnect
    TAsioCallbacks FCallbacks;
    bool FConnected = false;
    bool FTimeInfo = false;
    TAsioTime FTime;
};

}  // namespace quenthal::drivers
