#pragma once
// "WAV File Writer": a driver that needs no audio system. Its own clocked thread asks the host for
// one block per half and appends the outputs, interleaved, in the driver's sample type to a WAV file.

#include "drivers/common/BlockClock.h"
#include "drivers/common/DoubleBuffers.h"
#include "drivers/common/DriverBase.h"
#include "drivers/common/HostLink.h"
#include "drivers/wavfile/WavFileHeader.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace quenthal::drivers {

inline constexpr const char* kWavFileDeviceName = "WAV File Writer";

struct TWavFileSettings {
    int32_t Outputs = 2;
    int32_t SampleType = ASIOSTFloat32LSB;
    int32_t BufferSize = 1024;
    double SampleRate = 48000;
    bool RealTime = true;    // false: free-running, as fast as the host renders
    int64_t BlockLimit = 0;  // free-running tests: stop delivering after this many blocks (0 = never)
    std::string File;

    // "WavFileWriter.ini" in the driver's configuration folder, section [WAV File Writer].
    static TWavFileSettings Load();
};

class TWavFileDriver final : public TDriverBase {
public:
    explicit TWavFileDriver(const TGuid& clsid);

    TAsioBool Init(void* sysHandle) override;
    TAsioError Start() override;
    TAsioError Stop() override;
    TAsioError GetChannels(int32_t* numInputChannels, int32_t* numOutputChannels) override;
    TAsioError GetLatencies(int32_t* inputLatency, int32_t* outputLatency) override;
    TAsioError GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                             int32_t* granularity) override;
    TAsioError CanSampleRate(TAsioSampleRate sampleRate) override;
    TAsioError GetSampleRate(TAsioSampleRate* sampleRate) override;
    TAsioError SetSampleRate(TAsioSampleRate sampleRate) override;
    TAsioError GetSamplePosition(TAsioInt64* samplePosition, TAsioInt64* timeStamp) override;
    TAsioError GetChannelInfo(TAsioChannelInfo* info) override;
    TAsioError CreateBuffers(TAsioBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                             TAsioCallbacks* callbacks) override;
    TAsioError DisposeBuffers() override;
    TAsioError OutputReady() override;

private:
    ~TWavFileDriver() override;
    void Run() noexcept;
    bool WriteHalf(int half) noexcept;
    void CloseFile() noexcept;

    TWavFileSettings FSettings;
    bool FInitialised = false;
    TDoubleBuffers FBuffers;
    THostLink FHost;
    std::vector<uint8_t> FInterleaved;
    std::FILE* FFile = nullptr;
    uint64_t FDataBytes = 0;
    std::thread FThread;
    std::atomic<bool> FRunning{false};
    TBlockClock FClock;
};

}  // namespace quenthal::drivers
