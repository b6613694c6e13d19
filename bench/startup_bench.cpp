// Start-up of the desk client to its dialog being ready, headless, with day
// files of 0, 10,000 and 100,000 records: warm (repeated in one process) and,
// through the probes, from cold in a process of its own with its peak memory;
// and the real Qt window, offscreen, from cold only. The ratio of the
// 100,000-record start over the 10,000-record one shows how the cost grows
// with the day: about 10 when each row costs the same however long the list
// already is.
#include "bench/bench.h"
#include "bench/desk_days.h"
#include "bench/desk_files.h"
#include "bench/desk_startup.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr DeskDayPlan kDays[] = {kEmptyDay, kDay10k, kDay100k};

void StartUp(benchmark::State& state, const std::string& folder, DeskDayPlan plan) {
    std::string failure;
    if (!MakeDeskInstallation(folder, &failure) ||
        !MakeDeskDay(folder, plan.day, plan.records, &failure)) {
        state.SkipWithError(failure.c_str());
        return;
    }
    UseDeskInstallation(folder, plan.day);
    for (auto _ : state) {
        const auto began = std::chrono::steady_clock::now();
        std::size_t rows = 0;
        const bool ran = RunHeadlessDesk([&](std::size_t shown) {
            state.SetIterationTime(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
            rows = shown;
        });
        if (!ran || rows != static_cast<std::size_t>(plan.records)) {
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
    const std::string folder = options.dataFolder + "/desk";
    for (int i = 0; i < 3; ++i) {
        const DeskDayPlan plan = kDays[i];
        const std::string name = "startup/headless/" + std::to_string(plan.records);
        benchmark::RegisterBenchmark(name.c_str(), StartUp, folder, plan)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        BenchRow row;
        row.section = section;
        row.label = labels[i];
        row.benchmark = name;
        row.unit = UNIT_MS;
        row.probe = {"startup", "headless", folder, std::to_string(plan.day),
                     std::to_string(plan.records)};
        if (plan.records == kDay100k.records) {
            row.ratioTop = name;
            row.ratioBottom = "startup/headless/" + std::to_string(kDay10k.records);
            row.ratioAtMost = 12;
            row.ratioBoundWarmOnly = true;
            row.atMost = 500;
            row.peakAtMostMib = 80;
        }
        BenchAddRow(row);
    }
#ifdef QUORVEL_BENCH_QT
    BenchRow row;
    row.section = section;
    row.label = "Qt window offscreen, 100,000 records";
    row.benchmark = "startup/qt/" + std::to_string(kDay100k.records);
    row.probeOnly = true;
    row.unit = UNIT_MS;
    row.probe = {"startup", "qt", folder, std::to_string(kDay100k.day),
                 std::to_string(kDay100k.records)};
    row.probeProgram = "_qt";
    row.atMost = 500;
    row.peakAtMostMib = 80;
    BenchAddRow(row);
#endif
}

} // namespace

QUORVEL_BENCH_FILE(RegisterStartUp)
