#pragma once
// The way to the GUI thread: Post may be called from any thread; the closures run on the GUI thread,
// one at a time, in the order they were posted. The Qt implementation posts into the event loop;
// tests drain a TManualGuiQueue by hand.

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace quenthal {

class IGuiQueue {
public:
    virtual ~IGuiQueue() = default;
    virtual void Post(std::function<void()> closure) = 0;
};

class TManualGuiQueue : public IGuiQueue {
public:
    void Post(std::function<void()> closure) override;
    // Runs what is queued, including closures posted while draining; returns how many ran.
    size_t Drain();
    size_t Pending() const;

private:
    mutable std::mutex FMutex;
    std::deque<std::function<void()>> FQueue;
};

}  // namespace quenthal
