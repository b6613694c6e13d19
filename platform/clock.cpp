// The process-wide clock behind platform/clock.h.
#include "platform/clock.h"

#include <cerrno>
#include <limits>

namespace {

bool g_fixed = false;
std::int64_t g_fixedTime = 0;
std::int64_t g_fixedStep = 0;

bool FitsTimeT(std::int64_t t) {
    if constexpr (sizeof(std::time_t) >= sizeof(std::int64_t)) {
        return true;
    } else {
        return t >= std::numeric_limits<std::time_t>::min() &&
               t <= std::numeric_limits<std::time_t>::max();
    }
}

} // namespace

std::int64_t ClockTime() {
    if (g_fixed) {
        const std::int64_t now = g_fixedTime;
        g_fixedTime += g_fixedStep;
        return now;
    }
    return static_cast<std::int64_t>(std::time(nullptr));
}

int ClockLocalTime(std::tm* result, const std::int64_t* time) {
    if (result == nullptr) {
        return EINVAL;
    }
    bool ok = false;
    if (time != nullptr && FitsTimeT(*time)) {
        const auto t = static_cast<std::time_t>(*time);
#ifdef _WIN32
        ok = localtime_s(result, &t) == 0;
#else
        ok = localtime_r(&t, result) != nullptr;
#endif
    }
    if (ok) {
        return 0;
    }
    result->tm_sec = result->tm_min = result->tm_hour = -1;
    result->tm_mday = result->tm_mon = result->tm_year = -1;
    result->tm_wday = result->tm_yday = result->tm_isdst = -1;
    return EINVAL;
}

void ClockSetFixedTime(std::int64_t time, std::int64_t step) {
    g_fixed = true;
    g_fixedTime = time;
    g_fixedStep = step;
}

void ClockUseSystemTime() {
    g_fixed = false;
}
