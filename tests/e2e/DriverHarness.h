#pragma once
// Drives a bundled driver module the way the host does, through the real registry and the dlopen
// loader: Init, channel queries, CreateBuffers with the four callbacks, Start, blocks, Stop,
// DisposeBuffers, Release. The test fills the output halves in OnBlock on the driver's thread.

#include "asio/AsioDriverInterface.h"
#include "drivers/common/DriverModule.h"
#include "platform/DlopenModuleLoader.h"
#include "platform/DriverRegistry.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quenthal::test {

// The build tree's driver folder, so an installed copy never takes part in a test.
std::string TestDriverFolder();

// Keeps a module loaded for the whole test and reaches its test hooks.
class TModuleHooks {
public:
    explicit TModuleHooks(const std::string& modulePath);
    ~TModuleHooks();
    void SetConfigFolder(const std::string& folder) const;
    drivers::TDriverStatistics Statistics() const;

private:
    void* FModule = nullptr;
};

struct TBlockRecord {
    int32_t Half = -1;
    int32_t Direct = -1;
    int64_t SamplePosition = 0;
    int64_t SystemTime = 0;
    uint32_t Flags = 0;
    double SampleRate = 0;
};

struct TMessageRecord {
    int32_t Selector;
    int32_t Value;
};

class TDriverHarness {
public:
    // Loads the module that serves deviceName and points its settings at configFolder.
    TDriverHarness(const std::string& deviceName, const std::string& configFolder);
    ~TDriverHarness();

    IAsioDriver& Driver() { return *FDriver; }
    const TModuleHooks& Hooks() const { return *FHooks; }
    // A new driver object, the old one released (as the host's OpenDriver does). False: no object.
    bool Create();
    void ReleaseDriver();
    bool Init();

    // One descriptor per channel, inputs first, as the host builds them.
    TAsioError CreateBuffers(int32_t bufferSize);
    int32_t Inputs() const { return FInputs; }
    int32_t Outputs() const { return FOutputs; }
    int32_t BufferSize() const { return FBufferSize; }
    void* OutputHalf(int32_t channel, int half) const { return FInfos[FInputs + channel].Buffers[half]; }
    void* InputHalf(int32_t channel, int half) const { return FInfos[channel].Buffers[half]; }

    // Runs on the driver's thread for each block, before the harness records it.
    std::function<void(int half, const TBlockRecord& record)> OnBlock;
    std::atomic<bool> AnswerTimeInfo{true};

    size_t BlockCount() const { return FBlockCount.load(); }
    TBlockRecord Block(size_t index) const { return FBlocks[index]; }
    std::vector<TMessageRecord> Messages() const;
    std::vector<double> RateChanges() const;
    // Polls until the predicate holds or the time is up.
    static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);

private:
    static void BufferSwitch(int32_t half, TAsioBool direct);
    static TAsioTime* BufferSwitchTimeInfo(TAsioTime* time, int32_t half, TAsioBool direct);
    static void SampleRateDidChange(TAsioSampleRate rate);
    static int32_t AsioMessage(int32_t selector, int32_t value, void* message, double* opt);
    void Record(const TBlockRecord& record);

    std::unique_ptr<TDriverRegistry> FRegistry;
    std::unique_ptr<TDlopenModuleLoader> FLoader;
    std::unique_ptr<TModuleHooks> FHooks;
    TGuid FClsid;
    IAsioDriver* FDriver = nullptr;
    TAsioCallbacks FCallbacks;
    std::vector<TAsioBufferInfo> FInfos;
    int32_t FInputs = 0, FOutputs = 0, FBufferSize = 0;
    std::vector<TBlockRecord> FBlocks;  // preallocated: the block path records without allocating
    std::atomic<size_t> FBlockCount{0};
    mutable std::mutex FLock;
    std::vector<TMessageRecord> FMessages;
    std::vector<double> FRateChanges;
};

}  // namespace quenthal::test
