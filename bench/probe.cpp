// The probe programs' main, their clock and their memory gauge. Linux only,
// as the benchmarks are.
#include "bench/probe.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

std::map<std::string, ProbeMode>& Modes() {
    static std::map<std::string, ProbeMode> modes;
    return modes;
}

// A figure in kB from /proc/self/status ("VmRSS", "VmHWM"), or -1.
long StatusKib(const char* key) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) {
        return -1;
    }
    char line[256];
    long value = -1;
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            value = std::strtol(line + keyLength + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return value;
}

// Writing 5 to clear_refs sets the high-water mark back to what is resident.
void ResetPeak() {
    std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (f != nullptr) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

long s_residentAtBegin = 0;
long s_peakKib = 0;
std::chrono::steady_clock::time_point s_began;
double s_milliseconds = 0;

} // namespace

bool ProbeAddMode(const char* name, ProbeMode mode) {
    Modes()[name] = mode;
    return true;
}

void ProbeBegin() {
    ResetPeak();
    s_residentAtBegin = StatusKib("VmRSS");
    g_probeAllocations = 0;
    g_probeCounting = true;
    s_began = std::chrono::steady_clock::now();
}

void ProbeEnd() {
    const auto ended = std::chrono::steady_clock::now();
    s_milliseconds = std::chrono::duration<double, std::milli>(ended - s_began).count();
    g_probeCounting = false;
    const long peak = StatusKib("VmHWM");
    s_peakKib = peak > s_residentAtBegin ? peak - s_residentAtBegin : 0;
}

int main(int argc, char** argv) {
    if (argc < 2 || Modes().count(argv[1]) == 0) {
        std::fprintf(stderr, "usage: quorvel_bench_probe MODE ARGUMENTS...; modes:");
        for (const auto& [name, mode] : Modes()) {
            std::fprintf(stderr, " %s", name.c_str());
        }
        std::fprintf(stderr, "\n");
        return 2;
    }
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    std::string detail;
    const int result = Modes()[argv[1]](arguments, &detail);
    if (result != 0) {
        return result;
    }
    const std::string allocations =
        kProbeCountsAllocations ? std::to_string(g_probeAllocations) : std::string("-");
    std::printf("peak_kib=%ld allocations=%s ms=%.3f detail=%s\n", s_peakKib, allocations.c_str(),
                s_milliseconds, detail.c_str());
    return 0;
}
