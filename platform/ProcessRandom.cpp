#include "platform/ProcessRandom.h"

#include <atomic>
#include <chrono>

namespace quenthal {

namespace {
std::atomic<uint32_t> gSeed{0x12345678u};
}

double ProcessRandom() noexcept {
    const uint32_t next = gSeed.load(std::memory_order_relaxed) * 134775813u + 1u;
    gSeed.store(next, std::memory_order_relaxed);
    return next * (1.0 / 4294967296.0);
}

void ProcessRandomize() noexcept {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    gSeed.store(static_cast<uint32_t>(ticks ^ (ticks >> 32)), std::memory_order_relaxed);
}

void SetProcessRandomSeed(uint32_t seed) noexcept { gSeed.store(seed, std::memory_order_relaxed); }

uint32_t ProcessRandomSeed() noexcept { return gSeed.load(std::memory_order_relaxed); }

}  // namespace quenthal
