// Recording one operation at the desk, through the headless dialog as a
// librarian would: the patron scanned (Enter moves on to the item), the item
// scanned, and Enter, which validates both, opens the day's file, restores
// the number from its last record, formats the record, writes it, flushes it
// to disk, closes the file and shows the row. Only that last Enter is timed.
//
// The flush is most of it, and on a disk shared with other machines its time
// swings by a factor of four from one second to the next. So the day files
// are compared within one run, operation by operation: a desk started on the
// day of 1,000,000 records (the list holds them all) records in turn into
// that day's file, into a day of 10,000 records and into an empty day,
// moving its clock from one morning to the other as midnight would move it,
// after one untimed operation into each (the first into a day it has not
// looked at shows that day's newest records in its list).
// Beside it, a desk started on an empty day records into it, its list empty:
// the day at its smallest. The time spent in fsync is gauged where the file
// layer makes it; the rest, where anything that grew with the day would
// show, is compared on its own. The operations append to the files as a day
// at the desk would; each run cuts the files back to their records.
#include "bench/bench.h"
#include "bench/desk_days.h"
#include "bench/desk_files.h"
#include "bench/fsync_gauge.h"

#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A patron card and an item of the demonstration settings' models.
constexpr char kPatron[] = "12345674";
constexpr char kItem[] = "4006381333931";

// What the operations into one day's file took.
struct DayTotals {
    DeskDayPlan plan;
    double seconds = 0;
    double fsyncSeconds = 0;
};

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

// The ending of a day's counters: "_1000000". (Built by appending: g++ 12
// warns falsely about a string inserted before another.)
std::string Suffix(long records) {
    std::string suffix = "_";
    suffix += std::to_string(records);
    return suffix;
}

bool MakeDays(const std::string& folder, const std::vector<DayTotals>& days, std::string* error) {
    for (const DayTotals& d : days) {
        if (!MakeDeskDay(folder, d.plan.day, d.plan.records, error)) {
            return false;
        }
    }
    return true;
}

// Records one operation into the day of `totals` and adds up its times; the
// empty text, or why it failed. `first`: the desk's first operation into that
// day, which shows the day's records it has not seen above its own row.
std::string RecordOne(headless::Desk& desk, DayTotals& totals, bool first = false) {
    const headless::Control& list = desk.Item(IDC_LIST_OPERATIONS);
    UseDeskDay(totals.plan.day);
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
    totals.seconds += std::chrono::duration<double>(ended - began).count();
    totals.fsyncSeconds += static_cast<double>(FsyncNanoseconds() - fsyncBefore) / 1e9;
    if (headless::MessageBoxes().size() != boxes || list.rows.size() < rows + 1 ||
        (!first && list.rows.size() != rows + 1)) {
        return "the operation was not recorded";
    }
    if (FsyncCalls() != fsyncCalls + 1) {
        return "the fsync gauge did not see the flush";
    }
    return {};
}

// A desk started on the first day records one operation into each day in
// turn per iteration, beginning with another day each time. Counters per
// day N, in milliseconds per operation: ms_N, fsync_N and rest_N.
void Record(benchmark::State& state, const std::string& folder, std::vector<DayTotals> days) {
    std::string failure;
    if (!MakeDeskInstallation(folder, &failure) || !MakeDays(folder, days, &failure)) {
        state.SkipWithError(failure.c_str());
        return;
    }
    UseDeskInstallation(folder, days[0].plan.day);
    const DeskModelList models;
    headless::Reset();
    bool ran = false;
    headless::SetSession([&](headless::Desk& desk) {
        ran = true;
        // One operation into each day first, untimed: a desk shows what it
        // has not seen of a day's file when it first records into it, and the
        // day at the desk is about the operations after that.
        for (std::size_t i = 0; i < days.size() && failure.empty(); ++i) {
            DayTotals untimed = days[i];
            failure = RecordOne(desk, untimed, true);
        }
        std::size_t first = 0;
        for (auto _ : state) {
            double seconds = 0;
            for (std::size_t i = 0; i < days.size() && failure.empty(); ++i) {
                DayTotals& totals = days[(first + i) % days.size()];
                const double before = totals.seconds;
                failure = RecordOne(desk, totals);
                seconds += totals.seconds - before;
            }
            state.SetIterationTime(seconds);
            first = (first + 1) % days.size();
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
    if (!MakeDays(folder, days, &failure)) {
        state.SkipWithError(failure.c_str());
        return;
    }
    if (!ran) {
        state.SkipWithError("the dialog did not open");
        return;
    }
    for (const DayTotals& d : days) {
        const std::string suffix = Suffix(d.plan.records);
        auto perOperation = [](double seconds) {
            return benchmark::Counter(seconds * 1e3, benchmark::Counter::kAvgIterations);
        };
        state.counters["ms" + suffix] = perOperation(d.seconds);
        state.counters["fsync" + suffix] = perOperation(d.fsyncSeconds);
        state.counters["rest" + suffix] = perOperation(d.seconds - d.fsyncSeconds);
    }
}

BenchRow MakeRow(const char* section, const std::string& label, const std::string& benchmark,
                 const std::string& counter) {
    BenchRow row;
    row.section = section;
    row.label = label;
    row.benchmark = benchmark;
    row.counter = counter;
    row.unit = UNIT_MS;
    return row;
}

void RegisterRecord(const BenchOptions& options) {
    if (options.dataFolder.empty()) {
        std::fprintf(stderr, "warning: no --data folder; the recording benchmarks are left out\n");
        return;
    }
    const std::string folder = options.dataFolder + "/desk";
    const std::string alone = "record/empty-day";
    const std::string inTurn = "record/three-days";
    benchmark::RegisterBenchmark(alone.c_str(), Record, folder, std::vector<DayTotals>{{kEmptyDay}})
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(inTurn.c_str(), Record, folder,
                                 std::vector<DayTotals>{{kDay1M}, {kDay10k}, {kEmptyDay}})
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);

    const char* section =
        "Recording one operation, headless dialog (validate, open, restore the number, read what "
        "other desks added, format, write, fsync, close, list row): a desk started on the "
        "1,000,000-record day records in turn into three days' files; ratio = this / the empty "
        "file";
    const std::string empty = Suffix(kEmptyDay.records);
    const std::string largest = Suffix(kDay1M.records);
    for (const DeskDayPlan& plan : {kEmptyDay, kDay10k, kDay1M}) {
        const std::string suffix = Suffix(plan.records);
        BenchRow row =
            MakeRow(section,
                    plan.records == 0 ? std::string("empty day file")
                                      : "day file of " + RecordsText(plan.records) + " records",
                    inTurn, "ms" + suffix);
        row.ratioTop = inTurn + "@ms" + suffix;
        row.ratioBottom = inTurn + "@ms" + empty;
        row.ratioAtMost = plan.records == kDay1M.records ? 1.1 : 0;
        BenchAddRow(row);
    }
    BenchRow row = MakeRow(section, "  fsync, 1,000,000 records (ratio: its share)", inTurn,
                           "fsync" + largest);
    row.ratioTop = inTurn + "@fsync" + largest;
    row.ratioBottom = inTurn + "@ms" + largest;
    row.ratioIsShare = true;
    BenchAddRow(row);
    for (const DeskDayPlan& plan : {kEmptyDay, kDay1M}) {
        const std::string suffix = Suffix(plan.records);
        row = MakeRow(section,
                      plan.records == 0
                          ? std::string("  all but fsync, empty day file")
                          : "  all but fsync, " + RecordsText(plan.records) + " records",
                      inTurn, "rest" + suffix);
        row.ratioTop = inTurn + "@rest" + suffix;
        row.ratioBottom = inTurn + "@rest" + empty;
        BenchAddRow(row);
    }
    // The fresh morning: a desk of its own with an empty file and an empty
    // list. Its flush is measured at other moments than the rows above, so
    // only the rest is compared with theirs.
    row = MakeRow(section, "empty day, empty list (a desk of its own)", alone, "ms" + empty);
    BenchAddRow(row);
    row = MakeRow(section, "  all but fsync (ratio: / with the 1,000,000-row list)", alone,
                  "rest" + empty);
    row.ratioTop = alone + "@rest" + empty;
    row.ratioBottom = inTurn + "@rest" + empty;
    BenchAddRow(row);
}

} // namespace

QUORVEL_BENCH_FILE(RegisterRecord)
