#include "tests/e2e/DriverHarness.h"

#include <dlfcn.h>

#include <stdexcept>
#include <thread>

namespace quenthal::test {

namespace {
std::atomic<TDriverHarness*> gHarness{nullptr};
constexpr size_t kMaxBlocks = 1 << 16;
}  // namespace

std::string TestDriverFolder() { return QUENTHAL_TEST_DRIVER_DIR; }

TModuleHooks::TModuleHooks(const std::string& modulePath) {
    FModule = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FModule) throw std::runtime_error("cannot load " + modulePath + ": " + dlerror());
}

TModuleHooks::~TModuleHooks() {
    if (FModule) dlclose(FModule);
}

void TModuleHooks::SetConfigFolder(const std::string& folder) const {
    auto set = reinterpret_cast<void (*)(const char*)>(dlsym(FModule, "quenthal_driver_set_config_folder"));
    if (!set) throw std::runtime_error("module without quenthal_driver_set_config_folder");
    set(folder.c_str());
}

drivers::TDriverStatistics TModuleHooks::Statistics() const {
    auto read = reinterpret_cast<int32_t (*)(drivers::TDriverStatistics*)>(dlsym(FModule, "quenthal_driver_statistics"));
    drivers::TDriverStatistics statistics;
    if (read) read(&statistics);
    return statistics;
}

TDriverHarness::TDriverHarness(const std::string& deviceName, const std::string& configFolder)
    : FRegistry(std::make_unique<TDriverRegistry>(std::vector<std::string>{TestDriverFolder()}, "")),
      FClsid(AsioClsidFromDeviceName(deviceName.c_str())),
      FBlocks(kMaxBlocks) {
    FLoader = std::make_unique<TDlopenModuleLoader>(*FRegistry, std::vector<std::string>{});
    const std::string module = FLoader->ModulePath(FClsid);
    if (module.empty()) throw std::runtime_error("no module lists " + deviceName);
    FHooks = std::make_unique<TModuleHooks>(module);
    FHooks->SetConfigFolder(configFolder);
    FCallbacks.bufferSwitch = &TDriverHarness::BufferSwitch;
    FCallbacks.bufferSwitchTimeInfo = &TDriverHarness::BufferSwitchTimeInfo;
    FCallbacks.sampleRateDidChange = &TDriverHarness::SampleRateDidChange;
    FCallbacks.AsioMessage = &TDriverHarness::AsioMessage;
    gHarness = this;
}

TDriverHarness::~TDriverHarness() {
    ReleaseDriver();
    gHarness = nullptr;
}

bool TDriverHarness::Create() {
    ReleaseDriver();
    FDriver = FLoader->CreateInstance(FClsid);
    return FDriver != nullptr;
}

void TDriverHarness::ReleaseDriver() {
    if (!FDriver) return;
    FDriver->Stop();
    FDriver->DisposeBuffers();
    FDriver->Release();
    FDriver = nullptr;
}

bool TDriverHarness::Init() {
    const TAsioBool answer = FDriver->Init(nullptr);
    return !(answer == 0 || (answer >= kAsioNotPresent && answer <= kAsioNoMemory));
}

TAsioError TDriverHarness::CreateBuffers(int32_t bufferSize) {
    FDriver->GetChannels(&FInputs, &FOutputs);
    FInfos.assign(static_cast<size_t>(FInputs + FOutputs), TAsioBufferInfo{});
    for (int32_t i = 0; i < FInputs + FOutputs; ++i) {
        FInfos[static_cast<size_t>(i)].IsInput = i < FInputs ? 1 : 0;
        FInfos[static_cast<size_t>(i)].ChannelNum = i < FInputs ? i : i - FInputs;
    }
    FBufferSize = bufferSize;
    FBlockCount = 0;
    return FDriver->CreateBuffers(FInfos.data(), FInputs + FOutputs, bufferSize, &FCallbacks);
}

std::vector<TMessageRecord> TDriverHarness::Messages() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FMessages;
}

std::vector<double> TDriverHarness::RateChanges() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FRateChanges;
}

bool TDriverHarness::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void TDriverHarness::Record(const TBlockRecord& record) {
    if (OnBlock) OnBlock(record.Half, record);
    const size_t index = FBlockCount.load(std::memory_order_relaxed);
    if (index < FBlocks.size()) {
        FBlocks[index] = record;
        FBlockCount.store(index + 1, std::memory_order_release);
    }
}

void TDriverHarness::BufferSwitch(int32_t half, TAsioBool direct) {
    if (TDriverHarness* harness = gHarness.load()) {
        TBlockRecord record;
        record.Half = half;
        record.Direct = direct;
        harness->Record(record);
    }
}

TAsioTime* TDriverHarness::BufferSwitchTimeInfo(TAsioTime* time, int32_t half, TAsioBool direct) {
    if (TDriverHarness* harness = gHarness.load()) {
        TBlockRecord record;
        record.Half = half;
        record.Direct = direct;
        if (time) {
            record.SamplePosition = AsioInt64ToInt64(time->TimeInfo.SamplePosition);
            record.SystemTime = AsioInt64ToInt64(time->TimeInfo.SystemTime);
            record.Flags = time->TimeInfo.Flags;
            record.SampleRate = time->TimeInfo.SampleRate;
        }
        harness->Record(record);
    }
    return nullptr;
}

void TDriverHarness::SampleRateDidChange(TAsioSampleRate rate) {
    if (TDriverHarness* harness = gHarness.load()) {
        std::lock_guard<std::mutex> guard(harness->FLock);
        harness->FRateChanges.push_back(rate);
    }
}

int32_t TDriverHarness::AsioMessage(int32_t selector, int32_t value, void*, double*) {
    TDriverHarness* harness = gHarness.load();
    if (!harness) return 0;
    if (selector == kAsioSupportsTimeInfo) return harness->AnswerTimeInfo ? 1 : 0;
    if (selector == kAsioSelectorSupported || selector == kAsioEngineVersion) return selector == 2 ? 2 : 1;
    std::lock_guard<std::mutex> guard(harness->FLock);
    harness->FMessages.push_back({selector, value});
    return 1;
}

}  // namespace quenthal::test
