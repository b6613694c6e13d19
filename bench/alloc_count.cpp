// The allocation counter of quorvel_bench_count: our own malloc, calloc,
// realloc and the aligned forms stand in front of the C library's, so every
// library of the process, and operator new, call through them. They forward
// to glibc's __libc_* entry points, so the allocator itself is the usual one.
// Only the counting probe links this: the detour costs a little on every
// allocation, which must not tilt the timings of allocation-heavy parsers.
#include "bench/probe.h"

#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

// Plain globals: the probe runs one thread, and a counter must not allocate.
const bool kProbeCountsAllocations = true;
bool g_probeCounting = false;
unsigned long long g_probeAllocations = 0;

namespace {

void Count() {
    if (g_probeCounting) {
        ++g_probeAllocations;
    }
}

} // namespace

extern "C" {

void* malloc(std::size_t size) noexcept {
    Count();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
    Count();
    return __libc_calloc(count, size);
}

void* realloc(void* p, std::size_t size) noexcept {
    Count();
    return __libc_realloc(p, size);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
    Count();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    Count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
    Count();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) {
        return ENOMEM;
    }
    *out = p;
    return 0;
}

} // extern "C"
