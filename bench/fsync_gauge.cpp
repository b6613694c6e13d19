// The fsync gauge: this definition of fsync is the executable's own, so the
// file layer's calls reach it instead of the C library's (an executable's
// symbols come before those of the shared libraries it loads). It makes the
// same system call and adds up the time it takes. Linked into quorvel_bench
// only.
#include "bench/fsync_gauge.h"

#include <ctime>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::uint64_t g_nanoseconds = 0;
std::uint64_t g_calls = 0;

std::uint64_t Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(t.tv_nsec);
}

} // namespace

extern "C" int fsync(int fd) {
    const std::uint64_t began = Now();
    const long result = syscall(SYS_fsync, fd);
    g_nanoseconds += Now() - began;
    ++g_calls;
    return static_cast<int>(result);
}

std::uint64_t FsyncNanoseconds() {
    return g_nanoseconds;
}

std::uint64_t FsyncCalls() {
    return g_calls;
}
