#pragma once
// Float buffer types of the per-block event: what the host hands to a renderer and what a renderer
// may rely on. Header only, so engine/ can render without linking the host.

#include <cstddef>
#include <cstdint>

namespace quenthal {

// One entry per channel, each pointing to BufferSize() samples; full scale is -1.0 to +1.0.
// A non-owning view: the host (or a test, or a benchmark) owns the sample memory and the pointer
// array, and keeps both alive and unchanged for the whole block.
template <typename Sample>
class TArrayOfFixedArray {
public:
    TArrayOfFixedArray() = default;
    TArrayOfFixedArray(Sample* const* channels, int32_t channelCount, int32_t bufferSize) noexcept
        : FChannels(channels), FChannelCount(channelCount), FBufferSize(bufferSize) {}

    int32_t Length() const noexcept { return FChannelCount; }
    int32_t BufferSize() const noexcept { return FBufferSize; }
    Sample* operator[](int32_t channel) const noexcept { return FChannels[channel]; }
    Sample* const* Data() const noexcept { return FChannels; }

private:
    Sample* const* FChannels = nullptr;
    int32_t FChannelCount = 0;
    int32_t FBufferSize = 0;
};

using TArrayOfSingleFixedArray = TArrayOfFixedArray<float>;
using TArrayOfDoubleFixedArray = TArrayOfFixedArray<double>;

// A "method of object": the code pointer and the object it is called on. Copyable, trivially, so the
// host can publish a swapped handler to the audio thread as one unit.
template <typename Sample>
struct TBufferSwitchEvent {
    using Buffers = TArrayOfFixedArray<Sample>;
    using Code = void (*)(void* self, void* sender, const Buffers& inBuffer, const Buffers& outBuffer);

    void* Self = nullptr;
    Code Method = nullptr;

    explicit operator bool() const noexcept { return Method != nullptr; }
    bool operator==(const TBufferSwitchEvent&) const = default;

    void operator()(void* sender, const Buffers& inBuffer, const Buffers& outBuffer) const {
        Method(Self, sender, inBuffer, outBuffer);
    }

    // Binds a member function with the event's form: TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchSine32>(core).
    template <auto Member, typename Object>
    static TBufferSwitchEvent Of(Object* object) noexcept {
        return TBufferSwitchEvent{object, [](void* self, void* sender, const Buffers& in, const Buffers& out) {
                                      (static_cast<Object*>(self)->*Member)(sender, in, out);
                                  }};
    }
};

using TBufferSwitchEvent32 = TBufferSwitchEvent<float>;
using TBufferSwitchEvent64 = TBufferSwitchEvent<double>;

}  // namespace quenthal
