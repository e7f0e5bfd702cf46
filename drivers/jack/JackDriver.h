#pragma once
// The JACK driver (JACK2 and PipeWire's JACK): a client named after the program with one port per
// channel, wired to the server's physical ports in order. The server's process thread delivers the
// blocks: each cycle copies the capture ports into the input half, lets the host fill the output half
// and copies it to the playback ports, so the host adds no latency of its own.

#include "drivers/common/BlockClock.h"
#include "drivers/common/DoubleBuffers.h"
#include "drivers/common/DriverBase.h"
#include "drivers/common/HostLink.h"

#include <jack/jack.h>
#include <jack/statistics.h>

#include <atomic>
#include <string>
#include <vector>

namespace quenthal::drivers {

inline constexpr const char* kJackDeviceName = "JACK";

struct TJackSettings {
    int32_t Outputs = 0;  // 0: one per physical playback port, at least 2
    int32_t Inputs = -1;  // -1: one per physical capture port
    std::string ClientName = "Quenthal";
    std::string ServerName;  // empty: the default server

    // "Jack.ini" in the driver's configuration folder, section [JACK].
    static TJackSettings Load();
};

class TJackDriver final : public TDriverBase {
public:
    explicit TJackDriver(const TGuid& clsid);

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
    ~TJackDriver() override;
    bool RegisterPorts();
    int32_t PhysicalLatency(const std::vector<std::string>& ports, jack_latency_callback_mode_t mode) const;

    static int Process(jack_nframes_t frames, void* self) noexcept;
    static void ServerShutdown(jack_status_t code, const char* reason, void* self) noexcept;
    static int BufferSizeChanged(jack_nframes_t frames, void* self) noexcept;
    static int SampleRateChanged(jack_nframes_t rate, void* self) noexcept;
    static int Xrun(void* self) noexcept;
    static void LatencyChanged(jack_latency_callback_mode_t mode, void* self) noexcept;

    TJackSettings FSettings;
    jack_client_t* FClient = nullptr;
    std::vector<std::string> FPhysicalOutputs, FPhysicalInputs;
    std::vector<jack_port_t*> FOutputPorts, FInputPorts;
    TDoubleBuffers FBuffers;
    THostLink FHost;
    bool FActive = false;

    std::atomic<bool> FRunning{false};
    std::atomic<bool> FServerGone{false};
    std::atomic<uint32_t> FServerFrames{0};  // the server's period, kept up to date by its callback
    std::atomic<uint32_t> FBufferFrames{0};  // the period the buffers were made for; 0 without buffers
    std::atomic<uint32_t> FRate{0};
    TBlockClock FClock;
    int FHalf = 0;  // process thread only
};

}  // namespace quenthal::drivers
