// The C allocation functions of the process, defined here so that every library's calls come to
// them first: each forwards to the allocator that would otherwise have answered (a preloaded one
// where there is one, such as the fault shim, else glibc's) and notes a null answer. operator new
// allocates through malloc, so its failures are seen here too. glibc's free, malloc_usable_size
// and the rest work on what these return unchanged.
#include "reader/AllocationWatch.h"

#include "reader/Sanitizer.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <dlfcn.h>
#include <unistd.h>

namespace {

std::atomic<bool> failed{false};
std::atomic<std::atomic<std::uint32_t>*> sharedFlag{nullptr};

} // namespace

namespace zarvo::reader {

bool AllocationFailed() noexcept {
    return failed.load(std::memory_order_relaxed);
}

void ResetAllocationWatch() noexcept {
    failed.store(false, std::memory_order_relaxed);
}

void ShareAllocationFailure(std::atomic<std::uint32_t>* flag) noexcept {
    sharedFlag.store(flag, std::memory_order_relaxed);
}

} // namespace zarvo::reader

#ifndef ZARVO_ADDRESS_SANITIZER

extern "C" {

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);

} // extern "C"

namespace {

using Malloc = void* (*)(size_t);
using Calloc = void* (*)(size_t, size_t);
using Realloc = void* (*)(void*, size_t);
using Memalign = void* (*)(size_t, size_t);
using PosixMemalign = int (*)(void**, size_t, size_t);

// The allocator behind this one, found before main (and before any thread) starts; until then,
// and while it is being found (the lookup allocates), glibc's own entry points answer.
struct NextAllocator {
    Malloc malloc = nullptr;
    Calloc calloc = nullptr;
    Realloc realloc = nullptr;
    Memalign memalign = nullptr;
    Memalign alignedAlloc = nullptr;
    PosixMemalign posixMemalign = nullptr;
} next;

template <typename Function> Function Find(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

__attribute__((constructor(101))) void FindNextAllocator() {
    NextAllocator found;
    found.malloc = Find<Malloc>("malloc");
    found.calloc = Find<Calloc>("calloc");
    found.realloc = Find<Realloc>("realloc");
    found.memalign = Find<Memalign>("memalign");
    found.alignedAlloc = Find<Memalign>("aligned_alloc");
    found.posixMemalign = Find<PosixMemalign>("posix_memalign");
    next = found;
}

void* Noted(void* block) {
    if (block != nullptr)
        return block;
    failed.store(true, std::memory_order_relaxed);
    if (std::atomic<std::uint32_t>* flag = sharedFlag.load(std::memory_order_relaxed))
        flag->store(1, std::memory_order_relaxed);
    return nullptr;
}

} // namespace

extern "C" {

void* malloc(size_t size) {
    return Noted(next.malloc != nullptr ? next.malloc(size) : __libc_malloc(size));
}

void* calloc(size_t count, size_t size) {
    return Noted(next.calloc != nullptr ? next.calloc(count, size) : __libc_calloc(count, size));
}

void* realloc(void* block, size_t size) {
    void* moved = next.realloc != nullptr ? next.realloc(block, size) : __libc_realloc(block, size);
    // Resizing a block to nothing frees it, and null is then the answer, not a failure.
    return size == 0 && block != nullptr ? moved : Noted(moved);
}

void* reallocarray(void* block, size_t count, size_t size) {
    size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return Noted(nullptr);
    }
    return realloc(block, bytes);
}

void* memalign(size_t alignment, size_t size) {
    return Noted(next.memalign != nullptr ? next.memalign(alignment, size)
                                          : __libc_memalign(alignment, size));
}

void* aligned_alloc(size_t alignment, size_t size) {
    return Noted(next.alignedAlloc != nullptr ? next.alignedAlloc(alignment, size)
                                              : __libc_memalign(alignment, size));
}

int posix_memalign(void** block, size_t alignment, size_t size) {
    if (next.posixMemalign != nullptr) {
        const int error = next.posixMemalign(block, alignment, size);
        if (error == ENOMEM)
            Noted(nullptr);
        return error;
    }
    void* aligned = Noted(__libc_memalign(alignment, size));
    if (aligned == nullptr)
        return ENOMEM;
    *block = aligned;
    return 0;
}

void* valloc(size_t size) {
    return memalign(static_cast<size_t>(::getpagesize()), size);
}

} // extern "C"

#endif
