#include "tests/support/ScriptedAsioDriver.h"

#include <chrono>
#include <cstring>

namespace quenthal::test {

// ---- Control ---------------------------------------------------------------------------------------

std::vector<std::string> TScriptedDriverControl::Calls() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FCalls;
}

void TScriptedDriverControl::ClearCalls() {
    std::lock_guard<std::mutex> lock(FMutex);
    FCalls.clear();
}

size_t TScriptedDriverControl::CountOf(const std::string& call) const {
    std::lock_guard<std::mutex> lock(FMutex);
    size_t count = 0;
    for (const auto& entry : FCalls)
        if (entry == call) ++count;
    return count;
}

void TScriptedDriverControl::Record(std::string call) {
    std::lock_guard<std::mutex> lock(FMutex);
    FCalls.push_back(std::move(call));
}

TScriptedAsioDriver* TScriptedDriverControl::Driver() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FDriver;
}

// ---- Driver object ---------------------------------------------------------------------------------

namespace {
std::string RateText(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", rate);
    return text;
}
}  // namespace

TScriptedAsioDriver::TScriptedAsioDriver(std::shared_ptr<TScriptedDriverControl> control)
    : FControl(std::move(control)) {
    std::lock_guard<std::mutex> lock(FControl->FMutex);
    FControl->FDriver = this;
    FControl->LiveObjects.fetch_add(1);
}

TScriptedAsioDriver::~TScriptedAsioDriver() {
    StopThread();
    std::lock_guard<std::mutex> lock(FControl->FMutex);
    if (FControl->FDriver == this) FControl->FDriver = nullptr;
    FControl->LiveObjects.fetch_sub(1);
}

int32_t TScriptedAsioDriver::QueryInterface(const TGuid&, void** object) {
    *object = this;
    AddRef();
    return 0;
}

uint32_t TScriptedAsioDriver::AddRef() { return ++FReferences; }

uint32_t TScriptedAsioDriver::Release() {
    const uint32_t left = --FReferences;
    if (left == 0) {
        FControl->Record("Release");
        delete this;
    }
    return left;
}

TAsioBool TScriptedAsioDriver::Init(void*) {
    FControl->Record("Init");
    FInitialised = FControl->Script.InitResult == 1;
    return FControl->Script.InitResult;
}

void TScriptedAsioDriver::GetDriverName(char* name) {
    FControl->Record("GetDriverName");
    if (FControl->Script.NameUnterminated) {
        std::memset(name, 'X', 256);
        return;
    }
    std::snprintf(name, 256, "%s", FControl->Script.Name.c_str());
}

int32_t TScriptedAsioDriver::GetDriverVersion() {
    FControl->Record("GetDriverVersion");
    return FControl->Script.Version;
}

void TScriptedAsioDriver::GetErrorMessage(char* text) {
    FControl->Record("GetErrorMessage");
    std::snprintf(text, 128, "%s", FControl->Script.ErrorMessage.c_str());
}

TAsioError TScriptedAsioDriver::Start() {
    FControl->Record("Start");
    const TAsioError answer = FControl->Script.StartResult;
    if (answer != kAsioOK) return answer;
    FRunning = true;
    if (FControl->Script.Threaded && !FThread.joinable()) {
        FThreadStop = false;
        FThread = std::thread([this] { ThreadLoop(); });
    }
    return answer;
}

TAsioError TScriptedAsioDriver::Stop() {
    FControl->Record("Stop");
    StopThread();
    FRunning = false;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::GetChannels(int32_t* numInputChannels, int32_t* numOutputChannels) {
    FControl->Record("GetChannels");
    *numInputChannels = FControl->Script.InputChannels;
    *numOutputChannels = FControl->Script.OutputChannels;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::GetLatencies(int32_t* inputLatency, int32_t* outputLatency) {
    FControl->Record("GetLatencies");
    *inputLatency = FControl->Script.InputLatency;
    *outputLatency = FControl->Script.OutputLatency;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                              int32_t* granularity) {
    FControl->Record("GetBufferSize");
    *minSize = FControl->Script.MinSize;
    *maxSize = FControl->Script.MaxSize;
    *preferredSize = FControl->Script.PreferredSize;
    *granularity = FControl->Script.Granularity;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::CanSampleRate(TAsioSampleRate sampleRate) {
    FControl->Record("CanSampleRate " + RateText(sampleRate));
    for (double rate : FControl->Script.SupportedRates)
        if (rate == sampleRate) return kAsioOK;
    return kAsioNoClock;
}

TAsioError TScriptedAsioDriver::GetSampleRate(TAsioSampleRate* sampleRate) {
    FControl->Record("GetSampleRate");
    *sampleRate = FControl->Script.CurrentRate;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::SetSampleRate(TAsioSampleRate sampleRate) {
    FControl->Record("SetSampleRate " + RateText(sampleRate));
    FControl->Script.CurrentRate = sampleRate;
    FRateForBlocks = sampleRate;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::GetClockSources(TAsioClockSource* clocks, int32_t* numSources) {
    FControl->Record("GetClockSources " + std::to_string(*numSources));
    std::snprintf(clocks[0].Name, sizeof clocks[0].Name, "Internal");
    clocks[0].IsCurrentSource = 1;
    *numSources = 1;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::SetClockSource(int32_t reference) {
    FControl->Record("SetClockSource " + std::to_string(reference));
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::GetSamplePosition(TAsioInt64* samplePosition, TAsioInt64* timeStamp) {
    FControl->SamplePositionCount.fetch_add(1, std::memory_order_relaxed);
    *samplePosition = Int64ToAsioInt64(FSamplePosition.load());
    *timeStamp = Int64ToAsioInt64(FSamplePosition.load() * 1000);
    return FControl->Script.SamplePositionResult;
}

int32_t TScriptedAsioDriver::SampleTypeOf(bool input, int32_t channel) const {
    const auto& types = input ? FControl->Script.InputTypes : FControl->Script.OutputTypes;
    return channel >= 0 && channel < static_cast<int32_t>(types.size()) ? types[static_cast<size_t>(channel)]
                                                                          : FControl->Script.DefaultSampleType;
}

TAsioError TScriptedAsioDriver::GetChannelInfo(TAsioChannelInfo* info) {
    FControl->Record(std::string("GetChannelInfo ") + (info->IsInput ? "in " : "out ") + std::to_string(info->Channel));
    info->IsActive = 1;
    info->ChannelGroup = 0;
    info->SampleType = SampleTypeOf(info->IsInput != 0, info->Channel);
    if (FControl->Script.UnterminatedChannelNames) {
        std::memset(info->Name, 'N', sizeof info->Name);
    } else {
        std::snprintf(info->Name, sizeof info->Name, "%s %d", info->IsInput ? "In" : "Out", info->Channel + 1);
    }
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::CreateBuffers(TAsioBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                                              TAsioCallbacks* callbacks) {
    FControl->Record("CreateBuffers " + std::to_string(numChannels) + " " + std::to_string(bufferSize));
    if (FControl->Script.CreateBuffersResult != kAsioOK) return FControl->Script.CreateBuffersResult;
    FBuffers.clear();
    FBufferSize = bufferSize;
    for (int32_t i = 0; i < numChannels; ++i) {
        TAsioBufferInfo& info = bufferInfos[i];
        TChannelBuffer buffer;
        buffer.IsInput = info.IsInput != 0;
        buffer.Channel = info.ChannelNum;
        const int32_t type = SampleTypeOf(buffer.IsInput, info.ChannelNum);
        const size_t bytes = static_cast<size_t>(bufferSize) * static_cast<size_t>(IsKnownAsioSampleType(type) ? AsioSampleTypeSize(type) : 4);
        for (auto& half : buffer.Half) half.assign(bytes + kGuardBytes, 0xA5);
        for (auto& half : buffer.Half) std::memset(half.data(), 0, bytes);
        FBuffers.push_back(std::move(buffer));
    }
    for (int32_t i = 0; i < numChannels; ++i) {
        TAsioBufferInfo& info = bufferInfos[i];
        const auto& nulls = info.IsInput ? FControl->Script.NullInputHalves : FControl->Script.NullOutputHalves;
        const bool keepNull = nulls.count(info.ChannelNum) != 0;
        info.Buffers[0] = keepNull ? nullptr : FBuffers[static_cast<size_t>(i)].Half[0].data();
        info.Buffers[1] = keepNull ? nullptr : FBuffers[static_cast<size_t>(i)].Half[1].data();
    }
    FCallbacks = *callbacks;
    FCallbacksGiven = true;
    FRateForBlocks = FControl->Script.CurrentRate;
    FNextHalf = 0;
    FSamplePosition = 0;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::DisposeBuffers() {
    FControl->Record("DisposeBuffers");
    StopThread();
    FBuffers.clear();
    FCallbacksGiven = false;
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::ControlPanel() {
    FControl->Record("ControlPanel");
    return kAsioOK;
}

TAsioError TScriptedAsioDriver::Future(int32_t selector, void* opt) {
    FControl->Record("Future " + std::to_string(selector));
    if ((selector == kAsioGetInputMeter || selector == kAsioGetOutputMeter) && opt)
        static_cast<TAsioChannelControls*>(opt)->Meter = FControl->Script.Meter;
    const auto answer = FControl->Script.FutureAnswers.find(selector);
    return answer == FControl->Script.FutureAnswers.end() ? kAsioInvalidParameter : answer->second;
}

TAsioError TScriptedAsioDriver::OutputReady() {
    FControl->OutputReadyCount.fetch_add(1, std::memory_order_relaxed);
    return kAsioOK;
}

// ---- Delivering blocks -----------------------------------------------------------------------------

void TScriptedAsioDriver::DeliverBlock(int32_t index, bool timeInfo, TAsioBool directProcess) {
    if (!FCallbacksGiven) return;
    if (FControl->BeforeBlock) FControl->BeforeBlock();
    if (timeInfo) {
        TAsioTime time;
        time.TimeInfo.Speed = 1.0;
        time.TimeInfo.SampleRate = FRateForBlocks.load();
        time.TimeInfo.SamplePosition = Int64ToAsioInt64(FSamplePosition.load());
        time.TimeInfo.SystemTime = Int64ToAsioInt64(FSamplePosition.load() * 1000);
        time.TimeInfo.Flags = kAsioSystemTimeValid | kAsioSamplePositionValid | kAsioSampleRateValid | kAsioSpeedValid;
        FCallbacks.bufferSwitchTimeInfo(&time, index, directProcess);
    } else {
        FCallbacks.bufferSwitch(index, directProcess);
    }
    if (FControl->AfterBlock) FControl->AfterBlock();
    FSamplePosition.fetch_add(FBufferSize);
    FControl->BlocksDelivered.fetch_add(1, std::memory_order_relaxed);
}

int32_t TScriptedAsioDriver::Step(bool timeInfo, TAsioBool directProcess) {
    const int32_t index = FNextHalf;
    FNextHalf ^= 1;
    DeliverBlock(index, timeInfo, directProcess);
    return index;
}

void TScriptedAsioDriver::StepWithIndex(int32_t index, bool timeInfo, TAsioBool directProcess) {
    DeliverBlock(index, timeInfo, directProcess);
}

void TScriptedAsioDriver::ThreadLoop() {
    using Clock = std::chrono::steady_clock;
    const double rate = FRateForBlocks.load() > 0 ? FRateForBlocks.load() : 48000.0;
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(FBufferSize / rate));
    auto next = Clock::now();
    int32_t index = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(FThreadMutex);
            if (!FControl->Script.FreeRun) {
                next += period;
                FThreadWake.wait_until(lock, next, [this] { return FThreadStop; });
            }
            if (FThreadStop) return;
        }
        DeliverBlock(index, FControl->Script.ThreadUsesTimeInfo, FControl->Script.ThreadDirectProcess);
        index ^= 1;
    }
}

void TScriptedAsioDriver::StopThread() {
    if (!FThread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(FThreadMutex);
        FThreadStop = true;
    }
    FThreadWake.notify_all();
    FThread.join();
}

int32_t TScriptedAsioDriver::SendMessageFromDriverThread(int32_t selector, int32_t value) {
    int32_t answer = 0;
    const TAsioCallbacks callbacks = FCallbacks;
    if (!callbacks.AsioMessage) return answer;
    std::thread([&] { answer = callbacks.AsioMessage(selector, value, nullptr, nullptr); }).join();
    return answer;
}

void TScriptedAsioDriver::SampleRateDidChangeFromDriverThread(double rate) {
    const TAsioCallbacks callbacks = FCallbacks;
    if (!callbacks.sampleRateDidChange) return;
    std::thread([&] { callbacks.sampleRateDidChange(rate); }).join();
}

uint8_t* TScriptedAsioDriver::InputHalf(int32_t channel, int32_t half) {
    for (auto& buffer : FBuffers)
        if (buffer.IsInput && buffer.Channel == channel) return buffer.Half[half].data();
    return nullptr;
}

uint8_t* TScriptedAsioDriver::OutputHalf(int32_t channel, int32_t half) {
    for (auto& buffer : FBuffers)
        if (!buffer.IsInput && buffer.Channel == channel) return buffer.Half[half].data();
    return nullptr;
}

}  // namespace quenthal::test
