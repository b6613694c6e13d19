// How long the process has spent flushing files to disk: quorvel_bench puts a
// timing fsync of its own in front of the C library's (fsync_gauge.cpp), so
// the day file's flush is measured where the file layer makes it, with
// nothing in the product changed for it.
#pragma once

#include <cstdint>

// Nanoseconds spent in fsync, and the number of calls, since the process
// started.
std::uint64_t FsyncNanoseconds();
std::uint64_t FsyncCalls();
