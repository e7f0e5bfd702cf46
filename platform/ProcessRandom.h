#pragma once
// The process-wide uniform random source: a 32-bit linear congruential generator,
// seed := seed * 134775813 + 1, r = seed / 2^32 in [0, 1). White and pink noise, the host's noise
// prefill and its dither all draw from the one seed. It is deliberately not locked: two threads drawing
// at once may draw the same value, which no caller minds; the seed is an atomic only so that such a
// draw is not undefined behaviour.

#include <cstdint>

namespace quenthal {

double ProcessRandom() noexcept;
// Seeds from the steady clock (at start-up and whenever the host prepares driver buffers).
void ProcessRandomize() noexcept;
void SetProcessRandomSeed(uint32_t seed) noexcept;
uint32_t ProcessRandomSeed() noexcept;

}  // namespace quenthal
