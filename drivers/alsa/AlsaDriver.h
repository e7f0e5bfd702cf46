#pragma once
// The ALSA driver: one playback PCM in one of its native formats. A driver thread asks the host for
// one block per half and writes it as one period; the device's own clock paces it.

#include "drivers/alsa/AlsaFormats.h"
#include "drivers/common/BlockClock.h"
#include "drivers/common/DoubleBuffers.h"
#include "drivers/common/DriverBase.h"
#include "drivers/common/HostLink.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace quenthal::drivers {

struct TAlsaSettings {
    std::string Format;       // ALSA format name (S16_LE, ...); empty: the device's best native one
    int32_t Channels = 0;     // 0: all the device has (up to 64), or 2 when it takes any number
    int32_t Period = 1024;    // frames per block
    int32_t Periods = 3;      // ALSA buffer = Periods x Period
    bool RealTime = true;     // SCHED_FIFO driver thread where the system allows it

    // "Alsa.ini" in the driver's configuration folder: section [ALSA] for every device, then a
    // section named after the PCM for that one.
    static TAlsaSettings Load(const std::string& pcm);
};

class TAlsaDriver final : public TDriverBase {
public:
    TAlsaDriver(const TGuid& clsid, std::string pcm);

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
    ~TAlsaDriver() override;
    bool ChooseFormatAndChannels();
    bool ConfigureDevice(int32_t frames);
    void Run() noexcept;
    // False when the device is gone or stuck; counts and recovers underruns.
    bool WritePeriod(const uint8_t* frames, snd_pcm_uframes_t count) noexcept;

    std::string FPcm;
    TAlsaSettings FSettings;
    snd_pcm_t* FHandle = nullptr;
    TAlsaFormat FFormat{SND_PCM_FORMAT_UNKNOWN, 0};
    int32_t FChannels = 0;
    double FRate = 0;
    snd_pcm_uframes_t FDeviceBuffer = 0;
    TDoubleBuffers FBuffers;
    THostLink FHost;
    std::vector<uint8_t> FInterleaved;
    std::thread FThread;
    std::atomic<bool> FRunning{false};
    TBlockClock FClock;
};

}  // namespace quenthal::drivers
