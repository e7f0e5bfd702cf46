#include "platform/GuiQueue.h"

namespace quenthal {

void TManualGuiQueue::Post(std::function<void()> closure) {
    std::lock_guard<std::mutex> lock(FMutex);
    FQueue.push_back(std::move(closure));
}

size_t TManualGuiQueue::Drain() {
    size_t ran = 0;
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (FQueue.empty()) return ran;
            next = std::move(FQueue.front());
            FQueue.pop_front();
        }
        next();
        ++ran;
    }
}

size_t TManualGuiQueue::Pending() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FQueue.size();
}

}  // namespace quenthal
