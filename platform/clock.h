// The process-wide clock: the current calendar time and its conversion to
// local time, as the run-time library's _time64 and _localtime64_s give them.
//
// Everything that reads the time goes through here, so that a test can fix
// the clock at an instant of its choosing. Local time follows the process's
// time zone (TZ on Linux). Not thread-safe: the user-interface thread is the
// only reader.
#pragma once

#include <cstdint>
#include <ctime>

// Seconds since 1970-01-01 00:00:00 UTC: the fixed instant when one is set,
// else the system's current time.
std::int64_t ClockTime();

// Converts *time to local time in *result. Returns 0 on success; EINVAL when
// either pointer is null or the instant cannot be converted (a year that
// does not fit struct tm, or one outside the platform's range), and then
// every field of *result (when given) is set to -1, as _localtime64_s does.
int ClockLocalTime(std::tm* result, const std::int64_t* time);

// Test seam: from now on ClockTime returns `time`, until ClockUseSystemTime;
// with a step, each reading after the first is `step` seconds later than the
// one before, a clock that ticks with every look at it.
void ClockSetFixedTime(std::int64_t time, std::int64_t step = 0);
void ClockUseSystemTime();
