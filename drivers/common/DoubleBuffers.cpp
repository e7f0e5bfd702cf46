#include "drivers/common/DoubleBuffers.h"

#include <cstring>
#include <new>

namespace quenthal::drivers {

TAsioError TDoubleBuffers::Create(TAsioBufferInfo* infos, int32_t count, int32_t numInputs, int32_t numOutputs,
                                  int32_t frames, int32_t bytesPerSample) {
    Dispose();
    if (!infos || count < 1 || frames < 1 || bytesPerSample < 1 || numInputs < 0 || numOutputs < 0)
        return kAsioInvalidParameter;
    std::vector<TChannel> inputs(static_cast<size_t>(numInputs)), outputs(static_cast<size_t>(numOutputs));
    std::vector<bool> inputUsed(inputs.size()), outputUsed(outputs.size());
    for (int32_t i = 0; i < count; ++i) {
        const auto& info = infos[i];
        if (info.IsInput != 0 && info.IsInput != 1) return kAsioInvalidParameter;
        auto& used = info.IsInput ? inputUsed : outputUsed;
        if (info.ChannelNum < 0 || info.ChannelNum >= static_cast<int32_t>(used.size())) return kAsioInvalidParameter;
        if (used[static_cast<size_t>(info.ChannelNum)]) return kAsioInvalidParameter;
        used[static_cast<size_t>(info.ChannelNum)] = true;
    }
    const size_t halfBytes = static_cast<size_t>(frames) * static_cast<size_t>(bytesPerSample);
    std::vector<std::unique_ptr<uint8_t[]>> storage;
    try {
        for (int32_t i = 0; i < count; ++i) {
            auto& info = infos[i];
            storage.emplace_back(new uint8_t[2 * halfBytes]());
            uint8_t* base = storage.back().get();
            auto& channel = (info.IsInput ? inputs : outputs)[static_cast<size_t>(info.ChannelNum)];
            channel.Half[0] = base;
            channel.Half[1] = base + halfBytes;
        }
    } catch (const std::bad_alloc&) {
        return kAsioNoMemory;
    }
    for (int32_t i = 0; i < count; ++i) {
        auto& info = infos[i];
        const auto& channel = (info.IsInput ? inputs : outputs)[static_cast<size_t>(info.ChannelNum)];
        info.Buffers[0] = channel.Half[0];
        info.Buffers[1] = channel.Half[1];
    }
    FStorage = std::move(storage);
    FInputs = std::move(inputs);
    FOutputs = std::move(outputs);
    FFrames = frames;
    FBytesPerSample = bytesPerSample;
    return kAsioOK;
}

void TDoubleBuffers::InterleaveOutputs(int half, uint8_t* target) const noexcept {
    const auto width = static_cast<size_t>(FBytesPerSample);
    const size_t stride = width * FOutputs.size();
    for (size_t channel = 0; channel < FOutputs.size(); ++channel) {
        const uint8_t* source = FOutputs[channel].Half[half];
        uint8_t* frame = target + channel * width;
        for (int32_t i = 0; i < FFrames; ++i, frame += stride) {
            if (source) std::memcpy(frame, source + static_cast<size_t>(i) * width, width);
            else std::memset(frame, 0, width);
        }
    }
}

void TDoubleBuffers::Dispose() {
    FStorage.clear();
    FInputs.clear();
    FOutputs.clear();
    FFrames = 0;
    FBytesPerSample = 0;
}

}  // namespace quenthal::drivers
