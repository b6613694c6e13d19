// What the crash and concurrency tests ask of a day's file after many
// desks, restarts or kills: only whole records, numbered from 000001 one by
// one, and every operation a desk reported recorded there exactly once.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

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
// records. Each item must be in exactly one record; records of operations
// recorded but not reported (a kill between the two) are allowed.
inline std::size_t CheckDay(const std::string& day, const std::vector<std::string>& reported) {
    EXPECT_EQ(day.size() % 132, 0u) << "a torn record";
    std::map<std::string, int> items;
    std::size_t records = 0;
    for (std::size_t at = 0; at + 132 <= day.size(); at += 132, ++records) {
        const std::string record = day.substr(at, 132);
        char number[16];
        std::snprintf(number, sizeof number, "%.6zu", records + 1);
        if (record.compare(130, 2, "\r\n") != 0 || record.compare(20, 6, number) != 0 ||
            record.find('\n') != 131) {
            ADD_FAILURE() << "record " << records + 1
                          << " is not whole or out of order: " << record;
            return records;
        }
        std::string item = record.substr(78, 50);
        item.erase(item.find_last_not_of(' ') + 1);
        ++items[item];
    }
    for (const auto& [item, times] : items) {
        EXPECT_EQ(times, 1) << item << " recorded " << times << " times";
    }
    for (const std::string& item : reported) {
        EXPECT_EQ(items.count(item), 1u) << item << " was reported but is not in the file";
    }
    return records;
}
