// The probe programs: measure in a fresh process of their own what a timed
// benchmark loop cannot, one operation done once from cold (the time it
// takes, its peak memory) and the number of heap allocations it makes.
//
//   quorvel_bench_probe MODE ARGUMENTS...   time and peak memory
//   quorvel_bench_count MODE ARGUMENTS...   the same, with allocations counted
//
// Each prints one line, "peak_kib=N allocations=N|- ms=T detail=TEXT", and
// exits 0, or prints a reason on stderr and exits non-zero. The mode's
// function does its set-up, then the operation between ProbeBegin and
// ProbeEnd: the time is taken there, allocations are counted only there
// (every malloc, calloc, realloc and aligned allocation of the process,
// operator new included; "-" from quorvel_bench_probe, which does not count),
// and the peak is the resident memory high-water mark above what was resident
// at ProbeBegin.
//
// A benchmark file adds a mode with QUORVEL_PROBE_MODE("name", function) in a
// source of the probe program.
#pragma once

#include <string>
#include <vector>

// Returns 0 on success, non-zero (with a message on stderr) on failure. detail
// may receive a short text for the table (a node count, say).
using ProbeMode = int (*)(const std::vector<std::string>& arguments, std::string* detail);

bool ProbeAddMode(const char* name, ProbeMode mode);

// Whether this program counts allocations (quorvel_bench_count). A mode may
// do extra checking work inside the counted section only then, since the
// other program's clock must see the bare operation.
extern const bool kProbeCountsAllocations;
extern bool g_probeCounting;
extern unsigned long long g_probeAllocations;

void ProbeBegin();
void ProbeEnd();

#define QUORVEL_PROBE_CONCAT2(a, b) a##b
#define QUORVEL_PROBE_CONCAT(a, b) QUORVEL_PROBE_CONCAT2(a, b)
#define QUORVEL_PROBE_MODE(name, mode)                                                             \
    namespace {                                                                                    \
    const bool QUORVEL_PROBE_CONCAT(s_probe_mode_, __LINE__) = ProbeAddMode(name, mode);           \
    }
