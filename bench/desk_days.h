// The days of the benchmarks' desk installation (bench/desk_files.h): which
// morning holds how many records. Start-up and recording share them.
#pragma once

struct DeskDayPlan {
    int day;      // the morning, for MakeDeskDay and UseDeskDay
    long records; // records in its file
};

constexpr DeskDayPlan kEmptyDay = {0, 0};
constexpr DeskDayPlan kDay10k = {1, 10000};
constexpr DeskDayPlan kDay100k = {2, 100000};
constexpr DeskDayPlan kDay1M = {3, 1000000};
