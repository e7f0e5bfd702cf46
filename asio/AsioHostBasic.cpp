// The host's lifecycle: driver choice, open and close, buffers, start and stop, sample rate.
#include "asio/AsioHost.h"

#include "platform/Random.h"

#include <cmath>
#include <cstring>

namespace quenthal {

namespace {
std::atomic<TCustomAsioHostBasic*> gCurrentHost{nullptr};

// A count no sound card reports; beyond it the driver's answer is taken as nonsense.
constexpr int32_t kMaxChannelsPerDirection = 4096;

int32_t SaneChannelCount(int32_t count) noexcept {
    if (count < 0) return 0;
    return count > kMaxChannelsPerDirection ? kMaxChannelsPerDirection : count;
}

bool InitFailed(TAsioBool answer) noexcept { return answer == 0 || (answer >= kAsioNotPresent && answer <= kAsioNoMemory); }
}  // namespace

// Defined with the callbacks.
const TAsioCallbacks& HostDriverCallbacks() noexcept;

TCustomAsioHostBasic* TCustomAsioHostBasic::CurrentHost() noexcept { return gCurrentHost.load(std::memory_order_acquire); }

const TAsioCallbacks& TCustomAsioHostBasic::DriverCallbacks() noexcept { return HostDriverCallbacks(); }

TCustomAsioHostBasic::TCustomAsioHostBasic(const TAsioHostEnvironment& environment)
    : FRegistry(environment.Registry),
      FLoader(environment.Loader),
      FGuiQueue(environment.GuiQueue),
      FAsioDriverList(environment.Registry, environment.Folders) {
    TCustomAsioHostBasic* expected = nullptr;
    if (!gCurrentHost.compare_exchange_strong(expected, this, std::memory_order_acq_rel))
        throw EAsioHostError("Only one Asio host is allowed per instance");
    FSelf = std::make_shared<std::atomic<TCustomAsioHostBasic*>>(this);
    FAsioTime.SetSampleRate(44100.0);
    FCallbacks = HostDriverCallbacks();
    try {
        FAsioDriverList.UpdateList();
    } catch (...) {
        // A broken registry entry shortens the list; the entries read before it stay.
    }
}

TCustomAsioHostBasic::~TCustomAsioHostBasic() { ShutDown(); }

void TCustomAsioHostBasic::ShutDown() noexcept {
    if (FShutDown) return;
    FShutDown = true;
    TCustomAsioHostBasic* self = this;
    gCurrentHost.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
    if (FSelf) FSelf->store(nullptr, std::memory_order_release);
    try {
        if (OnDestroy) OnDestroy(*this);
    } catch (...) {
    }
    try {
        if (FActive) SetActive(false);
        CloseDriver();
    } catch (...) {
    }
}

void TCustomAsioHostBasic::Loaded() {
    if (OnCreate) OnCreate(*this);
}

// ---- Driver choice -------------------------------------------------------------------------------

void TCustomAsioHostBasic::SetDriverIndex(int32_t value) {
    if (value == FDriverIndex) return;
    const bool wasActive = FActive;
    SetActive(false);
    FDriverIndex = (value >= 0 && value < GetNumDrivers()) ? value : -1;
    if (FDriverIndex == -1) {
        ClearDriverInfo();
        CloseDriver();
    } else {
        try {
            CloseDriver();
            FDriverName = FAsioDriverList.GetItem(FDriverIndex).FName;
            OpenDriver();
        } catch (...) {
            FDriverIndex = -1;
            ClearDriverInfo();
            throw;
        }
        if (FDriver) {
            // One byte more than the driver may write, so an unterminated answer is noticed.
            char name[257] = {};
            FDriver->GetDriverName(name);
            if (std::memchr(name, 0, 256) != nullptr && name[0] != 0) FDriverName = name;
            FDriverVersion = FDriver->GetDriverVersion();
            QueryCanDos();
            QueryClockSources();
        }
    }
    if (OnDriverChanged) OnDriverChanged(*this);
    SetActive(wasActive);
}

void TCustomAsioHostBasic::SetDriverName(const std::string& value) {
    SetDriverIndex(FAsioDriverList.DriverNumberByName(value));
}

int32_t TCustomAsioHostBasic::GetNumDrivers() const { return FAsioDriverList.Count(); }

void TCustomAsioHostBasic::SetIgnoredDriver(const TGuid& ignore) {
    FAsioDriverList.SetIgnoredDriver(ignore);
    FAsioDriverList.UpdateList();
}

void TCustomAsioHostBasic::ClearDriverInfo() {
    FDriverName.clear();
    FInputLatency = FOutputLatency = 0;
    FInputChannelCount = FOutputChannelCount = 0;
    FBufferSize = 0;
}

void TCustomAsioHostBasic::QueryCanDos() {
    FAsioCanDos = 0;
    if (!FDriver) return;
    static constexpr TAsioCanDos kByselector[] = {acdInputMonitor, acdTimeInfo,  acdTimeCode,   acdTransport,
                                                  acdInputGain,    acdInputMeter, acdOutputGain, acdOutputMeter};
    for (int32_t i = 0; i < 8; ++i)
        if (FDriver->Future(kAsioCanInputMonitor + i, nullptr) == kAsioSuccessFuture) FAsioCanDos |= kByselector[i];
}

void TCustomAsioHostBasic::QueryClockSources() {
    if (!FDriver) return;
    // Room for more records than announced: a driver that ignores the count writes into spare room.
    TAsioClockSource clocks[16] = {};
    int32_t count = 4;
    FDriver->GetClockSources(clocks, &count);
}

// ---- Open and close ------------------------------------------------------------------------------

void TCustomAsioHostBasic::OpenDriver() {
    if (FDriver) {
        try {
            SetActive(false);
            CloseDriver();
        } catch (...) {
        }
    }
    if (FDriverIndex >= 0) {
        try {
            if (CreateStdCallAsio(FLoader, FAsioDriverList.GetItem(FDriverIndex).FGuid, FDriver) &&
                InitFailed(FDriver->Init(nullptr)))
                FDriver.reset();
        } catch (...) {
            FDriver.reset();
        }
    }
    if (!FDriver) throw EAsioHostError("Asio driver failed!");
    FBuffersCreated = PrepareBuffers();
    if (!FBuffersCreated) throw EAsioHostError("Asio buffers could not be created!");
}

void TCustomAsioHostBasic::CloseDriver() {
    if (FDriver) {
        if (FActive) SetActive(false);
        if (FBuffersCreated) {
            try {
                ReleaseBuffers();
            } catch (...) {
            }
        }
        FBlockDriver.store(nullptr, std::memory_order_release);
        FDriver.reset();
        BlocksStopped();
    }
    FInputLatency = FOutputLatency = 0;
    FInputChannelCount = FOutputChannelCount = 0;
}

void TCustomAsioHostBasic::Reset() {
    OpenDriver();
    if (OnReset) OnReset(*this);
}

// ---- Buffers -------------------------------------------------------------------------------------

void TCustomAsioHostBasic::ReadBufferSizes() {
    FDriver->GetBufferSize(&FMin, &FMax, &FPref, &FGran);
    if (FMin == FMax) FPref = FMin;
    if (FPref < 1) throw EAsioHostError("Prefered buffer size invalid!");
    FBufferSize = static_cast<uint32_t>(FPref);
}

void TCustomAsioHostBasic::ReadSampleRate() {
    double rate = SampleRate();
    FDriver->GetSampleRate(&rate);
    FSampleRate.store(rate, std::memory_order_relaxed);
    FAsioTime.SetSampleRate(rate);
}

bool TCustomAsioHostBasic::PrepareBuffers() {
    if (!FDriver) return false;
    if (FBuffersCreated) ReleaseBuffers();
    FBlockDriver.store(nullptr, std::memory_order_release);
    ReadBufferSizes();
    ReadSampleRate();
    int32_t inputs = 0, outputs = 0;
    FDriver->GetChannels(&inputs, &outputs);
    FInputChannelCount = SaneChannelCount(inputs);
    FOutputChannelCount = SaneChannelCount(outputs);
    const size_t total = static_cast<size_t>(FInputChannelCount) + static_cast<size_t>(FOutputChannelCount);

    // The descriptors start at the first multiple of 16 strictly above the allocation's start.
    FInputBuffers = FOutputBuffers = nullptr;
    FUnAlignedBuffer = std::make_unique<unsigned char[]>(total * sizeof(TAsioBufferInfo) + 16);
    const auto start = reinterpret_cast<uintptr_t>(FUnAlignedBuffer.get());
    FInputBuffers = new (reinterpret_cast<void*>((start + 16) & ~uintptr_t(15))) TAsioBufferInfo[total];
    FOutputBuffers = FInputBuffers + FInputChannelCount;

    FInputChannelInfos.assign(static_cast<size_t>(FInputChannelCount), TAsioChannelInfo{});
    FOutputChannelInfos.assign(static_cast<size_t>(FOutputChannelCount), TAsioChannelInfo{});
    FInConverters.assign(static_cast<size_t>(FInputChannelCount), TInConverter{});
    FOutConverters.assign(static_cast<size_t>(FOutputChannelCount), TOutConverter{});
    auto describe = [this](TAsioChannelInfo& info, int32_t channel, TAsioBool isInput) {
        info.Channel = channel;
        info.IsInput = isInput;
        FDriver->GetChannelInfo(&info);
        info.Channel = channel;
        info.IsInput = isInput;
        info.Name[sizeof info.Name - 1] = 0;
    };
    for (int32_t i = 0; i < FInputChannelCount; ++i) {
        describe(FInputChannelInfos[i], i, 1);
        FInConverters[i] = InputConverterFor(FInputChannelInfos[i].SampleType);
        FInputBuffers[i] = TAsioBufferInfo{1, i, {nullptr, nullptr}};
    }
    for (int32_t i = 0; i < FOutputChannelCount; ++i) {
        describe(FOutputChannelInfos[i], i, 0);
        FOutConverters[i] = OutputConverterFor(FOutputChannelInfos[i].SampleType);
        FOutputBuffers[i] = TAsioBufferInfo{0, i, {nullptr, nullptr}};
    }

    if (FDriver->CreateBuffers(FInputBuffers, static_cast<int32_t>(total), static_cast<int32_t>(FBufferSize),
                               &FCallbacks) != kAsioOK)
        return false;
    // From here on ReleaseBuffers must undo the driver's buffers, also if an event below throws.
    FBuffersCreated = true;
    if (OnBuffersCreate) OnBuffersCreate(*this);
    FDriver->GetLatencies(&FInputLatency, &FOutputLatency);
    if (OnLatencyChanged) OnLatencyChanged(*this);
    Randomize();
    FBlockFaultReported.store(false, std::memory_order_relaxed);
    FBlockDriver.store(FDriver.get(), std::memory_order_release);
    return true;
}

void TCustomAsioHostBasic::ReleaseBuffers() {
    if (!FDriver || !FBuffersCreated) return;
    if (OnBuffersDispose) OnBuffersDispose(*this);
    FBlockDriver.store(nullptr, std::memory_order_release);
    FInputBuffers = FOutputBuffers = nullptr;
    FUnAlignedBuffer.reset();
    try {
        FDriver->DisposeBuffers();
    } catch (...) {
    }
    FBuffersCreated = false;
    FInputChannelInfos.clear();
    FOutputChannelInfos.clear();
}

void TCustomAsioHostBasic::ClearDriverBuffers() noexcept {
    auto clear = [this](TAsioBufferInfo* infos, const std::vector<TAsioChannelInfo>& channelInfos, int32_t count) {
        if (!infos) return;
        for (int32_t i = 0; i < count && i < static_cast<int32_t>(channelInfos.size()); ++i) {
            const int32_t width = IsKnownAsioSampleType(channelInfos[i].SampleType)
                                      ? AsioSampleTypeSize(channelInfos[i].SampleType)
                                      : 4;
            for (void* half : infos[i].Buffers)
                if (half) std::memset(half, 0, static_cast<size_t>(FBufferSize) * static_cast<size_t>(width));
        }
    };
    clear(FOutputBuffers, FOutputChannelInfos, FOutputChannelCount);
    clear(FInputBuffers, FInputChannelInfos, FInputChannelCount);
}

// ---- Start and stop ------------------------------------------------------------------------------

void TCustomAsioHostBasic::SetActive(bool value) {
    // A driver is started only with its buffers in place: it would call back into nothing otherwise.
    if (!FDriver || !FBuffersCreated) value = false;
    if (value == FActive) return;
    if (value) {
        FBlockFaultReported.store(false, std::memory_order_relaxed);
        FActive = FDriver->Start() == kAsioOK;
        if (!FActive) FDriver->Stop();
    } else {
        FActive = false;
        if (FDriver) FDriver->Stop();
        if (FBuffersCreated) ClearDriverBuffers();
        BlocksStopped();
    }
}

// ---- Sample rate ---------------------------------------------------------------------------------

void TCustomAsioHostBasic::SetSampleRate(double value) {
    value = std::fabs(value);
    if (!(value > 0.0 && value <= 1048575.0)) value = 44100.0;
    if (FDriver && CanSampleRate(value) != kAsioOK) return;
    if (value == SampleRate()) return;
    if (!FDriver) return;
    FDriver->SetSampleRate(value);
    FSampleRate.store(value, std::memory_order_relaxed);
    FAsioTime.SetSampleRate(value);
}

int32_t TCustomAsioHostBasic::CanSampleRate(double sampleRate) {
    return FDriver ? FDriver->CanSampleRate(sampleRate) : kAsioNotPresent;
}

void TCustomAsioHostBasic::ControlPanel() {
    if (FDriver) FDriver->ControlPanel();
}

// ---- Channel information, gains and meters -------------------------------------------------------

TAsioChannelInfo TCustomAsioHostBasic::GetInputChannelInfo(int32_t index) const {
    if (index < 0 || index >= FInputChannelCount || index >= static_cast<int32_t>(FInputChannelInfos.size()))
        throw EAsioHostError("Index out of bounds " + std::to_string(index));
    return FInputChannelInfos[static_cast<size_t>(index)];
}

TAsioChannelInfo TCustomAsioHostBasic::GetOutputChannelInfo(int32_t index) const {
    if (index < 0 || index >= FOutputChannelCount || index >= static_cast<int32_t>(FOutputChannelInfos.size()))
        throw EAsioHostError("Index out of bounds " + std::to_string(index));
    return FOutputChannelInfos[static_cast<size_t>(index)];
}

void TCustomAsioHostBasic::SetInputGain(int32_t channel, int32_t gain) {
    if (!FDriver) return;
    TAsioChannelControls controls;
    controls.Channel = channel;
    controls.IsInput = 1;
    controls.Gain = gain;
    FDriver->Future(kAsioSetInputGain, &controls);
}

void TCustomAsioHostBasic::SetOutputGain(int32_t channel, int32_t gain) {
    if (!FDriver) return;
    TAsioChannelControls controls;
    controls.Channel = channel;
    controls.IsInput = 0;
    controls.Gain = gain;
    FDriver->Future(kAsioSetOutputGain, &controls);
}

int32_t TCustomAsioHostBasic::GetInputMeter(int32_t channel) {
    if (!FDriver) return -1;
    TAsioChannelControls controls;
    controls.Channel = channel;
    controls.IsInput = 1;
    FDriver->Future(kAsioGetInputMeter, &controls);
    return controls.Meter;
}

int32_t TCustomAsioHostBasic::GetOutputMeter(int32_t channel) {
    if (!FDriver) return -1;
    TAsioChannelControls controls;
    controls.Channel = channel;
    controls.IsInput = 0;
    FDriver->Future(kAsioGetOutputMeter, &controls);
    return controls.Meter;
}

}  // namespace quenthal
