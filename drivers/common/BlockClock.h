#pragma once
// What a bundled driver answers about where its stream stands, and the one buffer size it offers.

#include "asio/AsioDriverInterface.h"

#include <atomic>
#include <cstdint>

namespace quenthal::drivers {

// The sample position of the block being delivered and the system time taken for it. The driver's
// thread writes both; GetSamplePosition reads them from the host's threads.
class TBlockClock {
public:
    void Restart(int64_t systemTimeNs = 0) noexcept {
        FPosition.store(0, std::memory_order_relaxed);
        FSystemTime.store(systemTimeNs, std::memory_order_relaxed);
    }
    // Stamps the block about to be delivered with its system time; returns its sample position.
    int64_t Stamp(int64_t systemTimeNs) noexcept {
        FSystemTime.store(systemTimeNs, std::memory_order_relaxed);
        return FPosition.load(std::memory_order_relaxed);
    }
    // The block has gone out: the next one starts frames later.
    void Advance(int64_t frames) noexcept { FPosition.fetch_add(frames, std::memory_order_relaxed); }

    TAsioError Answer(bool running, TAsioInt64* samplePosition, TAsioInt64* timeStamp) const noexcept {
        if (!running) return kAsioSPNotAdvancing;
        if (samplePosition) *samplePosition = Int64ToAsioInt64(FPosition.load(std::memory_order_relaxed));
        if (timeStamp) *timeStamp = Int64ToAsioInt64(FSystemTime.load(std::memory_order_relaxed));
        return kAsioOK;
    }

private:
    std::atomic<int64_t> FPosition{0};
    std::atomic<int64_t> FSystemTime{0};
};

// A driver with one period size: min = max = preferred, no steps.
inline TAsioError AnswerSingleBufferSize(int32_t frames, int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                         int32_t* granularity) noexcept {
    if (minSize) *minSize = frames;
    if (maxSize) *maxSize = frames;
    if (preferredSize) *preferredSize = frames;
    if (granularity) *granularity = 0;
    return kAsioOK;
}

}  // namespace quenthal::drivers
