// Probe modes "trace LEVEL" and "match": a million trace calls with their
// gates failing, and a million matches over the desk's barcodes, counted for
// allocations (the table requires none).
#include "bench/desk_calls.h"
#include "bench/probe.h"

#include <cstdio>

namespace {

constexpr int kCalls = 1000000;

int ProbeTrace(const std::vector<std::string>& arguments, std::string* detail) {
    const bool level8 = arguments.size() == 1 && arguments[0] == "8";
    if (!level8 && !(arguments.size() == 1 && arguments[0] == "1")) {
        std::fprintf(stderr, "usage: quorvel_bench_probe trace 8|1\n");
        return 2;
    }
    ProbeBegin();
    for (int i = 0; i < kCalls; ++i) {
        if (level8) {
            TraceCallLevel8(i);
        } else {
            TraceCallLevel1();
        }
    }
    ProbeEnd();
    *detail = std::to_string(kCalls) + " calls";
    return 0;
}

int ProbeMatch(const std::vector<std::string>&, std::string* detail) {
    RegisterDeskModels();
    const int perRound = static_cast<int>(DeskBarcodes().size());
    int recognised = 0;
    ProbeBegin();
    for (int done = 0; done < kCalls; done += perRound) {
        recognised += MatchBarcodes();
    }
    ProbeEnd();
    const int rounds = (kCalls + perRound - 1) / perRound;
    if (recognised != rounds * perRound) {
        std::fprintf(stderr, "a desk barcode was not recognised\n");
        return 1;
    }
    *detail = std::to_string(rounds * perRound) + " matches";
    return 0;
}

} // namespace

QUORVEL_PROBE_MODE("trace", ProbeTrace)
QUORVEL_PROBE_MODE("match", ProbeMatch)
