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
    for (int k = 0; k < N; ++k) {
        x[k] = Oscillators[k].FPosition.Re;
        y[k] = Oscillators[k].FPosition.Im;
        c[k] = Oscillators[k].FAngle.Re;
        s[k] = Oscillators[k].FAngle.Im;
    }
    for (int t = 0; t < SampleCount; ++t) {
        double sum = Sums[t];
        for (int k = 0; k < N; ++k) sum = sum + x[k];
        Sums[t] = sum;
        for (int k = 0; k < N; ++k) {
            const double nx = x[k] * c[k] - y[k] * s[k];
            const double ny = y[k] * c[k] + x[k] * s[k];
            x[k] = nx;
            y[k] = ny;
        }
    }
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

}  // namespace quenthal
