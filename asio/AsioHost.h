#pragma once
// The ASIO host: chooses a driver from the driver list, opens it, creates its double buffers, starts
// and stops the stream, answers the driver's callbacks and runs the per-block conversion between the
// driver's sample format and the float buffers of OnBufferSwitch32 / OnBufferSwitch64.
//
// Threads: every public operation and property, and every event except the per-block ones, belong to
// the GUI thread. The driver calls back on its own thread; the block (OnUpdateSamplePos,
// OnBufferSwitchNative, OnBufferSwitch32/64) runs there in direct mode and on the GUI thread for
// deferred blocks. Driver requests (reset, resync, latency change) always run on the GUI thread.
// Only one host may live in a process: the driver callbacks carry no context.

#include "asio/AsioBuffers.h"
#include "asio/AsioConvert.h"
#include "asio/AsioDriverInterface.h"
#include "asio/AsioGenerator.h"
#include "asio/AsioHostError.h"
#include "asio/AsioInterface.h"
#include "asio/AsioList.h"
#include "asio/AsioPublishedEvent.h"
#include "asio/AsioTimeSub.h"
#include "platform/GuiQueue.h"
#include "platform/ModuleLoader.h"
#include "platform/Registry.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quenthal {

// What the host needs from the platform; the referenced objects must outlive the host.
struct TAsioHostEnvironment {
    const IRegistry& Registry;
    IModuleLoader& Loader;
    IGuiQueue& GuiQueue;
    TDriverSearchFolders Folders;
};

// Optional driver features found by asking Future 9 to 16.
using TAsioCanDos = uint32_t;
inline constexpr TAsioCanDos acdInputMonitor = 1u << 0;
inline constexpr TAsioCanDos acdTimeInfo = 1u << 1;
inline constexpr TAsioCanDos acdTimeCode = 1u << 2;
inline constexpr TAsioCanDos acdTransport = 1u << 3;
inline constexpr TAsioCanDos acdInputGain = 1u << 4;
inline constexpr TAsioCanDos acdInputMeter = 1u << 5;
inline constexpr TAsioCanDos acdOutputGain = 1u << 6;
inline constexpr TAsioCanDos acdOutputMeter = 1u << 7;

// What the host tells the driver it supports.
using TAsioSupports = uint32_t;
inline constexpr TAsioSupports assSupportsTimeInfo = 1u << 0;
inline constexpr TAsioSupports assSupportsTimeCode = 1u << 1;
inline constexpr TAsioSupports assSupportsInputMonitor = 1u << 2;

class TCustomAsioHostBasic;
using THostNotifyEvent = std::function<void(TCustomAsioHostBasic& sender)>;
using TSamplePositionUpdateEvent = std::function<void(TCustomAsioHostBasic& sender, int64_t samplePosition)>;
using TBufferSwitchEventNative =
    std::function<void(TCustomAsioHostBasic& sender, const TAsioBufferInfo* bufferInfo, int32_t bufferIndex)>;
// A failure that happened away from a caller: an exception inside a block (reported once per run),
// or a driver-requested reset that failed.
using THostErrorEvent = std::function<void(TCustomAsioHostBasic& sender, const std::string& message)>;

class TCustomAsioHostBasic {
public:
    // Throws EAsioHostError "Only one Asio host is allowed per instance" while another host lives.
    explicit TCustomAsioHostBasic(const TAsioHostEnvironment& environment);
    virtual ~TCustomAsioHostBasic();
    TCustomAsioHostBasic(const TCustomAsioHostBasic&) = delete;
    TCustomAsioHostBasic& operator=(const TCustomAsioHostBasic&) = delete;

    // Raises OnCreate: call once the stored properties have been applied.
    void Loaded();

    // ---- Properties -------------------------------------------------------------------------
    bool Active() const noexcept { return FActive; }
    virtual void SetActive(bool value);
    TAsioTimeSub& AsioTime() noexcept { return FAsioTime; }
    int32_t BufferMinimum() const noexcept { return FMin; }
    int32_t BufferMaximum() const noexcept { return FMax; }
    int32_t BufferPreferredSize() const noexcept { return FPref; }
    int32_t BufferGranularity() const noexcept { return FGran; }
    uint32_t BufferSize() const noexcept { return FBufferSize; }
    bool BuffersCreated() const noexcept { return FBuffersCreated; }
    TAsioCanDos CanDos() const noexcept { return FAsioCanDos; }
    int32_t DriverIndex() const noexcept { return FDriverIndex; }
    virtual void SetDriverIndex(int32_t value);
    const std::vector<std::string>& DriverList() const noexcept { return FAsioDriverList.NameList(); }
    const std::string& DriverName() const noexcept { return FDriverName; }
    virtual void SetDriverName(const std::string& value);
    int32_t DriverVersion() const noexcept { return FDriverVersion; }
    int32_t InputChannelCount() const noexcept { return FInputChannelCount; }
    int32_t OutputChannelCount() const noexcept { return FOutputChannelCount; }
    int32_t InputLatency() const noexcept { return FInputLatency; }
    int32_t OutputLatency() const noexcept { return FOutputLatency; }
    double SampleRate() const noexcept { return FSampleRate.load(std::memory_order_relaxed); }
    virtual void SetSampleRate(double value);
    TAsioSupports Supports() const noexcept { return FAsioSupports.load(std::memory_order_relaxed); }
    void SetSupports(TAsioSupports value) noexcept { FAsioSupports.store(value, std::memory_order_relaxed); }
    bool DriverOpen() const noexcept { return FDriver != nullptr; }
    // Blocks whose handlers threw since the host was created.
    uint32_t BlockFaultCount() const noexcept { return FBlockFaultCount.load(std::memory_order_relaxed); }

    // ---- Operations -------------------------------------------------------------------------
    virtual void OpenDriver();
    virtual void CloseDriver();
    virtual void Reset();
    virtual void ControlPanel();
    virtual int32_t CanSampleRate(double sampleRate);
    virtual int32_t GetNumDrivers() const;
    void SetIgnoredDriver(const TGuid& ignore);
    TAsioChannelInfo GetInputChannelInfo(int32_t index) const;
    TAsioChannelInfo GetOutputChannelInfo(int32_t index) const;
    virtual void SetInputGain(int32_t channel, int32_t gain);
    virtual void SetOutputGain(int32_t channel, int32_t gain);
    virtual int32_t GetInputMeter(int32_t channel);
    virtual int32_t GetOutputMeter(int32_t channel);

    // ---- Events -----------------------------------------------------------------------------
    THostNotifyEvent OnCreate, OnDestroy, OnDriverChanged, OnReset, OnLatencyChanged, OnSampleRateChanged,
        OnBuffersCreate, OnBuffersDispose;
    TSamplePositionUpdateEvent OnUpdateSamplePos;
    TBufferSwitchEventNative OnBufferSwitch;  // the block event of this base class only
    THostErrorEvent OnError;

    // The callbacks handed to every driver; they reach the host through the current-host reference.
    static const TAsioCallbacks& DriverCallbacks() noexcept;
    static TCustomAsioHostBasic* CurrentHost() noexcept;

protected:
    virtual bool PrepareBuffers();
    virtual void BufferSwitch(int32_t index);
    virtual void BufferSwitchTimeInfo(int32_t index, const TAsioTime& params);
    virtual void ReleaseBuffers();
    virtual void ReadBufferSizes();

    // Stops, closes and leaves the current-host role; run by the most derived destructor first, so
    // no block runs on buffers that are being freed. Runs once.
    void ShutDown() noexcept;

    // The driver as the block sees it: set while buffers exist, null otherwise.
    IStdCallAsio* BlockDriver() const noexcept { return FBlockDriver.load(std::memory_order_acquire); }
    TAsioBufferInfo* InputBuffers() const noexcept { return FInputBuffers; }
    TAsioBufferInfo* OutputBuffers() const noexcept { return FOutputBuffers; }
    const std::vector<TInConverter>& InConverters() const noexcept { return FInConverters; }
    const std::vector<TOutConverter>& OutConverters() const noexcept { return FOutConverters; }
    const std::vector<TAsioChannelInfo>& OutputChannelInfos() const noexcept { return FOutputChannelInfos; }
    // Step 2 of every block: OnUpdateSamplePos on the block's thread.
    void DispatchSamplePosition(const TAsioTime& params);
    // The exception path of a block: silence in this half, the GUI thread told once per run.
    void SilenceOutputs(int32_t index) noexcept;
    void NoteBlockFault(const char* message) noexcept;
    // Called while no block can run (stream stopped): lets subclasses free replaced handlers.
    virtual void BlocksStopped() {}

private:
    friend struct TAsioHostCallbacks;
    enum class THostMessage { DriverRequest, SamplePosition, DeferredBlock, DeferredBlockTimeInfo, Reset };

    void ClearDriverInfo();
    void ClearDriverBuffers() noexcept;
    void QueryCanDos();
    void QueryClockSources();
    void ReadSampleRate();
    void PostHostMessage(THostMessage message, int32_t wParam, int32_t lParam);
    void PostDeferredTimeInfoBlock(const TAsioTime& params, int32_t index);
    void HandleHostMessage(THostMessage message, int32_t wParam, int32_t lParam);
    void ResetFromDriverRequest();

    const IRegistry& FRegistry;
    IModuleLoader& FLoader;
    IGuiQueue& FGuiQueue;
    // Lets queued GUI closures find out whether this host still lives.
    std::shared_ptr<std::atomic<TCustomAsioHostBasic*>> FSelf;
    bool FShutDown = false;

    int32_t FMin = 0, FMax = 0, FPref = 0, FGran = 0;
    std::shared_ptr<IStdCallAsio> FDriver;
    std::atomic<IStdCallAsio*> FBlockDriver{nullptr};
    TAsioTimeSub FAsioTime;
    int32_t FEngineVersion = 2;
    bool FBuffersCreated = false;
    TAsioCanDos FAsioCanDos = 0;
    TAsioDriverList FAsioDriverList;
    TAsioCallbacks FCallbacks;
    std::unique_ptr<unsigned char[]> FUnAlignedBuffer;
    std::atomic<double> FSampleRate{44100.0};
    TAsioBufferInfo* FInputBuffers = nullptr;
    TAsioBufferInfo* FOutputBuffers = nullptr;
    bool FActive = false;
    int32_t FDriverIndex = -1;
    std::string FDriverName;
    int32_t FDriverVersion = 0;
    int32_t FInputLatency = 0, FOutputLatency = 0;
    int32_t FInputChannelCount = 0, FOutputChannelCount = 0;
    uint32_t FBufferSize = 0;
    std::vector<TAsioChannelInfo> FInputChannelInfos, FOutputChannelInfos;
    std::vector<TInConverter> FInConverters;
    std::vector<TOutConverter> FOutConverters;
    std::atomic<TAsioSupports> FAsioSupports{assSupportsTimeInfo | assSupportsTimeCode};

    std::atomic<bool> FBlockFaultReported{false};
    std::atomic<uint32_t> FBlockFaultCount{0};
    char FBlockFaultText[256] = {};
};

enum class TConvertMethod { cmNone, cm32, cm64 };
enum class TPreventClipping { pcNone, pcDigital, pcAnalog };
enum class TBufferPreFill { bpfNone, bpfZero, bpfNoise, bpfCustom };
enum class TAsioOutputDither { odNone, odUDF, odTDF };
using TConvertOptimizations = uint32_t;
inline constexpr TConvertOptimizations coSSE = 1u << 0;
inline constexpr TConvertOptimizations co3DNow = 1u << 1;

class TCustomAsioHost : public TCustomAsioHostBasic {
public:
    explicit TCustomAsioHost(const TAsioHostEnvironment& environment);
    ~TCustomAsioHost() override;

    TConvertMethod ConvertMethod() const noexcept { return FConvertMethod; }
    void SetConvertMethod(TConvertMethod value);
    TConvertOptimizations ConvertOptimizations() const noexcept { return FConvertOptimizations; }
    void SetConvertOptimizations(TConvertOptimizations value);
    TASIOGenerator* CustomGenerator() const noexcept { return FAsioGenerator; }
    void SetCustomGenerator(TASIOGenerator* value);
    bool InputMonitor() const noexcept { return FInputMonitor; }
    void SetInputMonitor(bool value) noexcept { FInputMonitor = value; }
    TAsioOutputDither OutputDither() const noexcept { return FOutputDither; }
    void SetOutputDither(TAsioOutputDither value);
    TBufferPreFill PreFillInBuffer() const noexcept { return FInBufferPreFill; }
    void SetPreFillInBuffer(TBufferPreFill value) noexcept { FInBufferPreFill = value; }
    TBufferPreFill PreFillOutBuffer() const noexcept { return FOutBufferPreFill; }
    void SetPreFillOutBuffer(TBufferPreFill value) noexcept { FOutBufferPreFill = value; }
    TPreventClipping PreventClipping() const noexcept { return FPreventClipping; }
    void SetPreventClipping(TPreventClipping value);

    // The 32-bit handler may be replaced while the stream runs; the block sees either the old or
    // the new handler, whole. Going from none to some handler (or back) reallocates the float
    // arrays and must happen while stopped.
    TBufferSwitchEvent32 OnBufferSwitch32() const noexcept { return FOnBufferSwitch32.Load(); }
    void SetOnBufferSwitch32(const TBufferSwitchEvent32& handler);
    TBufferSwitchEvent64 OnBufferSwitch64() const noexcept { return FOnBufferSwitch64.Load(); }
    void SetOnBufferSwitch64(const TBufferSwitchEvent64& handler);
    TBufferSwitchEventNative OnBufferSwitchNative;

    // The float arrays of the block (for inspection; valid until the next PrepareBuffers).
    TArrayOfSingleFixedArray SingleInBuffer() const noexcept;
    TArrayOfSingleFixedArray SingleOutBuffer() const noexcept;
    TArrayOfDoubleFixedArray DoubleInBuffer() const noexcept;
    TArrayOfDoubleFixedArray DoubleOutBuffer() const noexcept;

protected:
    bool PrepareBuffers() override;
    void BufferSwitchTimeInfo(int32_t index, const TAsioTime& params) override;
    void ReadBufferSizes() override;
    void BlocksStopped() override;

    virtual void ConvertMethodChanged();
    virtual void ConvertOptimizationsChanged();
    virtual void CustomGeneratorChanged();
    virtual void PreventClippingChanged();
    virtual void UpdateFloatBuffers();

private:
    template <typename Sample>
    struct TFloatBuffers {
        std::vector<std::vector<Sample>> Storage;
        std::vector<Sample*> Channels;
        void Resize(int32_t channelCount, uint32_t bufferSize);
        void Free();
    };
    template <typename Sample>
    void ProcessBlock(int32_t index, TFloatBuffers<Sample>& in, TFloatBuffers<Sample>& out);
    void UpdateConvertMethod();

    TPreventClipping FPreventClipping = TPreventClipping::pcNone;
    TBufferPreFill FInBufferPreFill = TBufferPreFill::bpfNone;
    TBufferPreFill FOutBufferPreFill = TBufferPreFill::bpfNone;
    TPublishedEvent<TBufferSwitchEvent32> FOnBufferSwitch32;
    TPublishedEvent<TBufferSwitchEvent64> FOnBufferSwitch64;
    TASIOGenerator* FAsioGenerator = nullptr;
    TFloatBuffers<float> FSingleInBuffer, FSingleOutBuffer;
    TFloatBuffers<double> FDoubleInBuffer, FDoubleOutBuffer;
    bool FInputMonitor = false;
    TConvertOptimizations FConvertOptimizations = coSSE | co3DNow;
    TClipBuffer FClipPrevent{&ClipDigital32, &ClipDigital64};
    TConvertMethod FConvertMethod = TConvertMethod::cmNone;
    TAsioOutputDither FOutputDither = TAsioOutputDither::odNone;
};

// The host as the program uses it.
class TAsioHost final : public TCustomAsioHost {
public:
    using TCustomAsioHost::TCustomAsioHost;
    // Stops and closes before any base destructor runs: a block still on the driver's thread must
    // finish while the whole object is intact.
    ~TAsioHost() override { ShutDown(); }
};

}  // namespace quenthal
