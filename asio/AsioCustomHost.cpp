// The float side of the host: the per-block conversion path, float arrays, options and events.
#include "asio/AsioHost.h"

#include "platform/Random.h"

#include <algorithm>
#include <cstring>

namespace quenthal {

template <typename Sample>
void TCustomAsioHost::TFloatBuffers<Sample>::Resize(int32_t channelCount, uint32_t bufferSize) {
    Storage.resize(static_cast<size_t>(channelCount));
    for (auto& channel : Storage) channel.assign(bufferSize, Sample(0));
    Channels.resize(Storage.size());
    for (size_t i = 0; i < Storage.size(); ++i) Channels[i] = Storage[i].data();
}

template <typename Sample>
void TCustomAsioHost::TFloatBuffers<Sample>::Free() {
    Storage.clear();
    Storage.shrink_to_fit();
    Channels.clear();
    Channels.shrink_to_fit();
}

TCustomAsioHost::TCustomAsioHost(const TAsioHostEnvironment& environment) : TCustomAsioHostBasic(environment) {}

TCustomAsioHost::~TCustomAsioHost() { ShutDown(); }

// ---- Properties ----------------------------------------------------------------------------------

void TCustomAsioHost::SetConvertMethod(TConvertMethod value) {
    if (value == FConvertMethod) return;
    FConvertMethod = value;
    ConvertMethodChanged();
}

void TCustomAsioHost::SetConvertOptimizations(TConvertOptimizations value) {
    if (value == FConvertOptimizations) return;
    FConvertOptimizations = value;
    ConvertOptimizationsChanged();
}

void TCustomAsioHost::SetCustomGenerator(TASIOGenerator* value) {
    if (value == FAsioGenerator) return;
    FAsioGenerator = value;
    CustomGeneratorChanged();
}

void TCustomAsioHost::SetOutputDither(TAsioOutputDither value) {
    if (value == FOutputDither) return;
    FOutputDither = value;
    switch (value) {
        case TAsioOutputDither::odNone: UsePlainConverters(); break;
        case TAsioOutputDither::odUDF: UseUdfConverters(); break;
        case TAsioOutputDither::odTDF: UseTdfConverters(); break;
    }
}

void TCustomAsioHost::SetPreventClipping(TPreventClipping value) {
    if (value == FPreventClipping) return;
    FPreventClipping = value;
    PreventClippingChanged();
}

void TCustomAsioHost::SetOnBufferSwitch32(const TBufferSwitchEvent32& handler) {
    FOnBufferSwitch32.Store(handler);
    UpdateConvertMethod();
}

void TCustomAsioHost::SetOnBufferSwitch64(const TBufferSwitchEvent64& handler) {
    FOnBufferSwitch64.Store(handler);
    UpdateConvertMethod();
}

TArrayOfSingleFixedArray TCustomAsioHost::SingleInBuffer() const noexcept {
    return {FSingleInBuffer.Channels.data(), static_cast<int32_t>(FSingleInBuffer.Channels.size()),
            static_cast<int32_t>(BufferSize())};
}
TArrayOfSingleFixedArray TCustomAsioHost::SingleOutBuffer() const noexcept {
    return {FSingleOutBuffer.Channels.data(), static_cast<int32_t>(FSingleOutBuffer.Channels.size()),
            static_cast<int32_t>(BufferSize())};
}
TArrayOfDoubleFixedArray TCustomAsioHost::DoubleInBuffer() const noexcept {
    return {FDoubleInBuffer.Channels.data(), static_cast<int32_t>(FDoubleInBuffer.Channels.size()),
            static_cast<int32_t>(BufferSize())};
}
TArrayOfDoubleFixedArray TCustomAsioHost::DoubleOutBuffer() const noexcept {
    return {FDoubleOutBuffer.Channels.data(), static_cast<int32_t>(FDoubleOutBuffer.Channels.size()),
            static_cast<int32_t>(BufferSize())};
}

// ---- Internal steps ------------------------------------------------------------------------------

void TCustomAsioHost::UpdateConvertMethod() {
    if (FOnBufferSwitch64.Assigned()) SetConvertMethod(TConvertMethod::cm64);
    else if (FOnBufferSwitch32.Assigned()) SetConvertMethod(TConvertMethod::cm32);
    else SetConvertMethod(TConvertMethod::cmNone);
}

void TCustomAsioHost::ConvertMethodChanged() { UpdateFloatBuffers(); }

void TCustomAsioHost::ConvertOptimizationsChanged() { UsePlainConverters(); }

void TCustomAsioHost::CustomGeneratorChanged() {
    if (!FAsioGenerator) return;
    FAsioGenerator->SetBlockSize(BufferSize());
    FAsioGenerator->SetSampleRate(SampleRate());
}

void TCustomAsioHost::PreventClippingChanged() {
    switch (FPreventClipping) {
        case TPreventClipping::pcDigital: FClipPrevent = {&ClipDigital32, &ClipDigital64}; break;
        case TPreventClipping::pcAnalog: FClipPrevent = {&ClipAnalog32, &ClipAnalog64}; break;
        case TPreventClipping::pcNone: break;
    }
}

void TCustomAsioHost::UpdateFloatBuffers() {
    if (BufferSize() == 0) return;
    switch (FConvertMethod) {
        case TConvertMethod::cm32:
            FSingleInBuffer.Resize(InputChannelCount(), BufferSize());
            FSingleOutBuffer.Resize(OutputChannelCount(), BufferSize());
            FDoubleInBuffer.Free();
            FDoubleOutBuffer.Free();
            break;
        case TConvertMethod::cm64:
            FDoubleInBuffer.Resize(InputChannelCount(), BufferSize());
            FDoubleOutBuffer.Resize(OutputChannelCount(), BufferSize());
            FSingleInBuffer.Free();
            FSingleOutBuffer.Free();
            break;
        case TConvertMethod::cmNone:
            FSingleInBuffer.Free();
            FSingleOutBuffer.Free();
            FDoubleInBuffer.Free();
            FDoubleOutBuffer.Free();
            break;
    }
}

bool TCustomAsioHost::PrepareBuffers() {
    const bool created = TCustomAsioHostBasic::PrepareBuffers();
    if (created) UpdateFloatBuffers();
    return created;
}

void TCustomAsioHost::ReadBufferSizes() {
    TCustomAsioHostBasic::ReadBufferSizes();
    if (FAsioGenerator) FAsioGenerator->SetBlockSize(BufferSize());
}

void TCustomAsioHost::BlocksStopped() {
    FOnBufferSwitch32.Compact();
    FOnBufferSwitch64.Compact();
}

// ---- The block -----------------------------------------------------------------------------------

namespace {
template <typename Sample>
void FillNoise(Sample* data, int32_t count) noexcept {
    for (int32_t i = 0; i < count; ++i) data[i] = static_cast<Sample>(2.0 * Random() - 1.0);
}

template <typename Sample>
void CallGenerator(TASIOGenerator& generator, const TArrayOfFixedArray<Sample>& buffers, bool isOutput) {
    if constexpr (sizeof(Sample) == 4) generator.ProcessBuffer32(buffers, isOutput);
    else generator.ProcessBuffer64(buffers, isOutput);
}

template <typename Sample>
auto InputRoutine(const TInConverter& pair) {
    if constexpr (sizeof(Sample) == 4) return pair.ic32;
    else return pair.ic64;
}
template <typename Sample>
auto OutputRoutine(const TOutConverter& pair) {
    if constexpr (sizeof(Sample) == 4) return pair.oc32;
    else return pair.oc64;
}
}  // namespace

template <typename Sample>
void TCustomAsioHost::ProcessBlock(int32_t index, TFloatBuffers<Sample>& in, TFloatBuffers<Sample>& out) {
    const auto n = static_cast<int32_t>(BufferSize());
    const auto inCount = std::min<int32_t>(InputChannelCount(), static_cast<int32_t>(in.Channels.size()));
    const auto outCount = std::min<int32_t>(OutputChannelCount(), static_cast<int32_t>(out.Channels.size()));
    const TArrayOfFixedArray<Sample> inView(in.Channels.data(), inCount, n);
    const TArrayOfFixedArray<Sample> outView(out.Channels.data(), outCount, n);
    auto clip = [this] {
        if constexpr (sizeof(Sample) == 4) return FClipPrevent.cb32;
        else return FClipPrevent.cb64;
    }();

    auto prefill = [&](TBufferPreFill mode, const TArrayOfFixedArray<Sample>& view, bool isOutput) {
        switch (mode) {
            case TBufferPreFill::bpfZero:
                for (int32_t i = 0; i < view.Length(); ++i) std::fill(view[i], view[i] + n, Sample(0));
                break;
            case TBufferPreFill::bpfNoise:
                for (int32_t i = 0; i < view.Length(); ++i) FillNoise(view[i], n);
                break;
            case TBufferPreFill::bpfCustom:
                if (FAsioGenerator) CallGenerator(*FAsioGenerator, view, isOutput);
                break;
            case TBufferPreFill::bpfNone: break;
        }
    };

    if (FInBufferPreFill == TBufferPreFill::bpfNone) {
        for (int32_t i = 0; i < inCount; ++i)
            if (void* half = InputBuffers()[i].Buffers[index]) InputRoutine<Sample>(InConverters()[i])(half, inView[i], n);
    } else {
        prefill(FInBufferPreFill, inView, false);
    }
    const bool clipping = FPreventClipping != TPreventClipping::pcNone;
    if (clipping)
        for (int32_t i = 0; i < inCount; ++i) clip(inView[i], n);

    prefill(FOutBufferPreFill, outView, true);
    if (FInputMonitor)
        for (int32_t i = 0; i < std::min(inCount, outCount); ++i) std::copy(inView[i], inView[i] + n, outView[i]);

    if constexpr (sizeof(Sample) == 4) {
        if (const TBufferSwitchEvent32 handler = FOnBufferSwitch32.Load()) handler(this, inView, outView);
    } else {
        if (const TBufferSwitchEvent64 handler = FOnBufferSwitch64.Load()) handler(this, inView, outView);
    }

    if (clipping)
        for (int32_t i = 0; i < outCount; ++i) clip(outView[i], n);
    for (int32_t i = 0; i < outCount; ++i)
        if (void* half = OutputBuffers()[i].Buffers[index]) OutputRoutine<Sample>(OutConverters()[i])(outView[i], half, n);
}

void TCustomAsioHost::BufferSwitchTimeInfo(int32_t index, const TAsioTime& params) {
    IStdCallAsio* driver = BlockDriver();
    if (!driver || (index != 0 && index != 1)) return;
    try {
        DispatchSamplePosition(params);
        if (OnBufferSwitchNative) OnBufferSwitchNative(*this, InputBuffers(), index);
        switch (FConvertMethod) {
            case TConvertMethod::cm32: ProcessBlock(index, FSingleInBuffer, FSingleOutBuffer); break;
            case TConvertMethod::cm64: ProcessBlock(index, FDoubleInBuffer, FDoubleOutBuffer); break;
            case TConvertMethod::cmNone: break;
        }
    } catch (const std::exception& error) {
        SilenceOutputs(index);
        NoteBlockFault(error.what());
    } catch (...) {
        SilenceOutputs(index);
        NoteBlockFault("unknown exception");
    }
    driver->OutputReady();
}

}  // namespace quenthal
