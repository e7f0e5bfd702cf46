#pragma once
// The recursive sine oscillator: a complex state rotated by a fixed complex factor once per sample,
// in 64-bit floating point, so no trigonometric function runs per sample.

#include "engine/DspPersistent.h"

namespace quenthal {

struct TComplex64 {
    double Re = 0.0;
    double Im = 0.0;
};

class TCustomOscillator : public TDspSampleRatePersistent {};

class TCustomSimpleOscillator : public TCustomOscillator {
public:
    TCustomSimpleOscillator();

    double Amplitude() const noexcept { return FAmplitude; }
    virtual void SetAmplitude(double Value) = 0;
    virtual void CalculateNextSample() = 0;
    virtual void Reset() = 0;

protected:
    void AssignTo(TNotifiablePersistent& Dest) const override;

    double FAmplitude = 1.0;
    double FSampleRateInv;
};

class TCustomSimpleFrequencyOscillator : public TCustomSimpleOscillator {
public:
    float Frequency() const noexcept { return FFrequency; }
    void SetFrequency(float Value);

protected:
    void SampleRateChanged() override;
    virtual void FrequencyChanged() = 0;
    void AssignTo(TNotifiablePersistent& Dest) const override;

    float FFrequency = 440.0f;
};

class TCustomSimpleOscillator64 : public TCustomSimpleFrequencyOscillator {
public:
    // 440 Hz at 44100 Hz, amplitude 1, phase 0.
    TCustomSimpleOscillator64();

    // Rescales the state, so the phase is kept; from amplitude 0 the output restarts at phase pi.
    void SetAmplitude(double Value) override;
    void CalculateNextSample() override {
        const double x = FPosition.Re;
        const double y = FPosition.Im;
        FPosition.Re = x * FAngle.Re - y * FAngle.Im;
        FPosition.Im = y * FAngle.Re + x * FAngle.Im;
    }
    // Phase 0, amplitude kept.
    void Reset() override;

    // Radians; the output runs as A * sin(n * w - Phase).
    double Phase() const noexcept;
    void SetPhase(double Value) noexcept;
    double Sine() const noexcept { return FPosition.Re; }
    double Cosine() const noexcept { return FPosition.Im; }
    const TComplex64& Angle() const noexcept { return FAngle; }
    const TComplex64& Position() const noexcept { return FPosition; }

protected:
    void FrequencyChanged() override;
    void AssignTo(TNotifiablePersistent& Dest) const override;

    TComplex64 FAngle;
    TComplex64 FPosition;
};

class TSimpleOscillator64 final : public TCustomSimpleOscillator64 {
public:
    // Adds SampleCount successive values of each of Count oscillators to Sums, in the oscillators'
    // order at every sample, and leaves each oscillator as that many Sine/CalculateNextSample steps
    // would: the same sums, bit for bit, as the step-by-step loop.
    static void AddBlock(TSimpleOscillator64* Oscillators, int Count, double* Sums, int SampleCount) noexcept;
    // The same for two banks of Count oscillators at once (two outputs), each into its own sums.
    static void AddBlockPair(TSimpleOscillator64* OscillatorsA, TSimpleOscillator64* OscillatorsB, int Count,
                             double* SumsA, double* SumsB, int SampleCount) noexcept;

private:
    template <int N>
    static void AddGroup(TSimpleOscillator64* Oscillators, double* Sums, int SampleCount) noexcept;
    template <int N>
    static void AddGroupPair(TSimpleOscillator64* OscillatorsA, TSimpleOscillator64* OscillatorsB, double* SumsA,
                             double* SumsB, int SampleCount) noexcept;
};

}  // namespace quenthal
