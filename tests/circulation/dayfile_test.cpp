// The day's transaction file as text: the record byte for byte, the list row
// rebuilt from well-formed and odd lines, which lines are whole records and
// their numbers, and the file's name and path.
#include "circulation/dayfile.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

std::tm At(int hour, int minute, int second, int year = 2024, int month = 3, int day = 2) {
    std::tm t{};
    std::tie(t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec) =
        std::tuple(year - 1900, month - 1, day, hour, minute, second);
    return t;
}

// What the conversion of a failed clock reading leaves: every field -1.
const std::tm kFailed = At(-1, -1, -1, 1899, 0, -1);
const auto Sp = [](std::size_t n) { return std::string(n, ' '); };

const std::string kTen = "0123456789";
const std::string kFifty = kTen + kTen + kTen + kTen + kTen;
const std::string kLoan = "2024-03-02 09:05:03 000001  123457" + Sp(43) + " B1" + Sp(48) + " P";

TEST(Record, ByteForByte) {
    // When, number, patron, item, mode: the record.
    const std::tuple<std::tm, std::int32_t, std::string, std::string, OperationMode, std::string>
        cases[] = {
            {At(9, 5, 3), 1, " 123457", "B1", OPERATION_LOAN, kLoan},
            {At(9, 7, 15), 2, "123457", "B7", OPERATION_RETURN,
             "2024-03-02 09:07:15 000002 " + Sp(50) + " B7" + Sp(48) + " D"},
            {At(10, 0, 59), 4, kFifty, kFifty + kTen, OPERATION_REQUEST,
             "2024-03-02 10:00:59 000004 " + kFifty + " " + kFifty + " T"},
            {At(11, 30, 0), 14, "1", "2", 7,
             "2024-03-02 11:30:00 000014 " + Sp(50) + " 2" + Sp(49) + " T"},
            {At(12, 0, 1), 1000000, "1", "2", OPERATION_LOAN,
             "2024-03-02 12:00:01 100000 1" + Sp(49) + " 2" + Sp(49) + " P"},
            // A line end or NUL in a barcode would split the record on disk.
            {At(12, 30, 0), 15, std::string("1\r\n2\0", 5), "\n", OPERATION_LOAN,
             "2024-03-02 12:30:00 000015 1  2 " + Sp(45) + " " + Sp(50) + " P"},
            {kFailed, 8, "1", "2", OPERATION_LOAN,
             Sp(10) + " " + Sp(8) + " 000008 1" + Sp(49) + " 2" + Sp(49) + " P"},
        };
    for (const auto& [when, sequence, patron, item, mode, record] : cases) {
        EXPECT_EQ(BuildRecord(when, sequence, patron, item, mode), record);
    }
}

TEST(Row, WellFormedAndOddLines) {
    // The record, the five cells each followed by "|", the mode.
    const std::tuple<std::string, std::string, OperationMode> cases[] = {
        {kLoan, "02/03/2024|09:05:03|000001| 123457" + Sp(43) + "|B1" + Sp(48) + "|", 0},
        {"", "//|||||", OPERATION_REQUEST},
        {"5-3", "3//5|||||", OPERATION_REQUEST},
        {"2024-03-02 D", "02/03/2024|||||", OPERATION_RETURN},
        {"2024-03-02 09:05", "02/03/2024|09:0||||", OPERATION_REQUEST},
        {"2024-3-5 09:05:03 000001 P", "5 0/3/2024|:05:03 0|0001 |||", 0},
    };
    for (const auto& [record, cells, mode] : cases) {
        const RecordRow row = MakeRecordRow(record);
        std::string shown;
        for (const std::string& cell : row.cells) {
            shown += cell + "|";
        }
        EXPECT_EQ(shown, cells) << record;
        EXPECT_EQ(row.mode, mode) << record;
    }
    EXPECT_EQ(MakeRecordRow(kLoan.substr(0, 129) + "p").mode, OPERATION_REQUEST);
}

TEST(Sequence, OfAWholeRecordOnly) {
    const std::pair<std::string, std::int32_t> cases[] = {
        {kLoan.substr(0, 20) + "999999" + kLoan.substr(26), 999999},
        {"2024-03-02 09:05:03 000042", 42},
        {"2024-03-02 09:05:03 000000 x", 0},
        {"2024-03-02 09:05:03 00004", -1},
        {"", -1},
        {"2024-03-02 09:05:03 00a001 x", -1},
        {"2024-03-02 09:05:03  00001 x", -1},
    };
    for (const auto& [line, sequence] : cases) {
        EXPECT_EQ(IsWholeRecord(line), sequence >= 0) << '"' << line << '"';
        EXPECT_EQ(SequenceFromRecord(line), std::max(sequence, 0)) << '"' << line << '"';
    }
}

TEST(Path, NameFromTheLocalDateAndWorkAreaAsWritten) {
    const std::tm day = At(23, 59, 59);
    EXPECT_EQ(DayFileName(day), "20240302");
    EXPECT_EQ(DayFilePath("C:\\Quorvel\\Work", day), "C:\\Quorvel\\Work/20240302.qvp");
    EXPECT_EQ(DayFilePath("", day), "");
    EXPECT_EQ(DayFilePath(" work/", At(0, 0, 0, 2025, 1, 1)), " work//20250101.qvp");
    EXPECT_EQ(DayFilePath("work", kFailed), "");
}

} // namespace
