#pragma once
// The 21 driver operations passed on unchanged to another driver object: the base of every wrapper
// that stands between the host and a driver (the adapter, the module-bound driver of the loader).
// Checks nothing, translates nothing.

#include "asio/AsioDriverInterface.h"

namespace quenthal {

template <typename Interface>
class TAsioDriverForwarder : public Interface {
public:
    TAsioBool Init(void* sysHandle) override { return FDriver->Init(sysHandle); }
    void GetDriverName(char* name) override { FDriver->GetDriverName(name); }
    int32_t GetDriverVersion() override { return FDriver->GetDriverVersion(); }
    void GetErrorMessage(char* text) override { FDriver->GetErrorMessage(text); }
    TAsioError Start() override { return FDriver->Start(); }
    TAsioError Stop() override { return FDriver->Stop(); }
    TAsioError GetChannels(int32_t* numInputs, int32_t* numOutputs) override {
        return FDriver->GetChannels(numInputs, numOutputs);
    }
    TAsioError GetLatencies(int32_t* input, int32_t* output) override { return FDriver->GetLatencies(input, output); }
    TAsioError GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferred, int32_t* granularity) override {
        return FDriver->GetBufferSize(minSize, maxSize, preferred, granularity);
    }
    TAsioError CanSampleRate(TAsioSampleRate rate) override { return FDriver->CanSampleRate(rate); }
    TAsioError GetSampleRate(TAsioSampleRate* rate) override { return FDriver->GetSampleRate(rate); }
    TAsioError SetSampleRate(TAsioSampleRate rate) override { return FDriver->SetSampleRate(rate); }
    TAsioError GetClockSources(TAsioClockSource* clocks, int32_t* numSources) override {
        return FDriver->GetClockSources(clocks, numSources);
    }
    TAsioError SetClockSource(int32_t reference) override { return FDriver->SetClockSource(reference); }
    TAsioError GetSamplePosition(TAsioInt64* position, TAsioInt64* timeStamp) override {
        return FDriver->GetSamplePosition(position, timeStamp);
    }
    TAsioError GetChannelInfo(TAsioChannelInfo* info) override { return FDriver->GetChannelInfo(info); }
    TAsioError CreateBuffers(TAsioBufferInfo* infos, int32_t numChannels, int32_t bufferSize,
                             TAsioCallbacks* callbacks) override {
        return FDriver->CreateBuffers(infos, numChannels, bufferSize, callbacks);
    }
    TAsioError DisposeBuffers() override { return FDriver->DisposeBuffers(); }
    TAsioError ControlPanel() override { return FDriver->ControlPanel(); }
    TAsioError Future(int32_t selector, void* opt) override { return FDriver->Future(selector, opt); }
    TAsioError OutputReady() override { return FDriver->OutputReady(); }

protected:
    explicit TAsioDriverForwarder(IAsioDriver* driver = nullptr) noexcept : FDriver(driver) {}
    ~TAsioDriverForwarder() override = default;
    IAsioDriver* FDriver;
};

}  // namespace quenthal
