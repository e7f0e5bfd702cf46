#include "drivers/alsa/AlsaDriver.h"

#include "drivers/common/DriverModule.h"
#include "drivers/common/DriverSettings.h"

#include <pthread.h>

#include <cerrno>
#include <chrono>

namespace quenthal::drivers {

namespace {
constexpr double kPreferredRates[] = {48000, 44100, 96000, 192000};
constexpr int kWaitSliceMs = 100;       // the driver thread looks at its stop flag this often
constexpr int kStuckDeviceMs = 2000;    // no room for a period this long: the device is gone

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A hardware parameter space of the device, freed with the object.
class THwParams {
public:
    explicit THwParams(snd_pcm_t* handle) {
        snd_pcm_hw_params_malloc(&FParams);
        if (FParams && snd_pcm_hw_params_any(handle, FParams) < 0) {
            snd_pcm_hw_params_free(FParams);
            FParams = nullptr;
        }
    }
    ~THwParams() {
        if (FParams) snd_pcm_hw_params_free(FParams);
    }
    THwParams(const THwParams&) = delete;
    THwParams& operator=(const THwParams&) = delete;
    snd_pcm_hw_params_t* get() const { return FParams; }
    explicit operator bool() const { return FParams != nullptr; }

private:
    snd_pcm_hw_params_t* FParams = nullptr;
};
}  // namespace

TAlsaSettings TAlsaSettings::Load(const std::string& pcm) {
    const auto ini = TDriverSettings::Load(DriverConfigFolder() + "/Alsa.ini");
    TAlsaSettings all;
    all.Format = ini.ReadString("ALSA", "Format", "");
    all.Channels = static_cast<int32_t>(ini.ReadInteger("ALSA", "Channels", 0, 0, 256));
    all.Period = static_cast<int32_t>(ini.ReadInteger("ALSA", "Period", 1024, 64, 65536));
    all.Periods = static_cast<int32_t>(ini.ReadInteger("ALSA", "Periods", 3, 2, 16));
    all.RealTime = ini.ReadInteger("ALSA", "RealTime", 1, 0, 1) == 1;
    TAlsaSettings settings;
    settings.Format = ini.ReadString(pcm, "Format", all.Format);
    settings.Channels = static_cast<int32_t>(ini.ReadInteger(pcm, "Channels", all.Channels, 0, 256));
    settings.Period = static_cast<int32_t>(ini.ReadInteger(pcm, "Period", all.Period, 64, 65536));
    settings.Periods = static_cast<int32_t>(ini.ReadInteger(pcm, "Periods", all.Periods, 2, 16));
    settings.RealTime = ini.ReadInteger(pcm, "RealTime", all.RealTime ? 1 : 0, 0, 1) == 1;
    return settings;
}

TAlsaDriver::TAlsaDriver(const TGuid& clsid, std::string pcm)
    : TDriverBase(clsid, "ALSA " + pcm, 1), FPcm(std::move(pcm)) {}

TAlsaDriver::~TAlsaDriver() {
    Stop();
    DisposeBuffers();
    if (FHandle) snd_pcm_close(FHandle);
}

TAsioBool TAlsaDriver::Init(void*) {
    if (FHandle) return 1;
    FSettings = TAlsaSettings::Load(FPcm);
    // Non-blocking open: a busy device answers at once instead of waiting for its owner.
    const int opened = snd_pcm_open(&FHandle, FPcm.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (opened < 0) {
        FHandle = nullptr;
        return Fail(std::string("ALSA: ") + snd_strerror(opened));
    }
    if (!ChooseFormatAndChannels()) {
        snd_pcm_close(FHandle);
        FHandle = nullptr;
        return 0;
    }
    for (double rate : kPreferredRates)
        if (CanSampleRate(rate) == kAsioOK) {
            FRate = rate;
            break;
        }
    if (FRate == 0) {  // none of the program's rates: report the device's own, which the host refuses
        THwParams params(FHandle);
        unsigned int rate = 0;
        int direction = 0;
        if (params && snd_pcm_hw_params_get_rate_min(params.get(), &rate, &direction) == 0) FRate = rate;
    }
    return 1;
}

bool TAlsaDriver::ChooseFormatAndChannels() {
    THwParams params(FHandle);
    if (!params) return Fail("ALSA: the device offers no parameters");
    for (const auto& candidate : kAlsaFormats) {
        if (!FSettings.Format.empty() && FSettings.Format != snd_pcm_format_name(candidate.Format)) continue;
        if (snd_pcm_hw_params_test_format(FHandle, params.get(), candidate.Format) == 0) {
            FFormat = candidate;
            break;
        }
    }
    if (FFormat.Format == SND_PCM_FORMAT_UNKNOWN) return Fail("ALSA: no sample format the driver knows");

    unsigned int low = 0, high = 0;
    snd_pcm_hw_params_get_channels_min(params.get(), &low);
    snd_pcm_hw_params_get_channels_max(params.get(), &high);
    unsigned int channels = FSettings.Channels > 0 ? static_cast<unsigned>(FSettings.Channels)
                            : high <= 64           ? high
                            : low <= 2             ? 2
                                                   : low;
    if (channels < low || channels > high || channels == 0) return Fail("ALSA: unsupported channel count");
    FChannels = static_cast<int32_t>(channels);
    return true;
}

TAsioError TAlsaDriver::GetChannels(int32_t* numInputChannels, int32_t* numOutputChannels) {
    if (!FHandle) return kAsioNotPresent;
    if (numInputChannels) *numInputChannels = 0;
    if (numOutputChannels) *numOutputChannels = FChannels;
    return kAsioOK;
}

TAsioError TAlsaDriver::GetLatencies(int32_t* inputLatency, int32_t* outputLatency) {
    if (!FHandle) return kAsioNotPresent;
    if (inputLatency) *inputLatency = 0;
    if (outputLatency)
        *outputLatency = FDeviceBuffer ? static_cast<int32_t>(FDeviceBuffer) : FSettings.Period * FSettings.Periods;
    return kAsioOK;
}

TAsioError TAlsaDriver::GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                      int32_t* granularity) {
    if (!FHandle) return kAsioNotPresent;
    return AnswerSingleBufferSize(FSettings.Period, minSize, maxSize, preferredSize, granularity);
}

TAsioError TAlsaDriver::CanSampleRate(TAsioSampleRate sampleRate) {
    if (!FHandle) return kAsioNotPresent;
    if (!(sampleRate >= 1 && sampleRate <= 1048575) || sampleRate != static_cast<unsigned>(sampleRate))
        return kAsioNoClock;
    THwParams params(FHandle);
    if (!params) return kAsioHwMalfunction;
    return snd_pcm_hw_params_test_rate(FHandle, params.get(), static_cast<unsigned>(sampleRate), 0) == 0
               ? kAsioOK
               : kAsioNoClock;
}

TAsioError TAlsaDriver::GetSampleRate(TAsioSampleRate* sampleRate) {
    if (!FHandle) return kAsioNotPresent;
    if (!sampleRate) return kAsioInvalidParameter;
    *sampleRate = FRate;
    return kAsioOK;
}

TAsioError TAlsaDriver::SetSampleRate(TAsioSampleRate sampleRate) {
    const auto answer = CanSampleRate(sampleRate);
    if (answer != kAsioOK) return answer;
    if (FBuffers.Created() && sampleRate != FRate) {
        // The device runs with the parameters of its buffers; the new rate takes effect there.
        if (FRunning) return kAsioInvalidMode;
        const double old = FRate;
        FRate = sampleRate;
        if (!ConfigureDevice(FBuffers.Frames())) {
            FRate = old;
            return kAsioHwMalfunction;
        }
    }
    FRate = sampleRate;
    return kAsioOK;
}

TAsioError TAlsaDriver::GetSamplePosition(TAsioInt64* samplePosition, TAsioInt64* timeStamp) {
    return FClock.Answer(FRunning, samplePosition, timeStamp);
}

TAsioError TAlsaDriver::GetChannelInfo(TAsioChannelInfo* info) {
    if (!FHandle) return kAsioNotPresent;
    if (!info || info->IsInput || info->Channel < 0 || info->Channel >= FChannels) return kAsioInvalidParameter;
    info->IsActive = FBuffers.Created() && FBuffers.Output(info->Channel, 0) ? 1 : 0;
    info->ChannelGroup = 0;
    info->SampleType = FFormat.SampleType;
    CopyText(info->Name, sizeof info->Name, "Out " + std::to_string(info->Channel + 1));
    return kAsioOK;
}

bool TAlsaDriver::ConfigureDevice(int32_t frames) {
    snd_pcm_drop(FHandle);
    THwParams params(FHandle);
    if (!params) return Fail("ALSA: the device offers no parameters");
    auto* hw = params.get();
    unsigned int rate = static_cast<unsigned>(FRate);
    // Always a set period and buffer: left alone, some devices take their (huge) maximum buffer.
    snd_pcm_uframes_t period = static_cast<snd_pcm_uframes_t>(frames);
    snd_pcm_uframes_t buffer = period * static_cast<snd_pcm_uframes_t>(FSettings.Periods);
    int direction = 0;
    if (snd_pcm_hw_params_set_access(FHandle, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(FHandle, hw, FFormat.Format) < 0 ||
        snd_pcm_hw_params_set_channels(FHandle, hw, static_cast<unsigned>(FChannels)) < 0 ||
        snd_pcm_hw_params_set_rate(FHandle, hw, rate, 0) < 0 ||
        snd_pcm_hw_params_set_period_size_near(FHandle, hw, &period, &direction) < 0 ||
        snd_pcm_hw_params_set_buffer_size_near(FHandle, hw, &buffer) < 0 || snd_pcm_hw_params(FHandle, hw) < 0)
        return Fail("ALSA: the device refuses the stream parameters");
    if (buffer < 2 * static_cast<snd_pcm_uframes_t>(frames)) return Fail("ALSA: the device buffer is too small");
    FDeviceBuffer = buffer;

    snd_pcm_sw_params_t* sw = nullptr;
    if (snd_pcm_sw_params_malloc(&sw) < 0) return Fail("ALSA: out of memory");
    // Playback starts once the buffer is full, so the first blocks build the full safety margin.
    const bool configured = snd_pcm_sw_params_current(FHandle, sw) == 0 &&
                            snd_pcm_sw_params_set_start_threshold(FHandle, sw, buffer - buffer % period) == 0 &&
                            snd_pcm_sw_params_set_avail_min(FHandle, sw, static_cast<snd_pcm_uframes_t>(frames)) == 0 &&
                            snd_pcm_sw_params(FHandle, sw) == 0;
    snd_pcm_sw_params_free(sw);
    if (!configured) return Fail("ALSA: the device refuses the start parameters");
    return true;
}

TAsioError TAlsaDriver::CreateBuffers(TAsioBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                                      TAsioCallbacks* callbacks) {
    if (!FHandle) return kAsioNotPresent;
    if (FRunning || !callbacks || bufferSize != FSettings.Period) return kAsioInvalidMode;
    const int32_t width = AsioSampleTypeSize(FFormat.SampleType);
    const auto result = FBuffers.Create(bufferInfos, numChannels, 0, FChannels, bufferSize, width);
    if (result != kAsioOK) return result;
    if (!ConfigureDevice(bufferSize)) {
        FBuffers.Dispose();
        return kAsioHwMalfunction;
    }
    FInterleaved.assign(static_cast<size_t>(bufferSize) * static_cast<size_t>(FChannels) * width, 0);
    FHost.Connect(*callbacks);
    return kAsioOK;
}

TAsioError TAlsaDriver::DisposeBuffers() {
    if (!FBuffers.Created()) return kAsioInvalidMode;
    Stop();
    FHost.Disconnect();
    FBuffers.Dispose();
    if (FHandle) snd_pcm_hw_free(FHandle);
    FDeviceBuffer = 0;
    return kAsioOK;
}

TAsioError TAlsaDriver::Start() {
    if (!FBuffers.Created()) return kAsioNotPresent;
    if (FRunning) return kAsioOK;
    if (FThread.joinable()) FThread.join();  // a thread that ended on a vanished device
    if (snd_pcm_prepare(FHandle) < 0) return kAsioHwMalfunction;
    FClock.Restart();
    ModuleStatistics().Reset();
    FRunning = true;
    try {
        FThread = std::thread([this] { Run(); });
    } catch (...) {
        FRunning = false;
        return kAsioHwMalfunction;
    }
    if (FSettings.RealTime) {
        sched_param priority{};
        priority.sched_priority = 70;
        pthread_setschedparam(FThread.native_handle(), SCHED_FIFO, &priority);  // refused: stays normal
    }
    return kAsioOK;
}

TAsioError TAlsaDriver::Stop() {
    FRunning = false;
    if (FThread.joinable()) FThread.join();
    if (FHandle) snd_pcm_drop(FHandle);
    return kAsioOK;
}

TAsioError TAlsaDriver::OutputReady() { return kAsioOK; }

void TAlsaDriver::Run() noexcept {
    const auto frames = static_cast<snd_pcm_uframes_t>(FBuffers.Frames());
    int half = 0;
    while (FRunning.load(std::memory_order_acquire)) {
        const int64_t now = NowNs();
        FHost.DeliverBlock(half, FClock.Stamp(now), now, FRate);
        FBuffers.InterleaveOutputs(half, FInterleaved.data());
        if (!WritePeriod(FInterleaved.data(), frames)) {
            if (FRunning.load()) FHost.SendMessage(kAsioResetRequest, 0);
            break;
        }
        FClock.Advance(static_cast<int64_t>(frames));
        ModuleStatistics().CountBlock();
        half ^= 1;
    }
    FRunning = false;
}

bool TAlsaDriver::WritePeriod(const uint8_t* data, snd_pcm_uframes_t count) noexcept {
    const size_t frameBytes = static_cast<size_t>(AsioSampleTypeSize(FFormat.SampleType)) * FChannels;
    int waitedMs = 0;
    while (count > 0) {
        if (!FRunning.load(std::memory_order_acquire)) return true;
        const snd_pcm_sframes_t written = snd_pcm_writei(FHandle, data, count);
        if (written >= 0) {
            data += static_cast<size_t>(written) * frameBytes;
            count -= static_cast<snd_pcm_uframes_t>(written);
            waitedMs = 0;
            continue;
        }
        if (written == -EAGAIN) {
            // Every wait has a timeout: a device that stops taking samples ends the stream.
            const int ready = snd_pcm_wait(FHandle, kWaitSliceMs);
            if (ready == 0 && (waitedMs += kWaitSliceMs) >= kStuckDeviceMs) return false;
            if (ready < 0 && snd_pcm_recover(FHandle, ready, 1) < 0) return false;
            continue;
        }
        if (written == -EPIPE) ModuleStatistics().CountXrun();
        if (written == -ENODEV || snd_pcm_recover(FHandle, static_cast<int>(written), 1) < 0) return false;
    }
    return true;
}

}  // namespace quenthal::drivers
