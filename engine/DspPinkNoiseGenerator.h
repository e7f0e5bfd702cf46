#pragma once
// Pink noise from five random contributions, one renewed per sample with fixed probabilities:
// the slower a contribution changes, the more it weighs at low frequencies (about -3 dB/octave).

#include <array>
#include <cstdint>

#include "engine/DspPersistent.h"

namespace quenthal {

class TCustomPinkNoiseGenerator : public TDspPersistent {
public:
    static constexpr int kStageCount = 5;

    TCustomPinkNoiseGenerator() = default;

    virtual float ProcessSample32() = 0;
    virtual double ProcessSample64() = 0;

    void Clear() noexcept { FContribution.fill(0.0); }
    void ProcessBlock32(float* Data, int32_t SampleCount);
    void ProcessBlock64(double* Data, int32_t SampleCount);

    double Amplitude() const noexcept { return FAmplitude; }
    void SetAmplitude(double Value) noexcept { FAmplitude = Value; }
    const std::array<double, kStageCount>& Contribution() const noexcept { return FContribution; }

protected:
    void AssignTo(TNotifiablePersistent& Dest) const override;

    std::array<double, kStageCount> FContribution{};
    double FAmplitude = 1.0;
};

class TPinkNoiseGenerator final : public TCustomPinkNoiseGenerator {
public:
    // Cumulative probabilities: stage i is renewed when the first draw r0 <= kStageThreshold[i]
    // (and above every earlier threshold); above the last one nothing changes.
    static constexpr std::array<double, kStageCount> kStageThreshold = {0.00198, 0.01478, 0.06378, 0.23378, 0.91578};
    static constexpr std::array<double, kStageCount> kStageAmplitude = {0.2398, 0.18727, 0.1638, 0.194685, 0.214463};

    float ProcessSample32() override { return static_cast<float>(ProcessSample64()); }
    // Draws r0 and, when a stage is renewed, r for its new value (2r - 1) * peak.
    // No range check: the peaks sum to 1.000018, so even amplitude 1 may step a hair past full scale,
    // and an amplitude above 1 from a hand-edited preset is louder still. The host clips every output
    // to [-1, 1]; stopping the audio thread over it would be worse.
    double ProcessSample64() override;
};

}  // namespace quenthal
