#pragma once
// Allocator for sample tables of megabytes (a 30 s sweep at 192 kHz is 46 MB). On Linux such a table
// lives on transparent huge pages: faulting it in 4 KiB page by page costs more than computing it.

#include <cstddef>
#include <limits>
#include <memory>
#include <new>

namespace quenthal {

// From this size on a buffer gets pages of its own.
inline constexpr size_t kLargeBufferBytes = size_t(2) << 20;

// Throws std::bad_alloc.
void* AllocateLargeBuffer(size_t Bytes);
void FreeLargeBuffer(void* Buffer, size_t Bytes) noexcept;

template <typename T>
class TLargeBufferAllocator {
public:
    using value_type = T;

    TLargeBufferAllocator() noexcept = default;
    template <typename U>
    TLargeBufferAllocator(const TLargeBufferAllocator<U>&) noexcept {}

    T* allocate(size_t Count) {
        if (Count > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        if (Count * sizeof(T) < kLargeBufferBytes) return std::allocator<T>().allocate(Count);
        return static_cast<T*>(AllocateLargeBuffer(Count * sizeof(T)));
    }
    void deallocate(T* Buffer, size_t Count) noexcept {
        if (Count * sizeof(T) < kLargeBufferBytes)
            std::allocator<T>().deallocate(Buffer, Count);
        else
            FreeLargeBuffer(Buffer, Count * sizeof(T));
    }
    friend bool operator==(const TLargeBufferAllocator&, const TLargeBufferAllocator&) noexcept { return true; }
};

}  // namespace quenthal
