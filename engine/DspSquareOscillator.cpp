#include "engine/DspSquareOscillator.h"

#include "engine/DspErrors.h"

namespace quenthal {

TDspSquareOscillator::TDspSquareOscillator(double ASampleRate) {
    SetSampleRate(ASampleRate);
    UpdatePhaseInc();
}

void TDspSquareOscillator::SetSampleRate(double Value) {
    if (!(Value > 0.0)) throw EDspError("SampleRate must be > 0");
    FSampleRate = Value;
    UpdatePhaseInc();
}

void TDspSquareOscillator::SetFrequency(double Value) noexcept {
    FFrequency = Value < 0.0 ? 0.0 : Value;
    UpdatePhaseInc();
}

void TDspSquareOscillator::SetRatio(double Value) noexcept {
    if (Value < 0.0)
        FRatio = 0.0;
    else if (Value > 1.0)
        FRatio = 1.0;
    else
        FRatio = Value;
}

void TDspSquareOscillator::UpdatePhaseInc() noexcept {
    FPhaseInc = (FSampleRate > 0.0 && FFrequency >= 0.0) ? FFrequency / FSampleRate : 0.0;
}

}  // namespace quenthal
