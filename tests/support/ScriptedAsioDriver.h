#pragma once
// An in-process driver for the tests: every answer comes from a script, every call the host makes is
// recorded, and blocks are delivered either by hand on the test's thread (direct or deferred) or
// from a thread of its own at the block rate.

#include "asio/AsioDriverInterface.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace quenthal::test {

struct TDriverScript {
    std::string Name = "Scripted Driver";
    bool NameUnterminated = false;  // fills all 256 bytes with 'X', no terminator
    int32_t Version = 7;
    std::string ErrorMessage = "no error";

    int32_t InputChannels = 2;
    int32_t OutputChannels = 2;
    int32_t DefaultSampleType = ASIOSTFloat32LSB;
    std::vector<int32_t> InputTypes;   // per channel; missing entries use DefaultSampleType
    std::vector<int32_t> OutputTypes;
    bool UnterminatedChannelNames = false;
    std::set<int32_t> NullInputHalves;   // channels whose halves stay null after CreateBuffers
    std::set<int32_t> NullOutputHalves;

    int32_t MinSize = 64, MaxSize = 4096, PreferredSize = 1024, Granularity = -1;
    std::vector<double> SupportedRates{44100, 48000, 88200, 96000, 176400, 192000};
    double CurrentRate = 48000;
    int32_t InputLatency = 256, OutputLatency = 512;

    TAsioBool InitResult = 1;
    TAsioError CreateBuffersResult = kAsioOK;
    TAsioError StartResult = kAsioOK;
    TAsioError SamplePositionResult = kAsioOK;
    std::map<int32_t, TAsioError> FutureAnswers;  // selector -> answer; others kAsioInvalidParameter
    int32_t Meter = -3;

    // Threaded mode: Start launches a thread that delivers blocks at BufferSize / CurrentRate (or as
    // fast as it can with FreeRun) until Stop.
    bool Threaded = false;
    bool FreeRun = false;
    bool ThreadUsesTimeInfo = true;
    TAsioBool ThreadDirectProcess = 1;
};

class TScriptedAsioDriver;

// What the test holds: the script, the log of calls and the driver object while it lives.
class TScriptedDriverControl {
public:
    TDriverScript Script;

    std::vector<std::string> Calls() const;
    void ClearCalls();
    size_t CountOf(const std::string& call) const;
    void Record(std::string call);

    // Per-block calls are counted, not logged, so a block records without allocating.
    std::atomic<uint64_t> OutputReadyCount{0};
    std::atomic<uint64_t> SamplePositionCount{0};
    std::atomic<uint64_t> BlocksDelivered{0};
    std::atomic<int> LiveObjects{0};

    // Called on the delivering thread around each block (the real-time check sets its flag here).
    void (*BeforeBlock)() = nullptr;
    void (*AfterBlock)() = nullptr;

    // The live driver object, or nullptr once it has been released.
    TScriptedAsioDriver* Driver() const;

private:
    friend class TScriptedAsioDriver;
    mutable std::mutex FMutex;
    std::vector<std::string> FCalls;
    TScriptedAsioDriver* FDriver = nullptr;
};

class TScriptedAsioDriver final : public IAsioDriver {
public:
    explicit TScriptedAsioDriver(std::shared_ptr<TScriptedDriverControl> control);

    int32_t QueryInterface(const TGuid& iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    TAsioBool Init(void* sysHandle) override;
    void GetDriverName(char* name) override;
    int32_t GetDriverVersion() override;
    void GetErrorMessage(char* text) override;
    TAsioError Start() override;
    TAsioError Stop() override;
    TAsioError GetChannels(int32_t* numInputChannels, int32_t* numOutputChannels) override;
    TAsioError GetLatencies(int32_t* inputLatency, int32_t* outputLatency) override;
    TAsioError GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize, int32_t* granularity) override;
    TAsioError CanSampleRate(TAsioSampleRate sampleRate) override;
    TAsioError GetSampleRate(TAsioSampleRate* sampleRate) override;
    TAsioError SetSampleRate(TAsioSampleRate sampleRate) override;
    TAsioError GetClockSources(TAsioClockSource* clocks, int32_t* numSources) override;
    TAsioError SetClockSource(int32_t reference) override;
    TAsioError GetSamplePosition(TAsioInt64* samplePosition, TAsioInt64* timeStamp) override;
    TAsioError GetChannelInfo(TAsioChannelInfo* info) override;
    TAsioError CreateBuffers(TAsioBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                             TAsioCallbacks* callbacks) override;
    TAsioError DisposeBuffers() override;
    TAsioError ControlPanel() override;
    TAsioError Future(int32_t selector, void* opt) override;
    TAsioError OutputReady() override;

    // ---- Driving the host by hand (test thread) ----------------------------------------------
    // Delivers the next half (0, 1, 0, ...) and returns its index. timeInfo picks
    // bufferSwitchTimeInfo over bufferSwitch; direct 0 asks the host to process later.
    int32_t Step(bool timeInfo = true, TAsioBool directProcess = 1);
    // Delivers a block with a chosen index, as a misbehaving driver might.
    void StepWithIndex(int32_t index, bool timeInfo = true, TAsioBool directProcess = 1);
    // Calls from a thread of the driver, and waits for the answer.
    int32_t SendMessageFromDriverThread(int32_t selector, int32_t value);
    void SampleRateDidChangeFromDriverThread(double rate);

    // The driver's halves; sample bytes plus kGuardBytes of 0xA5 behind each half.
    static constexpr size_t kGuardBytes = 16;
    uint8_t* InputHalf(int32_t channel, int32_t half);
    uint8_t* OutputHalf(int32_t channel, int32_t half);
    int32_t BufferSize() const { return FBufferSize; }
    const TAsioCallbacks* Callbacks() const { return FCallbacksGiven ? &FCallbacks : nullptr; }
    bool Running() const { return FRunning.load(); }
    int64_t SamplePosition() const { return FSamplePosition.load(); }

private:
    ~TScriptedAsioDriver() override;
    int32_t SampleTypeOf(bool input, int32_t channel) const;
    void DeliverBlock(int32_t index, bool timeInfo, TAsioBool directProcess);
    void ThreadLoop();
    void StopThread();

    std::shared_ptr<TScriptedDriverControl> FControl;
    std::atomic<uint32_t> FReferences{1};
    bool FInitialised = false;

    struct TChannelBuffer {
        bool IsInput = false;
        int32_t Channel = 0;
        std::vector<uint8_t> Half[2];
    };
    std::vector<TChannelBuffer> FBuffers;
    int32_t FBufferSize = 0;
    TAsioCallbacks FCallbacks;
    bool FCallbacksGiven = false;
    int32_t FNextHalf = 0;
    std::atomic<int64_t> FSamplePosition{0};
    std::atomic<double> FRateForBlocks{48000.0};

    std::atomic<bool> FRunning{false};
    std::thread FThread;
    std::mutex FThreadMutex;
    std::condition_variable FThreadWake;
    bool FThreadStop = false;
};

}  // namespace quenthal::test
