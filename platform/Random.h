#pragma once
// The process-wide uniform random source: a 32-bit linear congruential generator,
// seed := seed * 134775813 + 1 (mod 2^32), r = seed / 2^32 in [0, 1).
// White noise, pink noise and the host's noise prefill and dither all draw from this one sequence.
// Lives with the platform stand-ins (it replaces the run-time library's generator) so that both the
// engine and the host draw from it without depending on each other. Header only.
//
// The seed is shared without a lock: draws from two threads at once may repeat a value, which no
// noise signal can tell apart. Relaxed atomics keep that harmless and visible to the race checker.

#include <atomic>
#include <chrono>
#include <cstdint>

namespace quenthal {

inline constexpr uint32_t kRandomMultiplier = 134775813u;

inline std::atomic<uint32_t> RandSeed{0};

// The seed that follows Seed.
constexpr uint32_t NextRandSeed(uint32_t Seed) noexcept { return Seed * kRandomMultiplier + 1u; }

// The seed that precedes Next, so that a test can choose the value of the next draw:
// SetRandSeed(RandSeedBefore(0x80000000u)) makes the next Random() return exactly 0.5.
constexpr uint32_t RandSeedBefore(uint32_t Next) noexcept {
    // Inverse of the odd multiplier modulo 2^32 by Newton's iteration (each step doubles the bits).
    uint32_t inverse = kRandomMultiplier;
    for (int i = 0; i < 5; ++i) inverse *= 2u - kRandomMultiplier * inverse;
    return (Next - 1u) * inverse;
}

inline void SetRandSeed(uint32_t Seed) noexcept { RandSeed.store(Seed, std::memory_order_relaxed); }

// Uniform in [0, 1), with 32 bits of resolution.
inline double Random() noexcept {
    const uint32_t seed = NextRandSeed(RandSeed.load(std::memory_order_relaxed));
    RandSeed.store(seed, std::memory_order_relaxed);
    return static_cast<double>(seed) * (1.0 / 4294967296.0);
}

// Seeds from the clock: at program start and whenever the host prepares driver buffers.
inline void Randomize() noexcept {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    SetRandSeed(static_cast<uint32_t>(static_cast<uint64_t>(ticks) ^ (static_cast<uint64_t>(ticks) >> 32)));
}

}  // namespace quenthal
