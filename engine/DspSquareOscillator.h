#pragma once
// Square wave from a 64-bit phase accumulator: +gain while the phase is below the duty ratio,
// -gain for the rest of the period.

#include <cmath>

namespace quenthal {

class TDspSquareOscillator {
public:
    // 1000 Hz, gain 0.7, duty ratio 0.5, phase 0; a rate <= 0 throws EDspError "SampleRate must be > 0".
    explicit TDspSquareOscillator(double ASampleRate);
    virtual ~TDspSquareOscillator() = default;
    TDspSquareOscillator(const TDspSquareOscillator&) = default;
    TDspSquareOscillator& operator=(const TDspSquareOscillator&) = default;

    // The current value, then one sample on; the edges follow the accumulated phase.
    float NextSample() noexcept {
        const float value = static_cast<float>(FRatio > FPhase ? FGain : -FGain);
        FPhase = FPhase + FPhaseInc;
        if (FPhase >= 1.0) FPhase = FPhase - std::floor(FPhase);
        return value;
    }
    virtual void Reset() { FPhase = 0.0; }

    double SampleRate() const noexcept { return FSampleRate; }
    // <= 0 throws EDspError "SampleRate must be > 0" and keeps the old rate; the phase is kept.
    void SetSampleRate(double Value);
    double Frequency() const noexcept { return FFrequency; }
    // A negative frequency is taken as 0 (the output holds its level); the phase is kept.
    void SetFrequency(double Value) noexcept;
    double Gain() const noexcept { return FGain; }
    void SetGain(double Value) noexcept { FGain = Value; }
    double Ratio() const noexcept { return FRatio; }
    // Limited to 0 (always -gain) .. 1 (always +gain).
    void SetRatio(double Value) noexcept;
    double Phase() const noexcept { return FPhase; }
    double PhaseInc() const noexcept { return FPhaseInc; }

private:
    void UpdatePhaseInc() noexcept;

    double FSampleRate = 0.0;
    double FFrequency = 1000.0;
    double FGain = 0.7;
    double FRatio = 0.5;
    double FPhase = 0.0;
    double FPhaseInc = 0.0;
};

}  // namespace quenthal
