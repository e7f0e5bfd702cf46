#pragma once
// The engine state of the main window and the five renderers that turn it into samples.
//
// Threads: the renderers run on the thread that processes a block (the driver's, or the GUI thread
// in deferred mode); everything else here runs on the GUI thread, except UpdateSamplerate, which a
// driver-reported rate change may also run on the driver's thread.
//
// FCriticalSection is the engine lock. A renderer holds it for its whole sample loop; the rebuilds,
// the sample-rate update and the parameter setters below take it too. On the GUI thread the generator
// containers and the settings of the objects in them (frequency, amplitude, gain, ratio) may be read
// at any time, since only the GUI thread changes them; the running state (phases, pink contributions)
// is read, and every object is changed, only under the lock: use the setters, or hold the lock.
// Values read across threads without the lock (fade, master gain, white gain, switches, SweepEnded,
// BurstRemaining, the requested timer interval) are atomics.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "asio/AsioBuffers.h"
#include "engine/DspPinkNoiseGenerator.h"
#include "engine/DspSimpleOscillator.h"
#include "engine/DspSquareOscillator.h"
#include "engine/audio_sweep_generator.h"

namespace quenthal {

enum class TFadeDirection : int32_t { fdNone, fdUp, fdDown };

enum class TWhiteNoiseDistribution : int32_t { wdRectangle, wdTriangle };

// The sine bank, indexed by output, then by sine.
using tsine = std::vector<std::vector<TSimpleOscillator64>>;
using tsquare = std::vector<TDspSquareOscillator>;
using tPink = std::vector<std::unique_ptr<TCustomPinkNoiseGenerator>>;

class TGeneratorCore {
public:
    // -6 dBFS as a single-precision gain: new sines and squares start at this level.
    static constexpr double kNewGeneratorGain = 0.5011872053146362;
    // -100 dBFS, "off": sines added to a bank start here.
    static constexpr double kSineOffGain = 1e-5;
    static constexpr float kNewGeneratorFrequency = 1000.0f;
    // Fade-in start, 10^(-90/20) rounded to single precision.
    static constexpr double kFadeInStartGain = 3.162277789670043e-5;

    // The creation values: one output, one sine, full fade gain fading up, no generator objects yet,
    // a sweep generator for 44100 Hz.
    TGeneratorCore();
    ~TGeneratorCore();
    TGeneratorCore(const TGeneratorCore&) = delete;
    TGeneratorCore& operator=(const TGeneratorCore&) = delete;

    // ---- Renderers: the TBufferSwitchEvent32 form; any buffers of any size; no allocation. ----
    // Each writes samples 0 .. OutBuffer.BufferSize() - 1 of every output buffer and ignores InBuffer.
    // Host outputs beyond the engine's outputs are silent (or carry output 1 where all outputs play
    // output 1). Switches and the white gain are read once per block. None of our generator objects
    // throws while rendering; should one do, the lock is released and the exception passes on.
    // Install with TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchSine32>(&core).
    void BufferSwitchSine32(void* Sender, const TArrayOfSingleFixedArray& InBuffer,
                            const TArrayOfSingleFixedArray& OutBuffer);
    void BufferSwitchRechteck32(void* Sender, const TArrayOfSingleFixedArray& InBuffer,
                                const TArrayOfSingleFixedArray& OutBuffer);
    void BufferSwitchSweep32(void* Sender, const TArrayOfSingleFixedArray& InBuffer,
                             const TArrayOfSingleFixedArray& OutBuffer);
    void BufferSwitchWhiteNoise32(void* Sender, const TArrayOfSingleFixedArray& InBuffer,
                                  const TArrayOfSingleFixedArray& OutBuffer);
    void BufferSwitchPinkNoise32(void* Sender, const TArrayOfSingleFixedArray& InBuffer,
                                 const TArrayOfSingleFixedArray& OutBuffer);

    // The gain for the next computed value, master times fade, rounded to single precision; each
    // reading moves the fade one step (x or / FFadeFactor).
    float CurrentGainL() noexcept;

    // ---- Structure (GUI thread). ----
    int32_t ChannelCount() const noexcept { return FChannelCount; }
    // A different count is stored and rebuilds the generator objects.
    void SetChannelCount(int32_t Value);
    int32_t SineCount() const noexcept { return FSineCount; }
    // A different count is stored and resizes the sine banks.
    void SetSineCount(int32_t Value);
    // Fresh sines (1000 Hz, -6 dBFS, phase 0) and squares (1000 Hz, -6 dBFS, ratio 0.5) for every
    // output at FSamplerate; the pink generator is made once and then kept.
    void ChannelCountChanged();
    // Keeps sine 1 of every output as it is; every other sine restarts at 1000 Hz, -100 dBFS.
    // Does nothing while the bank is empty (no device chosen yet).
    void SineCountChanged();

    int32_t Samplerate() const noexcept { return FSamplerate.load(std::memory_order_relaxed); }
    // Only stores the rate; UpdateSamplerate hands it to the generator objects.
    void SetSamplerate(int32_t Value) noexcept { FSamplerate.store(Value, std::memory_order_relaxed); }
    // The engine's share of the sample-rate handler: under the lock, every sine is reset and set to
    // FSamplerate, then the sweep generator, then every square. A rate of 0 throws ("Invalid
    // Samplerate!" from the first sine, "SampleRate must be > 0" from a square); the lock is released.
    void UpdateSamplerate();
    // Replaces SweepGen by a fresh one (default settings) for FSamplerate.
    void RecreateSweepGen();

    // ---- Start of the output: the sweep table (GUI thread). ----
    // Builds the table from SweepGen's settings (outside the lock), loads it and starts it.
    void GenerateAndStartSweep();
    // Loads a table into SweepGen under the lock and keeps it as the engine's sweep table.
    void LoadSweepTable(TSweepTable Table);

    // ---- Single parameters of existing objects, under the lock (GUI thread). ----
    // Indices out of range throw std::out_of_range.
    void SetSineFrequency(int32_t Output, int32_t Sine, float Frequency);
    void SetSineAmplitude(int32_t Output, int32_t Sine, double Amplitude);
    void SetSquareFrequency(int32_t Output, double Frequency);
    void SetSquareGain(int32_t Output, double Gain);
    void SetSquareRatio(int32_t Output, double Ratio);
    // Ignored before the pink generator exists.
    void SetPinkAmplitude(double Amplitude);

    // ---- The sweep's end report, read and cleared by the GUI timer. ----
    // The interval the GUI timer should now run at, in ms; 0 until a sweep end asked for one.
    int32_t RequestedTimerInterval() const noexcept { return FRequestedTimerInterval.load(std::memory_order_relaxed); }

    // ---- Engine fields. ----
    std::recursive_mutex FCriticalSection;
    std::atomic<double> FMainGainL{1.0};
    std::atomic<double> FFadeGain{1.0};
    std::atomic<double> FFadeFactor{1.001};
    std::atomic<TFadeDirection> FFadeDirection{TFadeDirection::fdUp};
    tPink FPinkNoise;
    tsine FSineOsc;
    std::atomic<double> FWhiteNoiseGain{1.0};

    tsquare SquareOsc;
    std::unique_ptr<TSweepLog> SweepGen;
    // The table built at the last start; SweepGen plays the same one.
    TSweepTable SweepTable;
    int32_t BurstFrameCount = 1;
    std::atomic<int32_t> BurstRemaining{0};
    double BurstPrevSample = 0.0;
    std::atomic<bool> SweepEnded{false};

    // ---- Switches the GUI thread writes and the renderers read. ----
    std::atomic<bool> IdenticalSineOutputs{false};    // "All Out1" of the sine page
    std::atomic<bool> IdenticalSquareOutputs{false};  // "All Out1" of the square page
    std::atomic<TWhiteNoiseDistribution> WhiteNoiseDistribution{TWhiteNoiseDistribution::wdRectangle};
    std::atomic<bool> BurstEnabled{false};            // "Burst: Frame count"
    std::atomic<bool> SweepLoop{false};               // the sweep page's loop switch "Active"

private:
    using TEngineLock = std::scoped_lock<std::recursive_mutex>;

    // Samples per chunk of the sine bank's scratch sums; blocks of any size run chunk by chunk.
    static constexpr int32_t kSineChunk = 64;
    static constexpr int32_t kSweepChunk = 4096;

    // The next readings all give the same gain and leave the fade as it is (no fade running).
    bool FadeIsSteady(float& Gain) const noexcept;
    void ResizeSineScratch(size_t OutputCount);
    void RenderSineChunk(const TArrayOfSingleFixedArray& OutBuffer, int32_t Start, int32_t Count, bool Identical,
                         bool Burst, int32_t& Remaining, double& Previous);
    void ReportSweepEnd(int32_t BufferSize) noexcept;

    int32_t FChannelCount = 1;
    int32_t FSineCount = 1;
    std::atomic<int32_t> FSamplerate{0};
    std::atomic<int32_t> FRequestedTimerInterval{0};

    // Scratch kept from block to block, sized on the GUI thread before any block needs it.
    std::vector<double> FSineSums;                     // kSineChunk per engine output
    std::vector<double> FSweepBlock;                   // kSweepChunk
};

}  // namespace quenthal
