// What the crash and concurrency tests ask of a day's file after many
// desks, restarts or kills: only whole records, numbered from 000001 one by
// one, and every operation a desk reported recorded there exactly once.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// Starts the recorder with its standard output in the file `report`.
inline pid_t StartRecorder(const std::string& count, const std::string& desk,
                           const std::string& time, const std::string& report) {
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0 || dup2(out, STDOUT_FILENO) < 0) {
            _exit(126);
        }
        execl(QUORVEL_RECORDER, QUORVEL_RECORDER, count.c_str(), desk.c_str(), time.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

// The whole lines of a report, "ready" left out; a line cut off by a kill
// was never reported.
inline std::vector<std::string> Reported(const std::string& report) {
    std::vector<std::string> items;
    std::size_t from = 0;
    for (std::size_t lf; (lf = report.find('\n', from)) != std::string::npos; from = lf + 1) {
        const std::string line = report.substr(from, lf - from);
        if (line != "ready") {
            items.push_back(line);
        }
    }
    return items;
}

// Checks the day's file against everything reported; returns the number of
// whole records. Each item must be in exactly one record; records of
// operations recorded but not reported (a kill between the two) are allowed.
// Up to `torn` lines may be records cut short: a kill that lands while a write
// crosses a page of the file ends it there (the system looks for a fatal
// signal between pages). Such a line was never reported; the next record
// starts on a line of its own, and its number follows the torn line's when
// that line got as far as a whole number.
inline std::size_t CheckDay(const std::string& day, const std::vector<std::string>& reported,
                            std::size_t torn = 0) {
    std::map<std::string, int> items;
    std::size_t records = 0;
    std::size_t number = 1;
    for (std::size_t at = 0, end; at < day.size(); at = end + 2) {
        end = std::min(day.find("\r\n", at), day.size());
        const std::string line = day.substr(at, end - at);
        char expected[16];
        std::snprintf(expected, sizeof expected, "%.6zu", number);
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
