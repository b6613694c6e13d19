// Probe mode "xml PARSER FILE": one parse of the file into a tree and its
// release, from cold, for the cold, peak memory and allocation columns of the
// XML rows. The counting probe also counts the tree's nodes.
#include "bench/parsers.h"
#include "bench/probe.h"

#include <cstdio>

namespace {

int ProbeXml(const std::vector<std::string>& arguments, std::string* detail) {
    const int parser = arguments.size() == 2 ? BenchParserByName(arguments[0]) : -1;
    if (parser < 0) {
        std::fprintf(stderr, "usage: quorvel_bench_probe xml PARSER FILE\n");
        return 2;
    }
    ProbeBegin();
    const ParseOutcome outcome = BenchParse(parser, arguments[1].c_str(), kProbeCountsAllocations);
    ProbeEnd();
    if (!outcome.ok) {
        std::fprintf(stderr, "%s rejected %s\n", arguments[0].c_str(), arguments[1].c_str());
        return 1;
    }
    if (kProbeCountsAllocations || parser == PARSER_FLOOR) {
        *detail = std::to_string(outcome.nodes) + (parser == PARSER_FLOOR ? " bytes" : " nodes");
    }
    return 0;
}

} // namespace

QUORVEL_PROBE_MODE("xml", ProbeXml)
