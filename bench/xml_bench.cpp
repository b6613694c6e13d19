// Parsing the three generated XML files into a tree and freeing it: ours
// against expat building a tree, libxml2, pugixml and the floor, on the same
// files in the same run. quorvel_xmlgen writes the files into the data
// folder; a file that is not there is left out with a warning.
#include "bench/bench.h"
#include "bench/parsers.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

struct XmlInput {
    const char* file;
    const char* what;
};

constexpr XmlInput kInputs[] = {
    {"settings.xml", "settings-like, ISO-8859-1"},
    {"text.xml", "text-heavy, UTF-8"},
    {"attributes.xml", "attribute-heavy, UTF-8"},
};

void ParseAndFree(benchmark::State& state, int parser, const std::string& path, long long size) {
    for (auto _ : state) {
        const ParseOutcome outcome = BenchParse(parser, path.c_str(), false);
        if (!outcome.ok) {
            state.SkipWithError("the parser rejected the file");
            break;
        }
        benchmark::DoNotOptimize(outcome);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * size);
}

void RegisterXml(const BenchOptions& options) {
    for (const XmlInput& input : kInputs) {
        const std::string path = options.dataFolder + "/" + input.file;
        struct stat info = {};
        if (stat(path.c_str(), &info) != 0) {
            std::fprintf(stderr, "warning: %s is missing; its benchmarks are left out\n",
                         path.c_str());
            continue;
        }
        const long long size = static_cast<long long>(info.st_size);
        char section[256];
        std::snprintf(section, sizeof section,
                      "XML parse + free: %s (%.1f MB, %s); ratio = ours / this", input.file,
                      static_cast<double>(size) / 1e6, input.what);
        const std::string prefix = std::string("xml/") + input.file + "/";
        for (int parser = 0; parser < PARSER_COUNT; ++parser) {
            const std::string name = prefix + BenchParserName(parser);
            benchmark::RegisterBenchmark(name.c_str(), ParseAndFree, parser, path, size)
                ->Unit(benchmark::kMillisecond);
            BenchRow row;
            row.section = section;
            row.label = BenchParserName(parser);
            row.benchmark = name;
            row.unit = UNIT_MB_PER_S;
            row.ratioTop = prefix + BenchParserName(PARSER_OURS);
            row.ratioBottom = name;
            row.probe = {"xml", BenchParserName(parser), path};
            row.probeWork = static_cast<double>(size);
            if (parser == PARSER_EXPAT_TREE) {
                row.ratioAtLeast = 1.0;
            } else if (parser == PARSER_LIBXML2) {
                row.ratioAtLeast = 1.5;
            }
            BenchAddRow(row);
        }
    }
}

} // namespace

QUORVEL_BENCH_FILE(RegisterXml)
