#pragma once
// The tick count and the event pump that a wait keeps running. The GUI installs its own pump (one
// that runs the window's pending events); tests install a fake clock so a 500 ms wait costs no real
// time.

#include <cstdint>

namespace quenthal {

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds of a steady clock; only differences mean anything.
    virtual int64_t TickCountMs() const = 0;
};

class IEventPump {
public:
    virtual ~IEventPump() = default;
    // Runs the pending window events. With nothing pending it may wait up to maxWaitMs for one,
    // so a wait loop does not spin the processor.
    virtual void ProcessMessages(int maxWaitMs) = 0;
};

class TSteadyClock : public IClock {
public:
    int64_t TickCountMs() const override;
};

// No window: nothing to run, so it only sleeps for the given time.
class TSleepingEventPump : public IEventPump {
public:
    void ProcessMessages(int maxWaitMs) override;
};

// The process's clock and pump; nullptr restores the defaults above.
IClock& Clock();
IEventPump& EventPump();
void SetClock(IClock* clock);
void SetEventPump(IEventPump* pump);

}  // namespace quenthal
