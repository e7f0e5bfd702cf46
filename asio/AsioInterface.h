#pragma once
// The driver adapter: one driver object created from its CLSID, behind a reference-counted interface
// that the host keeps as its only handle on the open driver. The last reference releases the driver
// object, which lets the loader unload its module.

#include "asio/AsioDriverForwarder.h"
#include "asio/AsioDriverInterface.h"
#include "platform/ModuleLoader.h"

#include <memory>

namespace quenthal {

class IStdCallAsio {
public:
    virtual ~IStdCallAsio() = default;
    virtual TAsioBool Init(void* sysHandle) = 0;
    virtual void GetDriverName(char* name) = 0;
    virtual int32_t GetDriverVersion() = 0;
    virtual void GetErrorMessage(char* text) = 0;
    virtual TAsioError Start() = 0;
    virtual TAsioError Stop() = 0;
    virtual TAsioError GetChannels(int32_t* numInputChannels, int32_t* numOutputChannels) = 0;
    virtual TAsioError GetLatencies(int32_t* inputLatency, int32_t* outputLatency) = 0;
    virtual TAsioError GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                     int32_t* granularity) = 0;
    virtual TAsioError CanSampleRate(TAsioSampleRate sampleRate) = 0;
    virtual TAsioError GetSampleRate(TAsioSampleRate* sampleRate) = 0;
    virtual TAsioError SetSampleRate(TAsioSampleRate sampleRate) = 0;
    virtual TAsioError GetClockSources(TAsioClockSource* clocks, int32_t* numSources) = 0;
    virtual TAsioError SetClockSource(int32_t reference) = 0;
    virtual TAsioError GetSamplePosition(TAsioInt64* samplePosition, TAsioInt64* timeStamp) = 0;
    virtual TAsioError GetChannelInfo(TAsioChannelInfo* info) = 0;
    virtual TAsioError CreateBuffers(TAsioBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                                     TAsioCallbacks* callbacks) = 0;
    virtual TAsioError DisposeBuffers() = 0;
    virtual TAsioError ControlPanel() = 0;
    virtual TAsioError Future(int32_t selector, void* opt) = 0;
    virtual TAsioError OutputReady() = 0;
};

// Forwards every operation to the driver object unchanged; checks nothing, keeps no state.
class TStdCallAsio final : public TAsioDriverForwarder<IStdCallAsio> {
public:
    TStdCallAsio(IModuleLoader& loader, const TGuid& asioClsid, bool& success);
    ~TStdCallAsio() override;
    TStdCallAsio(const TStdCallAsio&) = delete;
    TStdCallAsio& operator=(const TStdCallAsio&) = delete;
};

// True with driver set when the driver object exists; false with driver empty otherwise, also when
// creation throws.
bool CreateStdCallAsio(IModuleLoader& loader, const TGuid& asioClsid, std::shared_ptr<IStdCallAsio>& driver);

}  // namespace quenthal
