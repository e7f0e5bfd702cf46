#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace quenthal {

namespace {
std::atomic<IClock*> GClock{nullptr};
std::atomic<IEventPump*> GEventPump{nullptr};
}  // namespace

int64_t TSteadyClock::TickCountMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TSleepingEventPump::ProcessMessages(int maxWaitMs) {
    if (maxWaitMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(maxWaitMs));
}

IClock& Clock() {
    static TSteadyClock steady;
    IClock* installed = GClock.load();
    return installed ? *installed : steady;
}

IEventPump& EventPump() {
    static TSleepingEventPump sleeping;
    IEventPump* installed = GEventPump.load();
    return installed ? *installed : sleeping;
}

void SetClock(IClock* clock) { GClock.store(clock); }
void SetEventPump(IEventPump* pump) { GEventPump.store(pump); }

}  // namespace quenthal
