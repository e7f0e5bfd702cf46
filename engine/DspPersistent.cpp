#include "engine/DspPersistent.h"

#include <cmath>

#include "engine/DspErrors.h"

namespace quenthal {

void TNotifiablePersistent::Changed() {
    if (FUpdateCount == 0 && FOnChange) FOnChange(this);
}

void TNotifiablePersistent::BeginUpdate() { ++FUpdateCount; }

void TNotifiablePersistent::EndUpdate() {
    if (FUpdateCount <= 0) throw EAssertionFailed("Unpaired TThreadPersistent.EndUpdate");
    --FUpdateCount;
}

void TNotifiablePersistent::AssignTo(TNotifiablePersistent& Dest) const {
    Dest.FUpdateCount = FUpdateCount;
    Dest.FOnChange = FOnChange;
}

void TDspSampleRatePersistent::SetSampleRate(double Value) {
    if (Value == 0.0) throw EDspError("Invalid Samplerate!");
    const double rate = std::fabs(Value);
    if (rate != FSampleRate) {
        FSampleRate = rate;
        SampleRateChanged();
    }
}

void TDspSampleRatePersistent::SampleRateChanged() { Changed(); }

void TDspSampleRatePersistent::AssignTo(TNotifiablePersistent& Dest) const {
    if (auto* dest = dynamic_cast<TDspSampleRatePersistent*>(&Dest)) dest->FSampleRate = FSampleRate;
    TDspPersistent::AssignTo(Dest);
}

}  // namespace quenthal
