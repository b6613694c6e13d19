// Crash safety and concurrency of the day's file: a desk killed at random
// moments while it records, again and again, and four desks recording into
// one work area at once. Neither may lose an operation it reported, number
// one twice, skip a number or leave a torn line.
#include "day_check.h"

#include "tests/shell/installation.h"

#include <signal.h>

#include <chrono>
#include <random>
#include <thread>

namespace {

// 2026-03-02 09:05:03 UTC.
const std::string kMorning = "1772442303";
constexpr char kToday[] = "20260302";
const std::string kNoModels = Settings("es", Catalogue("es"));

class DayFileUnderStress : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    Installation install{kNoModels.c_str()};
};

TEST_F(DayFileUnderStress, ADeskKilledWhileRecordingLosesAndRepeatsNothing) {
    constexpr int kKills = 200;
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // The kill lands anywhere from right after the dialog is up to a few
    // dozen operations into the run.
    std::uniform_int_distribution<int> delayMicroseconds(0, 15000);
    std::vector<std::string> reported;
    int runsThatRecorded = 0;
    // Many kills must land while operations are being recorded; on a loaded
    // machine a desk records less in the same delay, so it gets more runs.
    int run = 0;
    for (; run < kKills || (runsThatRecorded <= kKills / 4 && run < 4 * kKills); ++run) {
        const std::string report = install.Root() + "/report" + std::to_string(run);
        const pid_t child = StartRecorder("0", "r" + std::to_string(run), kMorning, report);
        ASSERT_GT(child, 0);
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ReadFile(report).compare(0, 6, "ready\n") != 0 &&
               std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "run " << run << " ended by itself: " << status;
        const std::vector<std::string> items = Reported(ReadFile(report));
        runsThatRecorded += items.empty() ? 0 : 1;
        reported.insert(reported.end(), items.begin(), items.end());
    }
    const std::size_t records =
        CheckDay(ReadFile(install.DayFile(kToday)), reported, static_cast<std::size_t>(run));
    EXPECT_GE(records, reported.size());
    EXPECT_GT(runsThatRecorded, kKills / 4);
    std::printf("%d kills, %zu operations reported, %zu records, %d runs recorded\n", run,
                reported.size(), records, runsThatRecorded);
}

TEST_F(DayFileUnderStress, FourDesksOnOneWorkAreaNumberTenThousandOperationsOnce) {
    constexpr int kDesks = 4;
    constexpr int kEach = 2500;
    pid_t children[kDesks];
    for (int d = 0; d < kDesks; ++d) {
        children[d] = StartRecorder(std::to_string(kEach), "d" + std::to_string(d), kMorning,
                                    install.Root() + "/report" + std::to_string(d));
        ASSERT_GT(children[d], 0);
    }
    std::vector<std::string> reported;
    for (int d = 0; d < kDesks; ++d) {
        int status = 0;
        ASSERT_EQ(waitpid(children[d], &status, 0), children[d]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "desk " << d << ": " << status;
        const std::vector<std::string> items =
            Reported(ReadFile(install.Root() + "/report" + std::to_string(d)));
        EXPECT_EQ(items.size(), static_cast<std::size_t>(kEach)) << "desk " << d;
        reported.insert(reported.end(), items.begin(), items.end());
    }
    EXPECT_EQ(CheckDay(ReadFile(install.DayFile(kToday)), reported),
              static_cast<std::size_t>(kDesks * kEach));
}

} // namespace
