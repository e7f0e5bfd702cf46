#pragma once
// Counts what a thread does while it is marked "in block": allocations and frees through malloc and
// operator new/delete, and mutex locks other than the one allowed (the engine lock). The definitions
// replace the C library's for this test binary only.

#include <atomic>
#include <cstdint>

namespace quenthal::test {

struct TRealtimeCounts {
    uint64_t Allocations = 0;
    uint64_t Frees = 0;
    uint64_t ForeignLocks = 0;
    uint64_t AllowedLocks = 0;
};

void EnterBlock() noexcept;
void LeaveBlock() noexcept;
void AllowLock(const void* mutex) noexcept;
TRealtimeCounts RealtimeCounts() noexcept;
void ResetRealtimeCounts() noexcept;

}  // namespace quenthal::test
