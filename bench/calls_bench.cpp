// The trace call with its gates failing, and MatchBarcode with the desk's
// eight models: time per call and matches per second, each with a probe that
// counts the allocations a million calls make (there must be none).
#include "bench/bench.h"
#include "bench/desk_calls.h"

#include "circulation/barcode.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

void TraceLevel8(benchmark::State& state) {
    long address = 0x1000;
    for (auto _ : state) {
        TraceCallLevel8(address);
        address += 64;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void TraceLevel1(benchmark::State& state) {
    for (auto _ : state) {
        TraceCallLevel1();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void Match(benchmark::State& state) {
    RegisterDeskModels();
    const std::vector<DeskBarcode>& barcodes = DeskBarcodes();
    if (MatchBarcodes() != static_cast<int>(barcodes.size())) {
        state.SkipWithError("a desk barcode was not recognised");
        return;
    }
    char captured[BARCODE_CAPTURE_SIZE];
    std::size_t next = 0;
    for (auto _ : state) {
        int32_t value = 0;
        char kind = 0;
        const int result = MatchBarcode(barcodes[next].text.c_str(), &value, &kind, captured);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(kind);
        next = next + 1 == barcodes.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void RegisterCalls(const BenchOptions&) {
    const char* section = "Calls on the hot path";
    benchmark::RegisterBenchmark("trace/level8", TraceLevel8);
    benchmark::RegisterBenchmark("trace/level1", TraceLevel1);
    benchmark::RegisterBenchmark("match/desk", Match);

    BenchRow row;
    row.section = section;
    row.label = "trace call, level 8 (stops at the level gate)";
    row.benchmark = "trace/level8";
    row.unit = UNIT_NS_PER_OP;
    row.probe = {"trace", "8"};
    row.probeWork = 1e6; // calls per probe
    row.mustNotAllocate = true;
    row.atMost = 5;
    BenchAddRow(row);

    row.label = "trace call, level 1 (stops at the configuration gate)";
    row.benchmark = "trace/level1";
    row.probe = {"trace", "1"};
    BenchAddRow(row);

    row.label = "MatchBarcode, 8 models, 16 desk barcodes in turn";
    row.benchmark = "match/desk";
    row.unit = UNIT_M_PER_S;
    row.probe = {"match"};
    row.atMost = 0;
    row.atLeast = 10;
    BenchAddRow(row);
}

} // namespace

QUORVEL_BENCH_FILE(RegisterCalls)
