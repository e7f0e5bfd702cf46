#include "drivers/jack/JackDriver.h"

#include "drivers/common/DriverModule.h"
#include "drivers/common/DriverSettings.h"

#include <algorithm>
#include <cstring>

namespace quenthal::drivers {

namespace {
std::vector<std::string> PortNames(jack_client_t* client, unsigned long flags) {
    std::vector<std::string> names;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, flags);
    if (!ports) return names;
    for (const char** port = ports; *port; ++port) names.emplace_back(*port);
    jack_free(ports);
    return names;
}
}  // namespace

TJackSettings TJackSettings::Load() {
    const auto ini = TDriverSettings::Load(DriverConfigFolder() + "/Jack.ini");
    const std::string section = kJackDeviceName;
    TJackSettings settings;
    settings.Outputs = static_cast<int32_t>(ini.ReadInteger(section, "Outputs", 0, 0, 256));
    settings.Inputs = static_cast<int32_t>(ini.ReadInteger(section, "Inputs", -1, -1, 256));
    settings.ClientName = ini.ReadString(section, "ClientName", "Quenthal");
    settings.ServerName = ini.ReadString(section, "ServerName", "");
    return settings;
}

TJackDriver::TJackDriver(const TGuid& clsid) : TDriverBase(clsid, kJackDeviceName, 1) {}

TJackDriver::~TJackDriver() {
    Stop();
    DisposeBuffers();
    if (FClient) jack_client_close(FClient);
}

TAsioBool TJackDriver::Init(void*) {
    if (FClient) return 1;
    FSettings = TJackSettings::Load();
    // Never start a server behind the user's back: no server is a failed Init.
    int options = JackNoStartServer;
    if (!FSettings.ServerName.empty()) options |= JackServerName;
    jack_status_t status{};
    FClient = jack_client_open(FSettings.ClientName.c_str(), static_cast<jack_options_t>(options), &status,
                               FSettings.ServerName.c_str());
    if (!FClient) return Fail("No JACK server is running");

    jack_set_process_callback(FClient, &TJackDriver::Process, this);
    jack_on_info_shutdown(FClient, &TJackDriver::ServerShutdown, this);
    jack_set_buffer_size_callback(FClient, &TJackDriver::BufferSizeChanged, this);
    jack_set_sample_rate_callback(FClient, &TJackDriver::SampleRateChanged, this);
    jack_set_xrun_callback(FClient, &TJackDriver::Xrun, this);
    jack_set_latency_callback(FClient, &TJackDriver::LatencyChanged, this);

    FPhysicalOutputs = PortNames(FClient, JackPortIsPhysical | JackPortIsInput);
    FPhysicalInputs = PortNames(FClient, JackPortIsPhysical | JackPortIsOutput);
    FServerFrames = jack_get_buffer_size(FClient);
    FRate = jack_get_sample_rate(FClient);
    if (!RegisterPorts()) {
        jack_client_close(FClient);
        FClient = nullptr;
        return Fail("JACK refused the client's ports");
    }
    return 1;
}

bool TJackDriver::RegisterPorts() {
    const int32_t outputs =
        FSettings.Outputs > 0 ? FSettings.Outputs : std::max<int32_t>(2, static_cast<int32_t>(FPhysicalOutputs.size()));
    const int32_t inputs = FSettings.Inputs >= 0 ? FSettings.Inputs : static_cast<int32_t>(FPhysicalInputs.size());
    for (int32_t i = 0; i < outputs; ++i) {
        const std::string name = "out_" + std::to_string(i + 1);
        jack_port_t* port = jack_port_register(FClient, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (!port) return false;
        FOutputPorts.push_back(port);
    }
    for (int32_t i = 0; i < inputs; ++i) {
        const std::string name = "in_" + std::to_string(i + 1);
        jack_port_t* port = jack_port_register(FClient, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        if (!port) return false;
        FInputPorts.push_back(port);
    }
    return true;
}

TAsioError TJackDriver::GetChannels(int32_t* numInputChannels, int32_t* numOutputChannels) {
    if (!FClient) return kAsioNotPresent;
    if (numInputChannels) *numInputChannels = static_cast<int32_t>(FInputPorts.size());
    if (numOutputChannels) *numOutputChannels = static_cast<int32_t>(FOutputPorts.size());
    return kAsioOK;
}

int32_t TJackDriver::PhysicalLatency(const std::vector<std::string>& ports, jack_latency_callback_mode_t mode) const {
    jack_nframes_t worst = 0;
    const size_t used = mode == JackPlaybackLatency ? FOutputPorts.size() : FInputPorts.size();
    for (size_t i = 0; i < ports.size() && i < used; ++i) {
        if (jack_port_t* port = jack_port_by_name(FClient, ports[i].c_str())) {
            jack_latency_range_t range{};
            jack_port_get_latency_range(port, mode, &range);
            worst = std::max(worst, range.max);
        }
    }
    return static_cast<int32_t>(worst);
}

TAsioError TJackDriver::GetLatencies(int32_t* inputLatency, int32_t* outputLatency) {
    if (!FClient || FServerGone) return kAsioNotPresent;
    if (inputLatency) *inputLatency = PhysicalLatency(FPhysicalInputs, JackCaptureLatency);
    if (outputLatency) *outputLatency = PhysicalLatency(FPhysicalOutputs, JackPlaybackLatency);
    return kAsioOK;
}

TAsioError TJackDriver::GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                      int32_t* granularity) {
    if (!FClient) return kAsioNotPresent;
    // The server's period is the only size a client can have.
    return AnswerSingleBufferSize(static_cast<int32_t>(FServerFrames.load()), minSize, maxSize, preferredSize,
                                  granularity);
}

TAsioError TJackDriver::CanSampleRate(TAsioSampleRate sampleRate) {
    if (!FClient) return kAsioNotPresent;
    return sampleRate == static_cast<double>(FRate.load()) ? kAsioOK : kAsioNoClock;
}

TAsioError TJackDriver::GetSampleRate(TAsioSampleRate* sampleRate) {
    if (!FClient) return kAsioNotPresent;
    if (!sampleRate) return kAsioInvalidParameter;
    *sampleRate = FRate.load();
    return kAsioOK;
}

TAsioError TJackDriver::SetSampleRate(TAsioSampleRate sampleRate) { return CanSampleRate(sampleRate); }

TAsioError TJackDriver::GetSamplePosition(TAsioInt64* samplePosition, TAsioInt64* timeStamp) {
    return FClock.Answer(FRunning, samplePosition, timeStamp);
}

TAsioError TJackDriver::GetChannelInfo(TAsioChannelInfo* info) {
    if (!FClient) return kAsioNotPresent;
    if (!info || (info->IsInput != 0 && info->IsInput != 1)) return kAsioInvalidParameter;
    const auto count = static_cast<int32_t>(info->IsInput ? FInputPorts.size() : FOutputPorts.size());
    if (info->Channel < 0 || info->Channel >= count) return kAsioInvalidParameter;
    const bool used = FBuffers.Created() &&
                      (info->IsInput ? FBuffers.Input(info->Channel, 0) : FBuffers.Output(info->Channel, 0));
    info->IsActive = used ? 1 : 0;
    info->ChannelGroup = 0;
    info->SampleType = ASIOSTFloat32LSB;
    CopyText(info->Name, sizeof info->Name, (info->IsInput ? "In " : "Out ") + std::to_string(info->Channel + 1));
    return kAsioOK;
}

TAsioError TJackDriver::CreateBuffers(TAsioBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                                      TAsioCallbacks* callbacks) {
    if (!FClient || FServerGone) return kAsioNotPresent;
    if (FRunning || !callbacks) return kAsioInvalidMode;
    if (bufferSize < 1 || static_cast<uint32_t>(bufferSize) != FServerFrames.load()) return kAsioInvalidMode;
    const auto result = FBuffers.Create(bufferInfos, numChannels, static_cast<int32_t>(FInputPorts.size()),
                                        static_cast<int32_t>(FOutputPorts.size()), bufferSize, sizeof(float));
    if (result != kAsioOK) return result;
    FHost.Connect(*callbacks);
    FBufferFrames = static_cast<uint32_t>(bufferSize);
    return kAsioOK;
}

TAsioError TJackDriver::DisposeBuffers() {
    if (!FBuffers.Created()) return kAsioInvalidMode;
    Stop();
    FBufferFrames = 0;
    FHost.Disconnect();
    FBuffers.Dispose();
    return kAsioOK;
}

TAsioError TJackDriver::Start() {
    if (!FBuffers.Created()) return kAsioNotPresent;
    if (FServerGone) return kAsioHwMalfunction;
    if (FRunning) return kAsioOK;
    FClock.Restart();
    FHalf = 0;
    ModuleStatistics().Reset();
    jack_reset_max_delayed_usecs(FClient);
    FRunning = true;
    if (!FActive) {
        if (jack_activate(FClient) != 0) {
            FRunning = false;
            return kAsioHwMalfunction;
        }
        FActive = true;
    }
    // Outputs go to the physical playback ports in order, the capture ports to our inputs.
    for (size_t i = 0; i < FOutputPorts.size() && i < FPhysicalOutputs.size(); ++i)
        jack_connect(FClient, jack_port_name(FOutputPorts[i]), FPhysicalOutputs[i].c_str());
    for (size_t i = 0; i < FInputPorts.size() && i < FPhysicalInputs.size(); ++i)
        jack_connect(FClient, FPhysicalInputs[i].c_str(), jack_port_name(FInputPorts[i]));
    return kAsioOK;
}

TAsioError TJackDriver::Stop() {
    FRunning = false;
    // Deactivation waits for the running cycle; after it no block reaches the host. A vanished server
    // runs no cycles any more, and asking it would only wait for its timeout.
    if (FActive && !FServerGone) jack_deactivate(FClient);
    FActive = false;
    return kAsioOK;
}

TAsioError TJackDriver::OutputReady() { return kAsioOK; }

int TJackDriver::Process(jack_nframes_t frames, void* self) noexcept {
    auto& driver = *static_cast<TJackDriver*>(self);
    const bool deliver = driver.FRunning.load(std::memory_order_acquire) && frames == driver.FBufferFrames.load();
    if (!deliver) {
        for (auto* port : driver.FOutputPorts)
            std::memset(jack_port_get_buffer(port, frames), 0, frames * sizeof(float));
        return 0;
    }
    const int half = driver.FHalf;
    const size_t bytes = frames * sizeof(float);
    for (size_t i = 0; i < driver.FInputPorts.size(); ++i)
        if (uint8_t* target = driver.FBuffers.Input(static_cast<int32_t>(i), half))
            std::memcpy(target, jack_port_get_buffer(driver.FInputPorts[i], frames), bytes);

    const int64_t systemTime =
        static_cast<int64_t>(jack_frames_to_time(driver.FClient, jack_last_frame_time(driver.FClient))) * 1000;
    const int64_t position = driver.FClock.Stamp(systemTime);
    driver.FHost.DeliverBlock(half, position, systemTime, driver.FRate.load(std::memory_order_relaxed));

    for (size_t i = 0; i < driver.FOutputPorts.size(); ++i) {
        void* target = jack_port_get_buffer(driver.FOutputPorts[i], frames);
        if (const uint8_t* source = driver.FBuffers.Output(static_cast<int32_t>(i), half))
            std::memcpy(target, source, bytes);
        else
            std::memset(target, 0, bytes);
    }
    driver.FClock.Advance(frames);
    driver.FHalf = half ^ 1;
    ModuleStatistics().CountBlock();
    ModuleStatistics().ReportDelay(static_cast<int64_t>(jack_get_max_delayed_usecs(driver.FClient)));
    return 0;
}

void TJackDriver::ServerShutdown(jack_status_t, const char*, void* self) noexcept {
    auto& driver = *static_cast<TJackDriver*>(self);
    driver.FServerGone = true;
    driver.FRunning = false;
    driver.FHost.SendMessage(kAsioResetRequest, 0);
}

int TJackDriver::BufferSizeChanged(jack_nframes_t frames, void* self) noexcept {
    auto& driver = *static_cast<TJackDriver*>(self);
    driver.FServerFrames = frames;
    const uint32_t made = driver.FBufferFrames.load();
    if (made != 0 && made != frames) driver.FHost.SendMessage(kAsioBufferSizeChange, static_cast<int32_t>(frames));
    return 0;
}

int TJackDriver::SampleRateChanged(jack_nframes_t rate, void* self) noexcept {
    auto& driver = *static_cast<TJackDriver*>(self);
    if (driver.FRate.exchange(rate) != rate) driver.FHost.SampleRateChanged(rate);
    return 0;
}

int TJackDriver::Xrun(void*) noexcept {
    ModuleStatistics().CountXrun();
    return 0;
}

void TJackDriver::LatencyChanged(jack_latency_callback_mode_t, void* self) noexcept {
    auto& driver = *static_cast<TJackDriver*>(self);
    if (driver.FBufferFrames.load() != 0) driver.FHost.SendMessage(kAsioLatenciesChanged, 0);
}

}  // namespace quenthal::drivers
