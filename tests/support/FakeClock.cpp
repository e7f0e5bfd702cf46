#include "tests/support/FakeClock.h"

#include <algorithm>

namespace quenthal {

TFakeClock::TFakeClock(int64_t startMs, int stepMs) : FNowMs(startMs), FStepMs(stepMs) {
    SetClock(this);
    SetEventPump(this);
}

TFakeClock::~TFakeClock() {
    SetClock(nullptr);
    SetEventPump(nullptr);
}

void TFakeClock::ProcessMessages(int maxWaitMs) {
    ++FPumpCalls;
    if (onPump) onPump();
    FNowMs += std::max(maxWaitMs, FStepMs);
}

}  // namespace quenthal
