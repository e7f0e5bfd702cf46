#pragma once
// Output buffers for driving a renderer without an audio device: owns the samples and the channel
// pointers, and hands out the view a renderer takes.

#include <cstdint>
#include <vector>

#include "asio/AsioBuffers.h"

namespace quenthal::testing {

class RenderBuffers {
public:
    RenderBuffers(int32_t Outputs, int32_t BufferSize, float Fill = 0.0f)
        : FSamples(static_cast<size_t>(Outputs), std::vector<float>(static_cast<size_t>(BufferSize), Fill)),
          FBufferSize(BufferSize) {
        for (auto& channel : FSamples) FPointers.push_back(channel.data());
    }

    TArrayOfSingleFixedArray View() const {
        return TArrayOfSingleFixedArray(FPointers.data(), static_cast<int32_t>(FPointers.size()), FBufferSize);
    }
    const std::vector<float>& operator[](size_t Output) const { return FSamples[Output]; }
    std::vector<float>& operator[](size_t Output) { return FSamples[Output]; }

private:
    std::vector<std::vector<float>> FSamples;
    std::vector<float*> FPointers;
    int32_t FBufferSize;
};

}  // namespace quenthal::testing
