// Replaces operator new for the whole suite so a test can see how much a hostile file made the
// reader ask for. Alone in its file: the compiler must not see both ends of the pair inline.

#include "PresetFixtures.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> gLargestAllocation{0};
}

void* operator new(std::size_t size) {
    std::size_t largest = gLargestAllocation.load(std::memory_order_relaxed);
    while (size > largest && !gLargestAllocation.compare_exchange_weak(largest, size)) {
    }
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace quenthal {
void ResetLargestAllocation() { gLargestAllocation = 0; }
std::size_t LargestAllocation() { return gLargestAllocation; }
}  // namespace quenthal
