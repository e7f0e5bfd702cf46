#pragma once
// Exponential sine sweep: computed whole as a table of 64-bit samples when the output starts, then
// handed out block by block.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/LargeBufferAllocator.h"

namespace quenthal {

using TDoubleDynArray = std::vector<double, TLargeBufferAllocator<double>>;
// A sweep table, shared between the engine and the generator that plays it.
using TSweepTable = std::shared_ptr<const TDoubleDynArray>;

class TSweepLog {
public:
    // 100 Hz to 5000 Hz, amplitude 1, 5 s, no loop, nothing loaded.
    explicit TSweepLog(double Fs);
    TSweepLog(const TSweepLog&) = delete;
    TSweepLog& operator=(const TSweepLog&) = delete;

    // round(Dur * Fs) samples of Amplitude * sin(L * (e^(t * K / Dur) - 1)) with K = ln(F2 / F1) and
    // L = Dur * 2 pi F1 / K: F1 at t = 0, F2 at t = Dur, starting at 0 and rising.
    // Frequencies that are not both positive and different throw EDspError: no such table exists.
    TSweepTable GenerateLogSweep(double F1, double F2, double Dur, double Amplitude) const;
    // The table for the generator's own settings, after correcting them (and keeping the corrections):
    // a start at or below 0 Hz is raised to 10 Hz, a stop not above the start becomes start + 100 Hz,
    // a duration below 0.01 s becomes 1 s.
    TSweepTable GenerateLogSweepSet();

    // Position 0, inactive. Not while a block is being pulled (the engine loads under its lock).
    void LoadSweep(TSweepTable Sweep);
    // Position 0, active; safe while blocks are pulled on the audio thread.
    void StartSweep() noexcept;
    // Fills Output[0 .. ASIOBufferSize - 1] from the table (zeros past its end or while inactive);
    // true while the whole block came from the table. Output must hold ASIOBufferSize values.
    bool ProcessSweepBlock(double* Output, int32_t ASIOBufferSize) noexcept;

    int32_t StartFrequenz() const noexcept { return FStartFreq; }
    void SetStartFrequenz(int32_t Value) noexcept { FStartFreq = Value; }
    int32_t StopFrequenz() const noexcept { return FStopFreq; }
    void SetStopFrequenz(int32_t Value) noexcept { FStopFreq = Value; }
    double Amplitude() const noexcept { return FAmplitude; }
    void SetAmplitude(double Value) noexcept { FAmplitude = Value; }
    double Duration() const noexcept { return FDuration_sec; }
    void SetDuration(double Value) noexcept { FDuration_sec = Value; }
    double Samplerate() const noexcept { return FFs; }
    void SetSamplerate(double Value) noexcept { FFs = Value; }
    bool Loop() const noexcept { return FLoop; }
    void SetLoop(bool Value) noexcept { FLoop = Value; }

    const TSweepTable& SweepBuffer() const noexcept { return FSweepBuffer; }
    int32_t SweepPos() const noexcept { return FSweepPos.load(std::memory_order_relaxed); }
    bool SweepActive() const noexcept { return FSweepActive.load(std::memory_order_relaxed); }

private:
    double FFs;
    TSweepTable FSweepBuffer;
    // Written by the audio thread's block pull and by a restart from the timer.
    std::atomic<int32_t> FSweepPos{0};
    std::atomic<bool> FSweepActive{false};
    int32_t FStopFreq = 5000;
    int32_t FStartFreq = 100;
    double FAmplitude = 1.0;
    double FDuration_sec = 5.0;
    bool FLoop = false;
};

}  // namespace quenthal
