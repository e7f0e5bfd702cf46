#pragma once
// An event handler that the GUI thread may replace while the audio thread reads it: every assigned
// value lives in its own immutable node, and the audio thread sees one node pointer at a time, so a
// handler and its object always arrive together. Replaced nodes are kept until Compact(), which the
// owner calls only while no block can run (after the driver has stopped).

#include <atomic>
#include <memory>
#include <vector>

namespace quenthal {

template <typename Event>
class TPublishedEvent {
public:
    // Audio thread: a copy of the handler last stored, or an empty one.
    Event Load() const noexcept {
        const Event* node = FCurrent.load(std::memory_order_acquire);
        return node ? *node : Event{};
    }
    bool Assigned() const noexcept { return FCurrent.load(std::memory_order_acquire) != nullptr; }

    // GUI thread.
    void Store(const Event& event) {
        if (!event) {
            FCurrent.store(nullptr, std::memory_order_release);
            return;
        }
        FNodes.push_back(std::make_unique<const Event>(event));
        FCurrent.store(FNodes.back().get(), std::memory_order_release);
    }

    // GUI thread, no block running: frees every node but the current one.
    void Compact() {
        const Event* current = FCurrent.load(std::memory_order_relaxed);
        std::vector<std::unique_ptr<const Event>> kept;
        for (auto& node : FNodes)
            if (node.get() == current) kept.push_back(std::move(node));
        FNodes.swap(kept);
    }

private:
    std::atomic<const Event*> FCurrent{nullptr};
    std::vector<std::unique_ptr<const Event>> FNodes;
};

}  // namespace quenthal
