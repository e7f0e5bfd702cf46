#include "tests/realtime/RealtimeInterposer.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace quenthal::test {
namespace {
thread_local bool tInBlock = false;
std::atomic<uint64_t> gAllocations{0}, gFrees{0}, gForeignLocks{0}, gAllowedLocks{0};
std::atomic<const void*> gAllowedMutex{nullptr};

inline void CountAllocation() noexcept {
    if (tInBlock) gAllocations.fetch_add(1, std::memory_order_relaxed);
}
inline void CountFree(void* pointer) noexcept {
    if (tInBlock && pointer) gFrees.fetch_add(1, std::memory_order_relaxed);
}
inline void CountLock(const void* mutex) noexcept {
    if (!tInBlock) return;
    if (mutex == gAllowedMutex.load(std::memory_order_relaxed)) gAllowedLocks.fetch_add(1, std::memory_order_relaxed);
    else gForeignLocks.fetch_add(1, std::memory_order_relaxed);
}

// The library's own entry point, looked up on first use; no guard variable, so no lock of its own.
template <typename Function>
Function Next(std::atomic<Function>& slot, const char* name) noexcept {
    Function function = slot.load(std::memory_order_acquire);
    if (!function) {
        function = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
        slot.store(function, std::memory_order_release);
    }
    return function;
}
}  // namespace

void EnterBlock() noexcept { tInBlock = true; }
void LeaveBlock() noexcept { tInBlock = false; }
void AllowLock(const void* mutex) noexcept { gAllowedMutex.store(mutex); }
TRealtimeCounts RealtimeCounts() noexcept {
    return {gAllocations.load(), gFrees.load(), gForeignLocks.load(), gAllowedLocks.load()};
}
void ResetRealtimeCounts() noexcept {
    gAllocations = 0;
    gFrees = 0;
    gForeignLocks = 0;
    gAllowedLocks = 0;
}

}  // namespace quenthal::test

using quenthal::test::CountAllocation;
using quenthal::test::CountFree;
using quenthal::test::CountLock;

extern "C" {
void* malloc(size_t size) {
    CountAllocation();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    CountAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
    CountAllocation();
    return __libc_realloc(pointer, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    CountAllocation();
    return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size) {
    CountAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) {
    CountAllocation();
    *result = __libc_memalign(alignment, size);
    return *result ? 0 : 12;  // ENOMEM
}
void free(void* pointer) {
    CountFree(pointer);
    __libc_free(pointer);
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
    static std::atomic<int (*)(pthread_mutex_t*)> next{nullptr};
    CountLock(mutex);
    return quenthal::test::Next(next, "pthread_mutex_lock")(mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex) {
    static std::atomic<int (*)(pthread_mutex_t*)> next{nullptr};
    CountLock(mutex);
    return quenthal::test::Next(next, "pthread_mutex_trylock")(mutex);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* lock) {
    static std::atomic<int (*)(pthread_rwlock_t*)> next{nullptr};
    CountLock(lock);
    return quenthal::test::Next(next, "pthread_rwlock_rdlock")(lock);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* lock) {
    static std::atomic<int (*)(pthread_rwlock_t*)> next{nullptr};
    CountLock(lock);
    return quenthal::test::Next(next, "pthread_rwlock_wrlock")(lock);
}
}

// operator new and delete go through the counted malloc and free.
void* operator new(size_t size) {
    if (void* p = malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new(size_t size, std::align_val_t alignment) {
    void* p = nullptr;
    if (posix_memalign(&p, static_cast<size_t>(alignment), size ? size : 1) == 0) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete(void* p, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { free(p); }
