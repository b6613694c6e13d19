// Crash safety and concurrency of the day's file: a desk killed at random
// moments while it records, again and again, and four desks recording into
// one work area at once. Neither may lose an operation it reported, number
// one twice, skip a number or leave a torn line; the four desks' file passes
// quorvcheck --day.
#include "tests/shell/installation.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

namespace {

// 2026-03-02 09:05:03 UTC.
const std::string kMorning = "1772442303";
constexpr char kToday[] = "20260302";
const std::string kNoModels = Settings("es", Catalogue("es"));

// Starts a recorder (recorder.cpp) that reports in the file report.
pid_t StartRecorder(const std::string& count, const std::string& desk, const std::string& report) {
    return static_cast<pid_t>(
        test_system::Start(QUORVEL_RECORDER, {count, desk, kMorning, report}));
}

// Adds the whole lines of a report, "ready" left out, to reported and
// returns how many it added; a line cut off by a kill was never reported.
std::size_t AddReported(const std::string& report, std::vector<std::string>& reported) {
    const std::size_t before = reported.size();
    std::size_t from = 0;
    for (std::size_t lf; (lf = report.find('\n', from)) != std::string::npos; from = lf + 1) {
        if (report.compare(from, lf - from, "ready") != 0) {
            reported.push_back(report.substr(from, lf - from));
        }
    }
    return reported.size() - before;
}

// Checks the day's file against everything reported; returns the number of
// whole records. Each item must be in exactly one record; records of
// operations recorded but not reported (a kill between the two) are allowed.
// Up to `torn` lines may be records cut short: a kill that lands while a write
// crosses a page of the file ends it there (the system looks for a fatal
// signal between pages). Such a line was never reported; the next record
// starts on a line of its own, and its number follows the torn line's when
// that line got as far as a whole number.
std::size_t CheckDay(const std::string& day, const std::vector<std::string>& reported,
                     std::size_t torn = 0) {
    std::map<std::string, int> items;
    std::size_t records = 0, number = 1;
    for (std::size_t at = 0, end; at < day.size(); at = end + 2) {
        end = std::min(day.find("\r\n", at), day.size());
        const std::string line = day.substr(at, end - at);
        const std::string expected = std::to_string(1000000 + number).substr(1);
        const bool numbered = line.size() >= 26 && line.compare(20, 6, expected) == 0;
        if (line.size() == 130 && end < day.size() && numbered) {
            std::string item = line.substr(78, 50);
            item.erase(item.find_last_not_of(' ') + 1);
            ++items[item];
            ++records;
            ++number;
        } else if (line.size() < 131 && torn > 0 && (line.size() < 26 || numbered)) {
            --torn;
            number += numbered ? 1 : 0;
        } else {
            ADD_FAILURE() << "line after record " << records
                          << " is not whole or out of order: " << line;
            return records;
        }
    }
    for (const auto& [item, times] : items) {
        EXPECT_EQ(times, 1) << item << " recorded " << times << " times";
    }
    for (const std::string& item : reported) {
        EXPECT_EQ(items.count(item), 1u) << item << " was reported but is not in the file";
    }
    return records;
}

TEST(DayFileUnderStress, ADeskKilledWhileRecordingLosesAndRepeatsNothing) {
    test_system::UseUtc();
    const Installation install(kNoModels.c_str());
    constexpr int kKills = 200;
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // The kill lands anywhere from right after the dialog is up to a few
    // dozen operations into the run.
    std::uniform_int_distribution<int> delayMicroseconds(0, 15000);
    std::vector<std::string> reported;
    // Many kills must land while operations are being recorded; on a loaded
    // machine a desk records less in the same delay, so it gets more runs.
    int run = 0, runsThatRecorded = 0;
    for (; run < kKills || (runsThatRecorded <= kKills / 4 && run < 4 * kKills); ++run) {
        const std::string report = install.Root() + "/report" + std::to_string(run);
        const pid_t child = StartRecorder("0", "r" + std::to_string(run), report);
        ASSERT_GT(child, 0);
        for (int wait = 0; wait < 150000 && ReadFile(report).rfind("ready\n", 0) != 0; ++wait) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        ASSERT_EQ(test_system::Wait(child), -1) << "run " << run << " ended by itself";
        runsThatRecorded += AddReported(ReadFile(report), reported) > 0 ? 1 : 0;
    }
    EXPECT_GE(CheckDay(ReadFile(install.DayFile(kToday)), reported, static_cast<std::size_t>(run)),
              reported.size());
    EXPECT_GT(runsThatRecorded, kKills / 4);
}

TEST(DayFileUnderStress, FourDesksOnOneWorkAreaNumberTenThousandOperationsOnce) {
    test_system::UseUtc();
    const Installation install(kNoModels.c_str());
    constexpr int kDesks = 4, kEach = 2500;
    pid_t children[kDesks];
    for (int d = 0; d < kDesks; ++d) {
        children[d] = StartRecorder(std::to_string(kEach), "d" + std::to_string(d),
                                    install.Root() + "/report" + std::to_string(d));
        ASSERT_GT(children[d], 0);
    }
    std::vector<std::string> reported;
    for (int d = 0; d < kDesks; ++d) {
        EXPECT_EQ(test_system::Wait(children[d]), 0) << "desk " << d;
        EXPECT_EQ(AddReported(ReadFile(install.Root() + "/report" + std::to_string(d)), reported),
                  static_cast<std::size_t>(kEach))
            << "desk " << d;
    }
    EXPECT_EQ(CheckDay(ReadFile(install.DayFile(kToday)), reported),
              static_cast<std::size_t>(kDesks * kEach));
    // And the checker an administrator runs finds it sound.
    EXPECT_EQ(test_system::Wait(test_system::Start(
                  QUORVEL_QUORVCHECK,
                  {"--day", install.Root() + "/Admin/quorvp.xml", install.DayFile(kToday)})),
              0);
}

} // namespace
