// The frame every benchmark file plugs into: one program, quorvel_bench, runs
// every registered Google Benchmark (warm: the operation repeated in one
// process), keeps the median of each, runs the probe programs (cold: the
// operation once in a fresh process, with its peak memory and allocation
// count; probe.h), and prints one table.
//
// A benchmark file registers itself at start-up with QUORVEL_BENCH_FILE: its
// registration function gets the options of the run, registers its
// benchmarks with benchmark::RegisterBenchmark and adds one BenchRow per line
// of the table. Rows appear grouped by section, in the order they were added.
// A file that also needs a probe (something measured in a process of its own)
// adds a mode to the probe program with QUORVEL_PROBE_MODE (probe.h).
//
// Each figure in the table is a median over the run's repetitions, and a
// ratio is always taken between two rows of the same run.
#pragma once

#include <string>
#include <vector>

struct BenchOptions {
    std::string dataFolder; // the generated XML inputs (--data=FOLDER)
};

// How a row shows its benchmark's median.
enum BenchUnit {
    UNIT_MB_PER_S,  // bytes processed (state.SetBytesProcessed) per second, in 10^6
    UNIT_NS_PER_OP, // nanoseconds per item processed (state.SetItemsProcessed)
    UNIT_M_PER_S,   // items processed per second, in 10^6
    UNIT_MS         // real time per iteration in milliseconds
};

struct BenchRow {
    std::string section;   // heading of the row's group
    std::string label;     // what the row measures
    std::string benchmark; // name of the benchmark whose median the row shows
    BenchUnit unit;
    // When set, the row shows the median of this user counter of its benchmark
    // (state.counters) instead of its time: with UNIT_MS, a counter in
    // milliseconds per iteration (benchmark::Counter::kAvgIterations).
    std::string counter;
    // When set, no Google Benchmark of that name exists: the row has only its
    // probe, the warm column stays empty, and benchmark is the name that
    // --benchmark_filter is matched against.
    bool probeOnly = false;
    // The ratio column: unit value of ratioTop / unit value of ratioBottom, both
    // benchmarks of this run (empty: no ratio). "NAME@COUNTER" names a counter
    // of a benchmark instead of its time.
    std::string ratioTop;
    std::string ratioBottom;
    // Shows the ratio as a percentage: a part of a whole.
    bool ratioIsShare = false;
    // Arguments of the probe programs (empty: no probe). quorvel_bench_probe
    // does the operation from cold, in a fresh process, --cold-runs times: the
    // median time and peak memory fill their columns. quorvel_bench_count does
    // it once more, counting allocations.
    std::vector<std::string> probe;
    // Appended to the names of both probe programs: "_qt" runs the pair that
    // is linked with the Qt window backend instead of the headless one.
    std::string probeProgram;
    // The work of one probe operation, to show its cold time in the row's
    // unit: bytes for MB/s, items for ns/op and M/s (0: no cold figure). For
    // UNIT_MS the cold time is shown as it is.
    double probeWork = 0;
    // When set, a probe that counts any allocation fails the run.
    bool mustNotAllocate = false;
    // Targets, 0 for none: bounds on the median (in the row's unit) or on the
    // ratio, warm and cold alike. A row that misses one is marked in the table
    // and listed at the end; it does not fail the run, since shared machines
    // are noisy.
    double atLeast = 0;
    double atMost = 0;
    double ratioAtLeast = 0;
    double ratioAtMost = 0;
    // The ratio bounds hold for the warm ratio only: a cold ratio between two
    // single runs of a few milliseconds swings with the machine's load.
    bool ratioBoundWarmOnly = false;
    double peakAtMostMib = 0; // bound on the probe's median peak memory
};

using BenchRegistrar = void (*)(const BenchOptions& options);

// Adds a registration function; returns true so that it can initialise a
// namespace-scope constant.
bool BenchAddRegistrar(BenchRegistrar registrar);

void BenchAddRow(const BenchRow& row);

#define QUORVEL_BENCH_CONCAT2(a, b) a##b
#define QUORVEL_BENCH_CONCAT(a, b) QUORVEL_BENCH_CONCAT2(a, b)
#define QUORVEL_BENCH_FILE(registrar)                                                              \
    namespace {                                                                                    \
    const bool QUORVEL_BENCH_CONCAT(s_registered_, __LINE__) = BenchAddRegistrar(registrar);       \
    }
