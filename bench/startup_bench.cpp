// Start-up of the desk client to its dialog being ready, headless, with day
// files of 0, 10,000 and 100,000 records: warm (repeated in one process) and,
// through the probes, from cold in a process of its own with its peak memory;
// and the real Qt window, offscreen, from cold only. The ratio of the
// 100,000-record start over the 10,000-record one shows how the cost grows
// with the day: about 10 when each row costs the same however long the list
// already is.
#include "bench/bench.h"
#include "bench/desk_files.h"
#include "bench/desk_startup.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr long kDaySizes[] = {0, 10000, 100000};

void StartUp(benchmark::State& state, const std::string& folder, long records) {
    std::string failure;
    if (!MakeDeskInstallation(folder, records, &failure)) {
        state.SkipWithError(failure.c_str());
        return;
    }
    UseDeskInstallation(folder);
    for (auto _ : state) {
        const auto began = std::chrono::steady_clock::now();
        std::size_t rows = 0;
        const bool ran = RunHeadlessDesk([&](std::size_t shown) {
            state.SetIterationTime(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
            rows = shown;
        });
        if (!ran || rows != static_cast<std::size_t>(records)) {
            state.SkipWithError("the dialog did not show the day's records");
            break;
        }
    }
}

void RegisterStartUp(const BenchOptions& options) {
    if (options.dataFolder.empty()) {
        std::fprintf(stderr, "warning: no --data folder; the start-up benchmarks are left out\n");
        return;
    }
    const char* section = "Start-up to the dialog ready (construct, parse the settings, register "
                          "the models, initialise, load the day); ratio = this / 10,000 records";
    const char* labels[] = {"headless, empty day", "headless, 10,000 records",
                            "headless, 100,000 records"};
    for (int i = 0; i < 3; ++i) {
        const long records = kDaySizes[i];
        const std::string count = std::to_string(records);
        const std::string name = "startup/headless/" + count;
        const std::string folder = options.dataFolder + "/desk/" + count;
        benchmark::RegisterBenchmark(name.c_str(), StartUp, folder, records)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        BenchRow row;
        row.section = section;
        row.label = labels[i];
        row.benchmark = name;
        row.unit = UNIT_MS;
        row.probe = {"startup", "headless", folder, count};
        if (records == kDaySizes[2]) {
            row.ratioTop = name;
            row.ratioBottom = "startup/headless/" + std::to_string(kDaySizes[1]);
            row.ratioAtMost = 12;
            row.atMost = 500;
            row.peakAtMostMib = 80;
        }
        BenchAddRow(row);
    }
#ifdef QUORVEL_BENCH_QT
    const std::string count = std::to_string(kDaySizes[2]);
    BenchRow row;
    row.section = section;
    row.label = "Qt window offscreen, 100,000 records";
    row.benchmark = "startup/qt/" + count;
    row.probeOnly = true;
    row.unit = UNIT_MS;
    row.probe = {"startup", "qt", options.dataFolder + "/desk/" + count, count};
    row.probeProgram = "_qt";
    row.atMost = 500;
    row.peakAtMostMib = 80;
    BenchAddRow(row);
#endif
}

} // namespace

QUORVEL_BENCH_FILE(RegisterStartUp)
