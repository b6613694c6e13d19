// The process-wide clock: the fixed-time seam and the local-time conversion.
#include "platform/clock.h"
#include "tests/test_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <limits>

namespace {

TEST(Clock, FixedTimesConvertToLocalTimeOrFailWithEveryFieldMinusOneThenSystemTime) {
    test_system::UseUtc();
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
    const char* const failed = "1899-00--1 -1:-1:-1";
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "1970-01-01 00:00:00"},
        {32535215999, "3000-12-31 23:59:59"},
        // Beyond the Windows run-time library's range: refused there.
        {253402300800, test_system::kLocalTimeAfter3000 ? "10000-01-01 00:00:00" : failed},
        {huge, failed},
    };
    for (const auto& [time, local] : cases) {
        ClockSetFixedTime(time);
        const std::int64_t now = ClockTime(); // converted below
        std::tm tm{};
        EXPECT_EQ(ClockLocalTime(&tm, &now), local == failed ? EINVAL : 0) << time;
        char text[80];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                      tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        EXPECT_STREQ(text, local) << time;
    }
    EXPECT_EQ(ClockLocalTime(nullptr, &huge), EINVAL);
    ClockUseSystemTime();
    const std::int64_t before = std::time(nullptr), now = ClockTime();
    EXPECT_TRUE(before <= now && now <= std::time(nullptr));
}

} // namespace
