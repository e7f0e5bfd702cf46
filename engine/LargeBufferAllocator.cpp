#include "engine/LargeBufferAllocator.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace quenthal {

#if defined(__linux__)

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t RoundUp(size_t Value, size_t Step) { return (Value + Step - 1) / Step * Step; }
}  // namespace

void* AllocateLargeBuffer(size_t Bytes) {
    // Mapped with room to spare, then trimmed to a huge-page boundary at both ends.
    const size_t used = RoundUp(Bytes, kHugePage);
    const size_t mapped = used + kHugePage;
    void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t start = RoundUp(reinterpret_cast<uintptr_t>(raw), kHugePage);
    const size_t head = start - reinterpret_cast<uintptr_t>(raw);
    if (head > 0) munmap(raw, head);
    if (mapped - head - used > 0) munmap(reinterpret_cast<void*>(start + used), mapped - head - used);
    // Advice only: where huge pages are off, the buffer simply gets normal ones.
    madvise(reinterpret_cast<void*>(start), used, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(start);
}

void FreeLargeBuffer(void* Buffer, size_t Bytes) noexcept { munmap(Buffer, RoundUp(Bytes, kHugePage)); }

#else

void* AllocateLargeBuffer(size_t Bytes) { return ::operator new(Bytes); }

void FreeLargeBuffer(void* Buffer, size_t /*Bytes*/) noexcept { ::operator delete(Buffer); }

#endif

}  // namespace quenthal
