// Recording one operation at the desk, through the headless dialog as a
// librarian would: the patron scanned (Enter moves on to the item), the item
// scanned, and Enter, which validates both, opens the day's file, restores
// the number from its last record, formats the record, writes it, flushes it
// to disk, closes the file and shows the row. Only that last Enter is timed.
//
// Day files of 0, 10,000 and 1,000,000 records, loaded into the list at
// start-up as the desk does: the ratio of the largest to the empty shows
// whether the cost depends on the day's size. After each operation the file
// is cut back to its length, untimed, so every operation meets the same file.
// The time spent in fsync is gauged where the file layer calls it and shown
// as rows of its own.
#include "bench/bench.h"
#include "bench/desk_files.h"
#include "bench/fsync_gauge.h"

#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

constexpr long kDaySizes[] = {0, 10000, 1000000};
// A patron card and an item of the demonstration settings' models.
constexpr char kPatron[] = "12345674";
constexpr char kItem[] = "4006381333931";

// 1000000 as "1,000,000".
std::string RecordsText(long records) {
    const std::string digits = std::to_string(records);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

void Record(benchmark::State& state, const std::string& folder, long records) {
    std::string failure;
    if (!MakeDeskInstallation(folder, records, &failure)) {
        state.SkipWithError(failure.c_str());
        return;
    }
    UseDeskInstallation(folder);
    ForgetDeskModels();
    headless::Reset();
    const std::string day = DeskDayFile(folder);
    const std::int64_t length = DeskDayFileLength(records);
    std::uint64_t fsyncNanoseconds = 0;
    bool ran = false;
    headless::SetSession([&](headless::Desk& desk) {
        ran = true;
        const headless::Control& list = desk.Item(IDC_LIST_OPERATIONS);
        for (auto _ : state) {
            desk.Type(kPatron);
            desk.Press(VK_RETURN);
            desk.Type(kItem);
            const std::size_t boxes = headless::MessageBoxes().size();
            const std::size_t rows = list.rows.size();
            const std::uint64_t fsyncCalls = FsyncCalls();
            const std::uint64_t fsyncBefore = FsyncNanoseconds();
            const auto began = std::chrono::steady_clock::now();
            desk.Press(VK_RETURN);
            const auto ended = std::chrono::steady_clock::now();
            fsyncNanoseconds += FsyncNanoseconds() - fsyncBefore;
            state.SetIterationTime(std::chrono::duration<double>(ended - began).count());
            if (headless::MessageBoxes().size() != boxes || list.rows.size() != rows + 1) {
                failure = "the operation was not recorded";
            } else if (FsyncCalls() != fsyncCalls + 1) {
                failure = "the fsync gauge did not see the flush";
            } else if (truncate(day.c_str(), static_cast<off_t>(length)) != 0) {
                failure = "cannot cut the day's file back";
            }
            if (!failure.empty()) {
                state.SkipWithError(failure.c_str());
                break;
            }
        }
    });
    {
        CQuorvelPDlg dialog;
        dialog.DoModal();
    }
    headless::Reset();
    if (!ran) {
        state.SkipWithError("the dialog did not open");
        return;
    }
    state.counters["fsync_ms"] = benchmark::Counter(static_cast<double>(fsyncNanoseconds) / 1e6,
                                                    benchmark::Counter::kAvgIterations);
}

void RegisterRecord(const BenchOptions& options) {
    if (options.dataFolder.empty()) {
        std::fprintf(stderr, "warning: no --data folder; the recording benchmarks are left out\n");
        return;
    }
    const char* section =
        "Recording one operation, headless dialog (validate, open, restore the "
        "number, format, write, fsync, close, list row); ratio = this / 0 records";
    const std::string empty = "record/0";
    for (long records : kDaySizes) {
        const std::string name = "record/" + std::to_string(records);
        const std::string folder = options.dataFolder + "/desk/" + std::to_string(records);
        benchmark::RegisterBenchmark(name.c_str(), Record, folder, records)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        BenchRow row;
        row.section = section;
        row.label = "day file of " + RecordsText(records) + " records";
        row.benchmark = name;
        row.unit = UNIT_MS;
        row.ratioTop = name;
        row.ratioBottom = empty;
        if (records == kDaySizes[2]) {
            row.ratioAtMost = 1.1;
        }
        BenchAddRow(row);
    }
    for (long records : {kDaySizes[0], kDaySizes[2]}) {
        const std::string name = "record/" + std::to_string(records);
        BenchRow row;
        row.section = section;
        row.label = "  of which fsync, " + RecordsText(records) + " records (ratio: its share)";
        row.benchmark = name;
        row.counter = "fsync_ms";
        row.unit = UNIT_MS;
        row.ratioTop = name + "@fsync_ms";
        row.ratioBottom = name;
        BenchAddRow(row);
    }
}

} // namespace

QUORVEL_BENCH_FILE(RegisterRecord)
