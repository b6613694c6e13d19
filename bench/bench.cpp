// quorvel_bench: runs every registered benchmark, keeps the medians, runs the
// probes and prints the one table that docs/performance.md quotes.
//
//   quorvel_bench --data=FOLDER [--cold-runs=N] [Google Benchmark flags]
//
// Exits non-zero when a benchmark fails, a probe fails, or a row that must not
// allocate does; a missed target is only marked.
#include "bench/bench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<BenchRegistrar>& Registrars() {
    static std::vector<BenchRegistrar> registrars;
    return registrars;
}

std::vector<BenchRow>& Rows() {
    static std::vector<BenchRow> rows;
    return rows;
}

// The medians of one benchmark, or of its only run without repetitions.
struct Median {
    double bytesPerSecond = 0;
    double itemsPerSecond = 0;
    double realNsPerIteration = 0;
    std::map<std::string, double> counters; // the user counters, as reported
    bool failed = false;
    std::string error;
};

// The console's usual output, and the medians kept on the side.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            if (run.error_occurred) {
                medians_[name].failed = true;
                medians_[name].error = run.error_message;
                continue;
            }
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate ? run.aggregate_name != "median" : run.repetitions > 1) {
                continue;
            }
            Median& m = medians_[name];
            m.bytesPerSecond = Counter(run, "bytes_per_second");
            m.itemsPerSecond = Counter(run, "items_per_second");
            m.realNsPerIteration = run.GetAdjustedRealTime() * Multiplier(run.time_unit);
            for (const auto& [counter, value] : run.counters) {
                m.counters[counter] = static_cast<double>(value.value);
            }
        }
    }

    const Median* Find(const std::string& name) const {
        const auto it = medians_.find(name);
        return it != medians_.end() ? &it->second : nullptr;
    }

private:
    static double Counter(const Run& run, const char* name) {
        const auto it = run.counters.find(name);
        return it != run.counters.end() ? static_cast<double>(it->second.value) : 0;
    }
    static double Multiplier(benchmark::TimeUnit unit) {
        switch (unit) {
        case benchmark::kSecond:
            return 1e9;
        case benchmark::kMillisecond:
            return 1e6;
        case benchmark::kMicrosecond:
            return 1e3;
        default:
            return 1;
        }
    }

    std::map<std::string, Median> medians_;
};

// A median in its row's unit; NaN when there is none.
double ValueOf(const Median* m, BenchUnit unit) {
    if (m == nullptr || m->failed) {
        return NAN;
    }
    switch (unit) {
    case UNIT_MB_PER_S:
        return m->bytesPerSecond > 0 ? m->bytesPerSecond / 1e6 : NAN;
    case UNIT_NS_PER_OP:
        return m->itemsPerSecond > 0 ? 1e9 / m->itemsPerSecond : NAN;
    case UNIT_M_PER_S:
        return m->itemsPerSecond > 0 ? m->itemsPerSecond / 1e6 : NAN;
    case UNIT_MS:
        return m->realNsPerIteration > 0 ? m->realNsPerIteration / 1e6 : NAN;
    }
    return NAN;
}

// The median that "NAME" (a benchmark's time) or "NAME@COUNTER" (one of its
// counters, taken in the row's unit as it is) refers to; NaN when there is none.
double ValueOf(const CollectingReporter& reporter, const std::string& reference, BenchUnit unit) {
    const std::size_t at = reference.find('@');
    const Median* m = reporter.Find(reference.substr(0, at));
    if (at == std::string::npos || m == nullptr || m->failed) {
        return ValueOf(m, unit);
    }
    const auto it = m->counters.find(reference.substr(at + 1));
    return it != m->counters.end() ? it->second : NAN;
}

// Whether --benchmark_filter lets a probe-only row run, as it would a
// benchmark of that name: a regular expression found in the name, or, after a
// leading "-", one that is not.
bool FilterAdmits(const std::string& name) {
    std::string filter = benchmark::GetBenchmarkFilter();
    if (filter.empty() || filter == "all" || filter == ".") {
        return true;
    }
    const bool negative = filter[0] == '-';
    if (negative) {
        filter.erase(0, 1);
    }
    try {
        return std::regex_search(name, std::regex(filter)) != negative;
    } catch (const std::regex_error&) {
        return false;
    }
}

const char* UnitName(BenchUnit unit) {
    switch (unit) {
    case UNIT_MB_PER_S:
        return "MB/s";
    case UNIT_NS_PER_OP:
        return "ns/op";
    case UNIT_M_PER_S:
        return "M/s";
    case UNIT_MS:
        return "ms";
    }
    return "";
}

struct ProbeOutcome {
    bool ran = false;
    double peakKib = 0;
    std::string allocations; // "-" when not counted
    double milliseconds = 0;
    std::string detail;
};

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

ProbeOutcome RunProbe(const std::string& program, const std::vector<std::string>& arguments) {
    std::string command = ShellQuote(program);
    for (const std::string& a : arguments) {
        command.append(" ").append(ShellQuote(a));
    }
    ProbeOutcome outcome;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    char line[1024] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = pclose(pipe);
    char allocations[64] = {};
    const char* detail = std::strstr(line, "detail=");
    if (!got || status != 0 || detail == nullptr ||
        std::sscanf(line, "peak_kib=%lf allocations=%63s ms=%lf", &outcome.peakKib, allocations,
                    &outcome.milliseconds) != 3) {
        return outcome;
    }
    outcome.allocations = allocations;
    outcome.detail = detail + 7;
    outcome.detail.erase(outcome.detail.find_last_not_of("\r\n") + 1);
    outcome.ran = true;
    return outcome;
}

double MedianOf(std::vector<double> values) {
    if (values.empty()) {
        return NAN;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The folder of this program, where the probe programs stand too.
std::string OwnFolder() {
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string path = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : "";
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string Format(const char* format, double value) {
    if (std::isnan(value)) {
        return "-";
    }
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Three significant figures or so, whatever the size.
std::string Figure(double value) {
    if (std::isnan(value)) {
        return "-";
    }
    const double a = std::fabs(value);
    return Format(a >= 100 ? "%.0f" : a >= 10 ? "%.1f" : a >= 1 ? "%.2f" : "%.3f", value);
}

std::string Ratio(double ratio, bool share) {
    return std::isnan(ratio) ? "" : share ? Format("%.0f %%", ratio * 100) : Format("%.2fx", ratio);
}

std::string TargetText(const BenchRow& row) {
    std::string t;
    const char* unit = UnitName(row.unit);
    auto add = [&t](const std::string& s) { t += (t.empty() ? "" : ", ") + s; };
    if (row.atLeast > 0) {
        add(">= " + Figure(row.atLeast) + " " + unit);
    }
    if (row.atMost > 0) {
        add("<= " + Figure(row.atMost) + " " + unit);
    }
    const std::string ratio = row.ratioBoundWarmOnly ? "warm ratio" : "ratio";
    if (row.ratioAtLeast > 0) {
        add(ratio + " >= " + Figure(row.ratioAtLeast));
    }
    if (row.ratioAtMost > 0) {
        add(ratio + " <= " + Figure(row.ratioAtMost));
    }
    if (row.peakAtMostMib > 0) {
        add("peak <= " + Figure(row.peakAtMostMib) + " MiB");
    }
    if (row.mustNotAllocate) {
        add("no allocation");
    }
    return t;
}

std::string Pad(const std::string& s, std::size_t width, bool right) {
    if (s.size() >= width) {
        return s;
    }
    const std::string fill(width - s.size(), ' ');
    return right ? fill + s : s + fill;
}

// What the probes found for one row.
struct Cold {
    double value = NAN; // the median cold time in the row's unit
    ProbeOutcome counted;
    double peakMib = NAN;
    bool failed = false;
};

// The probes of every row: the rows take turns, round after round, so that
// a burst of load from elsewhere on a shared machine falls on all of them
// alike; then one counting run each. Keyed by benchmark name.
std::map<std::string, Cold> RunColdProbes(const std::vector<const BenchRow*>& rows,
                                          const std::string& folder, int rounds) {
    std::map<std::string, std::vector<double>> times;
    std::map<std::string, std::vector<double>> peaks;
    std::map<std::string, Cold> colds;
    for (int round = 0; round < rounds; ++round) {
        std::fprintf(stderr, "cold runs, round %d of %d\n", round + 1, rounds);
        for (const BenchRow* row : rows) {
            Cold& cold = colds[row->benchmark];
            if (row->probe.empty() || cold.failed) {
                continue;
            }
            const ProbeOutcome p =
                RunProbe(folder + "quorvel_bench_probe" + row->probeProgram, row->probe);
            cold.failed = !p.ran;
            times[row->benchmark].push_back(p.milliseconds);
            peaks[row->benchmark].push_back(p.peakKib / 1024.0);
        }
    }
    for (const BenchRow* row : rows) {
        Cold& cold = colds[row->benchmark];
        if (row->probe.empty() || cold.failed) {
            continue;
        }
        cold.counted = RunProbe(folder + "quorvel_bench_count" + row->probeProgram, row->probe);
        cold.failed = !cold.counted.ran;
        cold.peakMib = MedianOf(peaks[row->benchmark]);
        const double ms = MedianOf(times[row->benchmark]);
        if (row->unit == UNIT_MS) {
            cold.value = ms;
        } else if (row->probeWork > 0 && ms > 0) {
            const double perSecond = row->probeWork / (ms / 1e3);
            cold.value = row->unit == UNIT_NS_PER_OP ? 1e9 / perSecond : perSecond / 1e6;
        }
    }
    return colds;
}

bool ValueMisses(const BenchRow& row, double value) {
    return (row.atLeast > 0 && !(value >= row.atLeast)) ||
           (row.atMost > 0 && !(value <= row.atMost));
}

// A ratio that could not be taken (NaN) misses any bound on it.
bool RatioMisses(const BenchRow& row, double ratio) {
    return (row.ratioAtLeast > 0 && !(ratio >= row.ratioAtLeast)) ||
           (row.ratioAtMost > 0 && !(ratio <= row.ratioAtMost));
}

// Runs the probes, prints the rows and returns whether the run failed.
bool PrintTable(const CollectingReporter& reporter, int coldRuns) {
    const std::string folder = OwnFolder();
    std::vector<const BenchRow*> rows;
    std::vector<std::string> problems;
    for (const BenchRow& row : Rows()) {
        if (row.probeOnly ? !FilterAdmits(row.benchmark)
                          : reporter.Find(row.benchmark) == nullptr) {
            problems.push_back("not run (filtered out?): " + row.benchmark);
            continue;
        }
        rows.push_back(&row);
    }
    std::map<std::string, Cold> colds = RunColdProbes(rows, folder, coldRuns);
    auto coldOf = [&colds](const std::string& name) {
        const auto it = colds.find(name);
        return it != colds.end() ? it->second.value : NAN;
    };

    const std::vector<std::string> header = {"measure", "warm",  "unit",     "ratio",
                                             "cold",    "ratio", "peak MiB", "allocations",
                                             "detail",  "target"};
    const std::vector<bool> right = {false, true, false, true,  true,
                                     true,  true, true,  false, false};
    std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> sections;
    for (const BenchRow* row : rows) {
        const Median* m = reporter.Find(row->benchmark);
        const Cold& cold = colds[row->benchmark];
        const double value =
            row->probeOnly
                ? NAN
                : ValueOf(reporter,
                          row->benchmark + (row->counter.empty() ? "" : "@" + row->counter),
                          row->unit);
        double ratio = NAN;
        double coldRatio = NAN;
        if (!row->ratioTop.empty()) {
            ratio = ValueOf(reporter, row->ratioTop, row->unit) /
                    ValueOf(reporter, row->ratioBottom, row->unit);
            coldRatio = coldOf(row->ratioTop) / coldOf(row->ratioBottom);
        }
        if (!row->probeOnly && (m->failed || std::isnan(value))) {
            problems.push_back("FAILED " + row->benchmark +
                               (m->error.empty() ? "" : ": " + m->error));
        }
        if (cold.failed) {
            problems.push_back("FAILED probe of " + row->benchmark);
        } else if (row->mustNotAllocate && cold.counted.allocations != "0") {
            problems.push_back("FAILED " + row->benchmark + " allocated " +
                               cold.counted.allocations + " times");
        }
        const bool probed = !row->probe.empty();
        const bool missed = (!row->probeOnly && ValueMisses(*row, value)) ||
                            (probed && ValueMisses(*row, cold.value)) ||
                            (!row->probeOnly && RatioMisses(*row, ratio)) ||
                            (probed && !row->ratioBoundWarmOnly && RatioMisses(*row, coldRatio)) ||
                            (row->peakAtMostMib > 0 && !(cold.peakMib <= row->peakAtMostMib));
        std::string target = TargetText(*row);
        if (!target.empty()) {
            target += missed ? "  MISSED" : "  met";
        }
        if (missed) {
            problems.push_back("missed target: " + row->section + " / " + row->label);
        }
        if (sections.empty() || sections.back().first != row->section) {
            sections.push_back({row->section, {}});
        }
        const bool counted = cold.counted.ran;
        sections.back().second.push_back(
            {row->label, Figure(value), UnitName(row->unit), Ratio(ratio, row->ratioIsShare),
             Figure(cold.value), Ratio(coldRatio, row->ratioIsShare),
             counted ? Format("%.1f", cold.peakMib) : "", counted ? cold.counted.allocations : "",
             counted ? cold.counted.detail : "", target});
    }

    std::vector<std::size_t> width(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
        width[c] = header[c].size();
    }
    for (const auto& section : sections) {
        for (const auto& cells : section.second) {
            for (std::size_t c = 0; c < cells.size(); ++c) {
                width[c] = std::max(width[c], cells[c].size() + (c == 0 ? 2 : 0));
            }
        }
    }
    std::string out = "\n";
    auto emit = [&](const std::vector<std::string>& cells, const char* indent) {
        std::string text;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::string cell = (c == 0 ? indent : "") + cells[c];
            text += (c > 0 ? "  " : "") + Pad(cell, width[c], right[c]);
        }
        text.erase(text.find_last_not_of(' ') + 1);
        out += text + "\n";
    };
    emit(header, "");
    for (const auto& section : sections) {
        out += section.first + "\n";
        for (const auto& cells : section.second) {
            emit(cells, "  ");
        }
    }
    for (const std::string& p : problems) {
        out += p + "\n";
    }
    std::fputs(out.c_str(), stdout);
    return std::any_of(problems.begin(), problems.end(),
                       [](const std::string& p) { return p.rfind("FAILED", 0) == 0; });
}

} // namespace

bool BenchAddRegistrar(BenchRegistrar registrar) {
    Registrars().push_back(registrar);
    return true;
}

void BenchAddRow(const BenchRow& row) {
    Rows().push_back(row);
}

int main(int argc, char** argv) {
    BenchOptions options;
    int coldRuns = 5;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--data=", 7) == 0) {
            options.dataFolder = argv[i] + 7;
        } else if (std::strncmp(argv[i], "--cold-runs=", 12) == 0) {
            coldRuns = std::max(1, std::atoi(argv[i] + 12));
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    rest.push_back(nullptr);
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) {
        return 2;
    }
    for (BenchRegistrar registrar : Registrars()) {
        registrar(options);
    }
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return PrintTable(reporter, coldRuns) ? 1 : 0;
}
