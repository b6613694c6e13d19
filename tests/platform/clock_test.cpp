// The process-wide clock: the fixed-time seam and the local-time conversion.
#include "platform/clock.h"
#include "tests/test_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

class Clock : public ::testing::Test {
protected:
    void SetUp() override { test_system::UseUtc(); }
    void TearDown() override { ClockUseSystemTime(); }
};

struct LocalCase {
    const char* description;
    std::int64_t time;
    bool converts;
    int year, month, day, hour, minute, second;
};

TEST_F(Clock, FixedTimesConvertToLocalTime) {
    const LocalCase cases[] = {
        {"epoch", 0, true, 1970, 1, 1, 0, 0, 0},
        {"december_2026", 1796533219, true, 2026, 12, 6, 5, 0, 19},
        {"leap_day", 951782400, true, 2000, 2, 29, 0, 0, 0},
        {"last_second_of_3000", 32535215999, true, 3000, 12, 31, 23, 59, 59},
        // Beyond the Windows run-time library's range: refused there.
        {"five_digit_year", 253402300800, test_system::kLocalTimeAfter3000, 10000, 1, 1, 0, 0, 0},
    };
    for (const LocalCase& c : cases) {
        ClockSetFixedTime(c.time);
        const std::int64_t now = ClockTime();
        EXPECT_EQ(now, c.time) << c.description;
        std::tm tm{};
        if (!c.converts) {
            EXPECT_EQ(ClockLocalTime(&tm, &now), EINVAL) << c.description;
            EXPECT_EQ(tm.tm_year, -1) << c.description;
            continue;
        }
        ASSERT_EQ(ClockLocalTime(&tm, &now), 0) << c.description;
        EXPECT_EQ(tm.tm_year + 1900, c.year) << c.description;
        EXPECT_EQ(tm.tm_mon + 1, c.month) << c.description;
        EXPECT_EQ(tm.tm_mday, c.day) << c.description;
        EXPECT_EQ(tm.tm_hour, c.hour) << c.description;
        EXPECT_EQ(tm.tm_min, c.minute) << c.description;
        EXPECT_EQ(tm.tm_sec, c.second) << c.description;
    }
}

TEST_F(Clock, FailedConversionsSayEinvalAndFillMinusOne) {
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
    std::tm tm{};
    tm.tm_mday = 5;
    EXPECT_EQ(ClockLocalTime(&tm, &huge), EINVAL);
    EXPECT_EQ(tm.tm_mday, -1);
    EXPECT_EQ(tm.tm_year, -1);
    EXPECT_EQ(ClockLocalTime(&tm, nullptr), EINVAL);
    EXPECT_EQ(ClockLocalTime(nullptr, &huge), EINVAL);
}

TEST_F(Clock, SystemTimeIsBackAfterTheSeam) {
    ClockSetFixedTime(42);
    EXPECT_EQ(ClockTime(), 42);
    ClockUseSystemTime();
    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
    const std::int64_t now = ClockTime();
    EXPECT_GE(now, before);
    EXPECT_LE(now, static_cast<std::int64_t>(std::time(nullptr)));
}

} // namespace
