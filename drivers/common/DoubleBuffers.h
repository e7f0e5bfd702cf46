#pragma once
// The driver-owned double buffers that CreateBuffers hands to the host: two halves per requested
// channel in the driver's native sample format, zeroed, valid until Dispose.

#include "asio/AsioDriverInterface.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quenthal::drivers {

class TDoubleBuffers {
public:
    // Checks every descriptor (IsInput 0 or 1, channel within the driver's counts, no channel twice),
    // then sets both halves of each. kAsioOK, or kAsioInvalidParameter / kAsioNoMemory with nothing kept.
    TAsioError Create(TAsioBufferInfo* infos, int32_t count, int32_t numInputs, int32_t numOutputs,
                      int32_t frames, int32_t bytesPerSample);
    void Dispose();

    bool Created() const noexcept { return FFrames > 0; }
    int32_t Frames() const noexcept { return FFrames; }
    int32_t BytesPerSample() const noexcept { return FBytesPerSample; }
    int32_t NumInputs() const noexcept { return static_cast<int32_t>(FInputs.size()); }
    int32_t NumOutputs() const noexcept { return static_cast<int32_t>(FOutputs.size()); }
    // A channel's half, or nullptr when the host did not ask for that channel.
    uint8_t* Input(int32_t channel, int half) const noexcept { return FInputs[channel].Half[half]; }
    uint8_t* Output(int32_t channel, int half) const noexcept { return FOutputs[channel].Half[half]; }
    // Writes one half of every output, frame by frame, into target (Frames x outputs x sample width
    // bytes); an output the host did not ask for is silence.
    void InterleaveOutputs(int half, uint8_t* target) const noexcept;

private:
    struct TChannel {
        uint8_t* Half[2] = {nullptr, nullptr};
    };
    std::vector<std::unique_ptr<uint8_t[]>> FStorage;
    std::vector<TChannel> FInputs, FOutputs;
    int32_t FFrames = 0;
    int32_t FBytesPerSample = 0;
};

}  // namespace quenthal::drivers
