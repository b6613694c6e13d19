// The day's transaction file as text: the record byte for byte over a morning
// of operations, the list row rebuilt from well-formed and odd lines, the
// number read back from a last line, the file's name and path, and the two
// string helpers.
#include "circulation/dayfile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

std::tm FailedClock() {
    std::tm t{};
    t.tm_sec = t.tm_min = t.tm_hour = t.tm_mday = t.tm_mon = t.tm_year = -1;
    return t;
}

std::string Spaces(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

const std::string kTen = "0123456789";
const std::string kFifty = kTen + kTen + kTen + kTen + kTen;

// --- The record, byte for byte ---------------------------------------------

struct RecordCase {
    const char* description;
    std::tm when;
    std::int32_t sequence;
    std::string patron;
    std::string item;
    OperationMode mode;
    std::string record;
};

TEST(Record, MorningOfMixedOperations) {
    const RecordCase cases[] = {
        {"loan", At(2024, 3, 2, 9, 5, 3), 1, "123457", "B1234567", OPERATION_LOAN,
         "2024-03-02 09:05:03 000001 123457" + Spaces(44) + " B1234567" + Spaces(42) + " P"},
        {"return_blanks_the_patron_left_in_the_edit", At(2024, 3, 2, 9, 7, 15), 2, "123457",
         "B7654321", OPERATION_RETURN,
         "2024-03-02 09:07:15 000002 " + Spaces(50) + " B7654321" + Spaces(42) + " D"},
        {"request_keeps_leading_spaces", At(2024, 3, 2, 9, 30, 0), 3, "  123457", " B1",
         OPERATION_REQUEST,
         "2024-03-02 09:30:00 000003   123457" + Spaces(42) + "  B1" + Spaces(47) + " T"},
        {"fifty_kept_sixty_cut", At(2024, 3, 2, 10, 0, 59), 4, kFifty, kFifty + kTen,
         OPERATION_LOAN, "2024-03-02 10:00:59 000004 " + kFifty + " " + kFifty + " P"},
        {"trailing_spaces_kept", At(2024, 3, 2, 10, 1, 0), 5, "12 ", "B1  ", OPERATION_LOAN,
         "2024-03-02 10:01:00 000005 12 " + Spaces(47) + " B1  " + Spaces(46) + " P"},
        {"latin1_bytes_verbatim", At(2024, 3, 2, 11, 11, 11), 12, "N\xD1\xC9Z", "\xFF\x80\xA0",
         OPERATION_LOAN,
         "2024-03-02 11:11:11 000012 N\xD1\xC9Z" + Spaces(46) + " \xFF\x80\xA0" + Spaces(47) +
             " P"},
        {"empty_item_is_fifty_spaces", At(2024, 3, 2, 11, 12, 0), 13, "1", "", OPERATION_LOAN,
         "2024-03-02 11:12:00 000013 1" + Spaces(49) + " " + Spaces(50) + " P"},
        {"other_mode_is_request_without_patron", At(2024, 3, 2, 11, 30, 0), 14, "123457", "B1", 7,
         "2024-03-02 11:30:00 000014 " + Spaces(50) + " B1" + Spaces(48) + " T"},
        {"negative_mode_too", At(2024, 3, 2, 11, 31, 0), 15, "123457", "B1", -1,
         "2024-03-02 11:31:00 000015 " + Spaces(50) + " B1" + Spaces(48) + " T"},
        {"six_digits_full", At(2024, 3, 2, 12, 0, 0), 999999, "1", "2", OPERATION_LOAN,
         "2024-03-02 12:00:00 999999 1" + Spaces(49) + " 2" + Spaces(49) + " P"},
        {"seventh_digit_cut", At(2024, 3, 2, 12, 0, 1), 1000000, "1", "2", OPERATION_LOAN,
         "2024-03-02 12:00:01 100000 1" + Spaces(49) + " 2" + Spaces(49) + " P"},
        {"first_six_of_seven", At(2024, 3, 2, 12, 0, 2), 1234567, "1", "2", OPERATION_RETURN,
         "2024-03-02 12:00:02 123456 " + Spaces(50) + " 2" + Spaces(49) + " D"},
        {"largest_number", At(2024, 3, 2, 12, 0, 3), 2147483647, "1", "2", OPERATION_LOAN,
         "2024-03-02 12:00:03 214748 1" + Spaces(49) + " 2" + Spaces(49) + " P"},
        {"zero", At(2024, 3, 2, 12, 0, 4), 0, "1", "2", OPERATION_LOAN,
         "2024-03-02 12:00:04 000000 1" + Spaces(49) + " 2" + Spaces(49) + " P"},
        {"leap_second", At(2024, 12, 31, 23, 59, 60), 7, "1", "2", OPERATION_LOAN,
         "2024-12-31 23:59:60 000007 1" + Spaces(49) + " 2" + Spaces(49) + " P"},
        {"five_digit_year_cut", At(10000, 1, 1, 0, 0, 0), 1, "1", "2", OPERATION_LOAN,
         "10000-01-0 00:00:00 000001 1" + Spaces(49) + " 2" + Spaces(49) + " P"},
        {"failed_clock_blank_date_and_time", FailedClock(), 8, "1", "2", OPERATION_LOAN,
         Spaces(10) + " " + Spaces(8) + " 000008 1" + Spaces(49) + " 2" + Spaces(49) + " P"},
    };
    for (const RecordCase& c : cases) {
        ASSERT_EQ(c.record.size(), 130u) << "table entry " << c.description;
        const std::string record = BuildRecord(c.when, c.sequence, c.patron, c.item, c.mode);
        EXPECT_EQ(record, c.record) << c.description;
    }
}

// --- The list row ------------------------------------------------------------

struct RowCase {
    const char* description;
    std::string record;
    std::string cells[5];
    OperationMode mode;
};

const std::string kLoan =
    "2024-03-02 09:05:03 000001  123457" + Spaces(43) + " B1234567" + Spaces(42) + " P";

TEST(Row, WellFormedAndOddLines) {
    const RowCase cases[] = {
        {"loan",
         kLoan,
         {"02/03/2024", "09:05:03", "000001", " 123457" + Spaces(43), "B1234567" + Spaces(42)},
         OPERATION_LOAN},
        {"return",
         "2024-12-31 23:59:59 000002 " + Spaces(50) + " B1" + Spaces(48) + " D",
         {"31/12/2024", "23:59:59", "000002", Spaces(50), "B1" + Spaces(48)},
         OPERATION_RETURN},
        {"empty", "", {"//"}, OPERATION_REQUEST},
        {"no_dash", "2024", {"//2024"}, OPERATION_REQUEST},
        {"one_dash", "5-3", {"3//5"}, OPERATION_REQUEST},
        {"date_only", "2024-03-02", {"02/03/2024"}, OPERATION_REQUEST},
        {"eleven_characters", "2024-03-02 D", {"02/03/2024"}, OPERATION_RETURN},
        {"cut_in_the_time", "2024-03-02 09:05", {"02/03/2024", "09:0"}, OPERATION_REQUEST},
        {"three_dashes", "20-24-03-02 x", {"0/24-03/20", " "}, OPERATION_REQUEST},
        {"dash_past_the_date", "2024030201-X", {"//20240302", "1-"}, OPERATION_REQUEST},
        {"short_date_shifts_the_fields",
         "2024-3-5 09:05:03 000001 P",
         {"5 0/3/2024", ":05:03 0", "0001 "},
         OPERATION_LOAN},
        {"latin1_date",
         "\xE9\xE9\xE9\xE9-\xF1\xF1-\xFF\xFF 09:05:03 D",
         {"\xFF\xFF/\xF1\xF1/\xE9\xE9\xE9\xE9", "09:05:03"},
         OPERATION_RETURN},
    };
    for (const RowCase& c : cases) {
        const RecordRow row = MakeRecordRow(c.record);
        EXPECT_EQ(row.mode, c.mode) << c.description;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(row.cells[i], c.cells[i]) << c.description << ", column " << i;
        }
    }
}

TEST(Row, ModeFromTheLastCharacterOnly) {
    const struct {
        char letter;
        OperationMode mode;
    } cases[] = {
        {'P', OPERATION_LOAN},    {'D', OPERATION_RETURN},  {'T', OPERATION_REQUEST},
        {'p', OPERATION_REQUEST}, {' ', OPERATION_REQUEST}, {'\xD0', OPERATION_REQUEST},
    };
    const RecordRow loan = MakeRecordRow(kLoan);
    for (const auto& c : cases) {
        const RecordRow row = MakeRecordRow(kLoan.substr(0, 129) + c.letter);
        EXPECT_EQ(row.mode, c.mode) << "letter " << c.letter;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(row.cells[i], loan.cells[i]) << "letter " << c.letter << ", column " << i;
        }
    }
    // A "P" inside the record does not count, only the last character.
    EXPECT_EQ(MakeRecordRow("P-P-P x").mode, OPERATION_REQUEST);
}

TEST(Row, WellFormedRecordKeepsEveryOffset) {
    const std::string display = RecordDisplayText(kLoan);
    ASSERT_EQ(display.size(), 129u);
    EXPECT_EQ(display.substr(0, 10), "02/03/2024");
    EXPECT_EQ(display.substr(10), kLoan.substr(10, 119));
}

// --- The number read back ------------------------------------------------------

TEST(Sequence, FromTheLastLine) {
    const struct {
        const char* description;
        std::string line;
        std::int32_t sequence;
    } cases[] = {
        {"record", kLoan.substr(0, 20) + "000003" + kLoan.substr(26), 3},
        {"largest", kLoan.substr(0, 20) + "999999" + kLoan.substr(26), 999999},
        {"zeros", kLoan.substr(0, 20) + "000000" + kLoan.substr(26), 0},
        {"just_long_enough", "2024-03-02 09:05:03 000042", 42},
        {"one_short", "2024-03-02 09:05:03 00004", 0},
        {"empty", "", 0},
        {"letter", "2024-03-02 09:05:03 00a001 x", 0},
        {"leading_space", "2024-03-02 09:05:03  00001 x", 0},
        {"sign", "2024-03-02 09:05:03 -00001 x", 0},
        {"high_byte",
         "2024-03-02 09:05:03 \xB9"
         "00001 x",
         0},
        {"seven_digits_read_as_six", "2024-03-02 09:05:03 1000001x", 100000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SequenceFromRecord(c.line), c.sequence) << c.description;
    }
}

// --- Name and path -------------------------------------------------------------

TEST(Path, NameFromTheLocalDateAndWorkAreaAsWritten) {
    const struct {
        const char* description;
        std::string workArea;
        std::tm date;
        std::string name;
        std::string path;
    } cases[] = {
        {"windows_folder", "C:\\Quorvel\\Work", At(2024, 3, 2, 9, 5, 3), "20240302",
         "C:\\Quorvel\\Work/20240302.qvp"},
        {"empty_work_area", "", At(2024, 3, 2, 0, 0, 0), "20240302", "/20240302.qvp"},
        {"trailing_slash_kept", "/srv/work/", At(2024, 12, 31, 23, 59, 59), "20241231",
         "/srv/work//20241231.qvp"},
        {"spaces_kept", " work ", At(2025, 1, 1, 0, 0, 0), "20250101", " work /20250101.qvp"},
        {"latin1_folder", "\xC1rea", At(2024, 2, 29, 12, 0, 0), "20240229", "\xC1rea/20240229.qvp"},
        {"failed_clock", "work", FailedClock(), "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DayFileName(c.date), c.name) << c.description;
        EXPECT_EQ(DayFilePath(c.workArea, c.date), c.path) << c.description;
    }
}

// --- String helpers --------------------------------------------------------------

TEST(Helpers, PadRightCutsOrPads) {
    const struct {
        std::string text;
        int n;
        std::string result;
    } cases[] = {
        {"abc", 5, "abc  "}, {"abcdef", 3, "abc"}, {"", 2, "  "},          {"abc", 3, "abc"},
        {"abc", 0, ""},      {"abc", -4, ""},      {" \xFF", 3, " \xFF "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PadRight(c.text, c.n), c.result) << '"' << c.text << "\" to " << c.n;
    }
}

TEST(Helpers, IsAllDigitsOverEveryByte) {
    for (int b = 0; b < 256; ++b) {
        const std::string text = "12" + std::string(1, static_cast<char>(b)) + "3";
        EXPECT_EQ(IsAllDigits(text), b >= '0' && b <= '9') << "byte " << b;
    }
    EXPECT_TRUE(IsAllDigits(""));
    EXPECT_TRUE(IsAllDigits("0123456789"));
}

} // namespace
