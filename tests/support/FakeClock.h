#pragma once
// A clock and event pump for tests, installed as the process's for their lifetime. Time moves
// only when a test advances it or when the pump is asked to wait: a pump call that may wait n ms
// advances the clock by n ms (at least stepMs), so a 500 ms wait costs no real time. Each pump
// call runs the test's onPump hook, standing in for the window events that run meanwhile.

#include "platform/Clock.h"

#include <cstdint>
#include <functional>

namespace quenthal {

class TFakeClock : public IClock, public IEventPump {
public:
    explicit TFakeClock(int64_t startMs = 1000, int stepMs = 1);
    ~TFakeClock() override;
    TFakeClock(const TFakeClock&) = delete;
    TFakeClock& operator=(const TFakeClock&) = delete;

    int64_t TickCountMs() const override { return FNowMs; }
    void ProcessMessages(int maxWaitMs) override;

    void Advance(int64_t ms) { FNowMs += ms; }
    int PumpCalls() const { return FPumpCalls; }
    std::function<void()> onPump;

private:
    int64_t FNowMs;
    int FStepMs;
    int FPumpCalls = 0;
};

}  // namespace quenthal
