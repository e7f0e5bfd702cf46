#include "engine/DspSimpleOscillator.h"

#include <cmath>
#include <numbers>

namespace quenthal {

TCustomSimpleOscillator::TCustomSimpleOscillator() : FSampleRateInv(1.0 / FSampleRate) {}

void TCustomSimpleOscillator::AssignTo(TNotifiablePersistent& Dest) const {
    if (auto* dest = dynamic_cast<TCustomSimpleOscillator*>(&Dest)) {
        dest->FAmplitude = FAmplitude;
        dest->FSampleRateInv = FSampleRateInv;
    }
    TCustomOscillator::AssignTo(Dest);
}

void TCustomSimpleFrequencyOscillator::SetFrequency(float Value) {
    if (Value != FFrequency) {
        FFrequency = Value;
        FrequencyChanged();
    }
}

void TCustomSimpleFrequencyOscillator::SampleRateChanged() {
    FrequencyChanged();
    Changed();
}

void TCustomSimpleFrequencyOscillator::AssignTo(TNotifiablePersistent& Dest) const {
    if (auto* dest = dynamic_cast<TCustomSimpleFrequencyOscillator*>(&Dest)) dest->FFrequency = FFrequency;
    TCustomSimpleOscillator::AssignTo(Dest);
}

TCustomSimpleOscillator64::TCustomSimpleOscillator64() {
    // Constructors cannot dispatch to overrides, so this level runs its own Reset and
    // FrequencyChanged, which are the bodies the finished object uses.
    TCustomSimpleOscillator64::Reset();
    FSampleRateInv = 1.0 / FSampleRate;
    TCustomSimpleOscillator64::FrequencyChanged();
}

void TCustomSimpleOscillator64::SetAmplitude(double Value) {
    if (Value == FAmplitude) return;
    if (FAmplitude != 0.0) {
        FPosition.Re = FPosition.Re / FAmplitude * Value;
        FPosition.Im = FPosition.Im / FAmplitude * Value;
    } else {
        FPosition = {0.0, Value};
    }
    FAmplitude = Value;
}

void TCustomSimpleOscillator64::Reset() { SetPhase(0.0); }

double TCustomSimpleOscillator64::Phase() const noexcept { return -std::atan2(FPosition.Re, -FPosition.Im); }

void TCustomSimpleOscillator64::SetPhase(double Value) noexcept {
    FPosition.Re = -FAmplitude * std::sin(Value);
    FPosition.Im = -FAmplitude * std::cos(Value);
}

void TCustomSimpleOscillator64::FrequencyChanged() {
    FSampleRateInv = 1.0 / FSampleRate;
    const double w = 2.0 * std::numbers::pi * FFrequency * FSampleRateInv;
    FAngle = {std::cos(w), std::sin(w)};
    Changed();
}

void TCustomSimpleOscillator64::AssignTo(TNotifiablePersistent& Dest) const {
    if (auto* dest = dynamic_cast<TCustomSimpleOscillator64*>(&Dest)) {
        dest->FAngle = FAngle;
        dest->FPosition = FPosition;
    }
    TCustomSimpleFrequencyOscillator::AssignTo(Dest);
}

// Up to four oscillators side by side: their recursions are independent, so the processor overlaps
// them instead of waiting for each multiply-add chain; the additions into the sum keep their order.
template <int N>
void TSimpleOscillator64::AddGroup(TSimpleOscillator64* Oscillators, double* Sums, int SampleCount) noexcept {
    double x[N], y[N], c[N], s[N];
#pragma GCC unroll 4
    for (int k = 0; k < N; ++k) {
        x[k] = Oscillators[k].FPosition.Re;
        y[k] = Oscillators[k].FPosition.Im;
        c[k] = Oscillators[k].FAngle.Re;
        s[k] = Oscillators[k].FAngle.Im;
    }
    for (int t = 0; t < SampleCount; ++t) {
        double sum = Sums[t];
#pragma GCC unroll 4
        for (int k = 0; k < N; ++k) sum = sum + x[k];
        Sums[t] = sum;
#pragma GCC unroll 4
        for (int k = 0; k < N; ++k) {
            const double nx = x[k] * c[k] - y[k] * s[k];
            const double ny = y[k] * c[k] + x[k] * s[k];
            x[k] = nx;
            y[k] = ny;
        }
    }
#pragma GCC unroll 4
    for (int k = 0; k < N; ++k) Oscillators[k].FPosition = {x[k], y[k]};
}

void TSimpleOscillator64::AddBlock(TSimpleOscillator64* Oscillators, int Count, double* Sums,
                                   int SampleCount) noexcept {
    int k = 0;
    for (; Count - k >= 4; k += 4) AddGroup<4>(Oscillators + k, Sums, SampleCount);
    switch (Count - k) {
        case 3: AddGroup<3>(Oscillators + k, Sums, SampleCount); break;
        case 2: AddGroup<2>(Oscillators + k, Sums, SampleCount); break;
        case 1: AddGroup<1>(Oscillators + k, Sums, SampleCount); break;
        default: break;
    }
}

#if defined(__GNUC__)
// Two outputs side by side in the two lanes of one vector: each lane does exactly the scalar
// operations (no fused multiply-add), so every lane's sums keep their bits.
typedef double TLanePair __attribute__((vector_size(16)));

template <int N>
void TSimpleOscillator64::AddGroupPair(TSimpleOscillator64* OscillatorsA, TSimpleOscillator64* OscillatorsB,
                                       double* SumsA, double* SumsB, int SampleCount) noexcept {
    TLanePair x[N], y[N], c[N], s[N];
#pragma GCC unroll 4
    for (int k = 0; k < N; ++k) {
        x[k] = TLanePair{OscillatorsA[k].FPosition.Re, OscillatorsB[k].FPosition.Re};
        y[k] = TLanePair{OscillatorsA[k].FPosition.Im, OscillatorsB[k].FPosition.Im};
        c[k] = TLanePair{OscillatorsA[k].FAngle.Re, OscillatorsB[k].FAngle.Re};
        s[k] = TLanePair{OscillatorsA[k].FAngle.Im, OscillatorsB[k].FAngle.Im};
    }
    for (int t = 0; t < SampleCount; ++t) {
        TLanePair sum = TLanePair{SumsA[t], SumsB[t]};
#pragma GCC unroll 4
        for (int k = 0; k < N; ++k) sum = sum + x[k];
        SumsA[t] = sum[0];
        SumsB[t] = sum[1];
#pragma GCC unroll 4
        for (int k = 0; k < N; ++k) {
            const TLanePair nx = x[k] * c[k] - y[k] * s[k];
            const TLanePair ny = y[k] * c[k] + x[k] * s[k];
            x[k] = nx;
            y[k] = ny;
        }
    }
#pragma GCC unroll 4
    for (int k = 0; k < N; ++k) {
        OscillatorsA[k].FPosition = {x[k][0], y[k][0]};
        OscillatorsB[k].FPosition = {x[k][1], y[k][1]};
    }
}

void TSimpleOscillator64::AddBlockPair(TSimpleOscillator64* OscillatorsA, TSimpleOscillator64* OscillatorsB, int Count,
                                       double* SumsA, double* SumsB, int SampleCount) noexcept {
    int k = 0;
    for (; Count - k >= 4; k += 4) AddGroupPair<4>(OscillatorsA + k, OscillatorsB + k, SumsA, SumsB, SampleCount);
    switch (Count - k) {
        case 3: AddGroupPair<3>(OscillatorsA + k, OscillatorsB + k, SumsA, SumsB, SampleCount); break;
        case 2: AddGroupPair<2>(OscillatorsA + k, OscillatorsB + k, SumsA, SumsB, SampleCount); break;
        case 1: AddGroupPair<1>(OscillatorsA + k, OscillatorsB + k, SumsA, SumsB, SampleCount); break;
        default: break;
    }
}
#else
void TSimpleOscillator64::AddBlockPair(TSimpleOscillator64* OscillatorsA, TSimpleOscillator64* OscillatorsB, int Count,
                                       double* SumsA, double* SumsB, int SampleCount) noexcept {
    AddBlock(OscillatorsA, Count, SumsA, SampleCount);
    AddBlock(OscillatorsB, Count, SumsB, SampleCount);
}
#endif

}  // namespace quenthal
