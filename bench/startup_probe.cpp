// Probe mode "startup headless FOLDER DAY RECORDS": the desk client's start-up
// from cold, in a process of its own, up to its dialog being ready, with the
// headless window backend over the installation in FOLDER on morning DAY,
// whose file holds RECORDS records (both made first when missing; see
// bench/desk_files.h). The detail is the rows shown.
#include "bench/desk_files.h"
#include "bench/desk_startup.h"
#include "bench/probe.h"

#include <cstdio>
#include <cstdlib>

namespace {

int ProbeStartUp(const std::vector<std::string>& arguments, std::string* detail) {
    if (arguments.size() != 4 || arguments[0] != "headless") {
        std::fprintf(stderr, "usage: quorvel_bench_probe startup headless FOLDER DAY RECORDS\n");
        return 2;
    }
    const int day = std::atoi(arguments[2].c_str());
    const long records = std::atol(arguments[3].c_str());
    std::string failure;
    if (!MakeDeskInstallation(arguments[1], &failure) ||
        !MakeDeskDay(arguments[1], day, records, &failure)) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 1;
    }
    UseDeskInstallation(arguments[1], day);
    std::size_t rows = 0;
    ProbeBegin();
    const bool ran = RunHeadlessDesk([&](std::size_t shown) {
        ProbeEnd();
        rows = shown;
    });
    if (!ran || rows != static_cast<std::size_t>(records)) {
        std::fprintf(stderr, "the dialog did not show the day's records\n");
        return 1;
    }
    *detail = std::to_string(rows) + " rows";
    return 0;
}

} // namespace

QUORVEL_PROBE_MODE("startup", ProbeStartUp)
