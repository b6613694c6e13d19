// Entries at a headless desk: Enter in each mode with each kind of patron and
// item, the day's file byte for byte, restarts over damaged files, midnight,
// a file held by another desk, failed writes and reads, what other desks add
// between two operations, and an accented work area.
#include "desk_fixture.h"

#include <cerrno>
#include <filesystem>
#include <numeric>

namespace {

using headless::Desk;

const std::string kStandard = Settings("es", Catalogue("es") + kModels);
const std::string kNoModels = Settings("es", Catalogue("es"));
constexpr char kPatron[] = "12345674";
constexpr char kItem[] = "4006381333931";
constexpr char kWhen[] = "2026-03-02 09:05:03";

// One line of the day's file as its layout describes it.
std::string Line(int number, const char* patron, const char* item, char letter,
                 const char* when = kWhen) {
    char line[160];
    std::snprintf(line, sizeof line, "%s %.6d %-50s %-50s %c\r\n", when, number, patron, item,
                  letter);
    return line;
}

// Scans each text with the rhythm of a scanner that ends a scan with Enter.
void Scan(Desk& desk, std::initializer_list<const char*> texts) {
    for (const char* text : texts) {
        desk.Type(text);
        desk.Press(VK_RETURN);
    }
}

using Entry = DeskTest;

TEST_F(Entry, EnterRefusesOrRecordsByModePatronItemAndFocus) {
    const int kPatronEdit = IDC_EDIT_PATRON, kItemEdit = IDC_EDIT_ITEM, kList = IDC_LIST_OPERATIONS,
              kLoan = IDC_RADIO_LOAN, kReturn = IDC_RADIO_RETURN, kRequest = IDC_RADIO_REQUEST;
    const struct {
        bool models;
        int mode;           // the radio button, chosen after the patron is typed
        const char* patron; // typed in loan mode
        const char* item;
        int focus;         // where Enter is pressed
        const char* shown; // the message; "" for none
        int then;          // the field with the focus afterwards
        char letter;       // of the record written; 0 for none
    } rows[] = {
        {true, kLoan, "", "", kItemEdit, "es:mes3", kPatronEdit, 0},
        {true, kLoan, kPatron, "", kPatronEdit, "", kItemEdit, 0},
        {true, kLoan, kPatron, "", kItemEdit, "es:mes3", kItemEdit, 0},
        {true, kRequest, kPatron, "", kList, "es:mes3", kItemEdit, 0},
        {true, kLoan, kItem, "", kPatronEdit, "es:mes4", kPatronEdit, 0},
        {true, kLoan, "12345675", kItem, kItemEdit, "es:mes4", kPatronEdit, 0},
        {true, kRequest, "   ", kItem, kItemEdit, "es:mes4", kPatronEdit, 0},
        {true, kLoan, kPatron, kPatron, kItemEdit, "es:mes4", kItemEdit, 0},
        {true, kReturn, "", "", kList, "es:mes3", kItemEdit, 0},
        {true, kReturn, "", "4006381333932", kItemEdit, "es:mes4", kItemEdit, 0},
        {true, kLoan, kPatron, kItem, kItemEdit, "", kPatronEdit, 'P'},
        {true, kReturn, "x", kItem, kList, "", kItemEdit, 'D'},
        {true, kRequest, kPatron, kItem, kPatronEdit, "", kPatronEdit, 'T'},
        {false, kLoan, " ab c", "   ", kItemEdit, "", kPatronEdit, 'P'},
        {false, kRequest, "", "x", kItemEdit, "es:mes3", kPatronEdit, 0},
        {false, kReturn, "", "", kItemEdit, "es:mes3", kItemEdit, 0},
        {false, kLoan, "p", "", kPatronEdit, "", kItemEdit, 0},
    };
    for (const bool models : {true, false}) {
        std::string day;
        int number = 0;
        StartEmptyList();
        Run(models ? kStandard : kNoModels, [&](Desk& desk) {
            for (const auto& r : rows) {
                if (r.models != models) {
                    continue;
                }
                SCOPED_TRACE(std::to_string(r.mode) + " \"" + r.patron + "\" \"" + r.item + "\"");
                desk.Click(IDC_RADIO_LOAN);
                desk.Press(VK_ESCAPE);
                desk.Type(r.patron);
                desk.Click(r.mode);
                desk.Click(IDC_EDIT_ITEM);
                desk.Type(r.item);
                desk.Click(r.focus);
                const std::size_t boxes = headless::MessageBoxes().size();
                desk.Press(VK_RETURN);
                const bool shown = r.shown[0] != '\0';
                ASSERT_EQ(headless::MessageBoxes().size(), boxes + (shown ? 1 : 0));
                EXPECT_EQ(desk.FocusId(), r.then);
                if (shown) {
                    EXPECT_EQ(headless::MessageBoxes().back().text, r.shown);
                    EXPECT_EQ(headless::MessageBoxes().back().type, MB_ICONHAND | MB_OK);
                    const headless::Control& fix = desk.Item(r.then);
                    EXPECT_EQ(fix.selStart, 0);
                    EXPECT_EQ(fix.selEnd, static_cast<int>(fix.text.size()));
                }
                if (r.letter != 0) {
                    day += Line(++number, r.mode == kReturn ? "" : r.patron, r.item, r.letter);
                }
                EXPECT_EQ(desk.Item(IDC_EDIT_PATRON).text, r.letter ? "" : r.patron);
                EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, r.letter ? "" : r.item);
                EXPECT_EQ(ListDiffersFromFile(desk.Item(IDC_LIST_OPERATIONS).rows, Day()), "");
            }
        });
        EXPECT_EQ(Day(), day) << models;
    }
}

TEST_F(Entry, TheNumberingGoesOnFromTheLastWholeRecordWhateverFollowsIt) {
    const std::string r1 = Line(1, "p1", "i1", 'P', "2026-03-02 08:00:00");
    const std::string r2 = Line(2, "", "i2", 'D', "2026-03-02 08:10:00");
    const std::string r3 = Line(3, "p3", "i3", 'T', "2026-03-02 08:20:00");
    std::string junk(1024, '\0'); // every byte value, NUL and 1A among them, and four LFs
    std::iota(junk.begin(), junk.end(), '\0');
    std::string damagedDay; // a whole day of records cut inside their number
    for (int i = 0; i < 2000; ++i) {
        damagedDay += r1.substr(0, 23) + "\r\n";
    }
    std::string notDigits = r3;
    notDigits[25] = 'x';
    const struct {
        const char* description;
        std::string file;
        std::size_t rows; // at start-up
        int next;         // number of the next operation
    } cases[] = {
        {"three_records", r1 + r2 + r3, 3, 4},
        {"cut_inside_the_number", r1 + r2 + r3.substr(0, 23), 3, 3},
        {"cut_inside_the_date", r1 + r2 + r3.substr(0, 5), 3, 3},
        {"number_not_digits", r1 + r2 + notDigits, 3, 3},
        {"a_line_of_junk_and_empty_lines", r1 + r2 + "\r\n#!junk\r\n\n", 3, 3},
        {"ten_megabytes_without_a_line_end", r1 + r2 + std::string(10 << 20, 'x'), 3, 3},
        {"a_whole_day_of_damaged_lines", damagedDay, 2000, 1},
        {"every_byte_value", junk, 5, 1},
        {"only_empty_lines", "\r\n\r\n", 0, 1},
        {"end_of_file_byte_at_the_end", r1 + r2 + r3 + "\x1A", 4, 4},
        {"end_of_file_byte_in_the_middle", r1 + "\x1A\r\n" + r2 + r3, 4, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        headless::Reset();
        Install(&kNoModels);
        std::ofstream(install->DayFile(kToday), std::ios::binary) << c.file;
        headless::SetSession([&](Desk& desk) {
            const headless::RowList& rows = desk.Item(IDC_LIST_OPERATIONS).rows;
            EXPECT_EQ(rows.size(), c.rows);
            EXPECT_EQ(ListDiffersFromFile(rows, c.file), "");
            Scan(desk, {"p", "i", "q", "j"});
            EXPECT_EQ(ListDiffersFromFile(rows, Day()), "");
        });
        CQuorvelPDlg().DoModal();
        EXPECT_TRUE(Shown().empty());
        // Every byte stays; a last line without its line end is ended first.
        const std::string ended =
            c.file.empty() || c.file.back() == '\n' ? c.file : c.file + "\r\n";
        EXPECT_TRUE(Day() == ended + Line(c.next, "p", "i", 'P') + Line(c.next + 1, "q", "j", 'P'));
    }
}

TEST_F(Entry, EachOperationAroundMidnightLandsInTheFileOfItsOwnDate) {
    // A clock that ticks a second at every look, started a few seconds
    // before midnight: whichever look falls on midnight, a record and the
    // name of its file come from the same one.
    for (std::int64_t before = 2; before <= 5; ++before) {
        headless::Reset();
        ClockSetFixedTime(kMorning + 53697 - before, 1);
        Run(kNoModels, [&](Desk& desk) {
            Scan(desk, {"p", "i", "p", "i", "p", "i"});
            // The list is not emptied when the day changes.
            EXPECT_EQ(desk.Item(IDC_LIST_OPERATIONS).rows.size(), 3u) << before;
        });
        std::size_t records = 0;
        for (const auto& [name, date] :
             {std::pair{"20260302", "2026-03-02"}, std::pair{"20260303", "2026-03-03"}}) {
            const std::vector<std::string> lines = NonEmptyLines(Day(name));
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_EQ(lines[i].substr(0, 10), date) << before << ": " << lines[i];
                EXPECT_EQ(std::stoul(lines[i].substr(20, 6)), i + 1) << before;
            }
            records += lines.size();
        }
        EXPECT_EQ(records, 3u) << before;
    }
}

TEST_F(Entry, AReadErrorHalfWayThroughTheLoadIsSaidOnceAndTheNextOperationShowsTheRest) {
    Install(&kNoModels);
    std::string day;
    for (int i = 1; i <= 100; ++i) {
        day += Line(i, "p", "i", 'P', "2026-03-02 08:00:00");
    }
    std::ofstream(install->DayFile(kToday), std::ios::binary) << day;
    // One read finds the last record, one brings the load its first 8 KiB
    // (62 whole lines); the next one fails.
    FileFailNext(FILE_OP_READ, EIO, 0, 2);
    headless::SetSession([&](Desk& desk) {
        const headless::RowList& rows = desk.Item(IDC_LIST_OPERATIONS).rows;
        EXPECT_EQ(Shown(), std::vector<std::string>{"es:mes2"});
        ASSERT_EQ(rows.size(), 62u);
        EXPECT_EQ(rows[0].cells[2], "000062");
        Scan(desk, {"q", "j"});
        EXPECT_EQ(ListDiffersFromFile(rows, Day()), "");
    });
    CQuorvelPDlg().DoModal();
    EXPECT_EQ(Shown(), std::vector<std::string>{"es:mes2"});
    EXPECT_EQ(Day(), day + Line(101, "q", "j", 'P'));
}

// A day's file held by another desk, or a write, flush or reading of the last
// record that fails: "mes2", nothing of the operation in the file, no number
// used, and the entry stays for Enter to try again. A closing that fails
// comes after the flush: the operation is recorded.
TEST_F(Entry, AnOperationTheFileCannotTakeLeavesNoTraceAndEnterTriesAgain) {
    const std::string first = Line(1, "p", "i", 'P', "2026-03-02 08:00:00");
    const struct {
        const char* description;
        FileOperation operation; // the failure, error 0 for the file held
        int error;
        std::size_t written;
        bool recorded;
    } cases[] = {
        {"held_by_another_desk", FILE_OP_READ, 0, 0, false},
        {"disk_full", FILE_OP_WRITE, ENOSPC, 70, false},
        {"flush_fails", FILE_OP_FSYNC, EIO, 0, false},
        {"last_record_unreadable", FILE_OP_READ, EIO, 0, false},
        {"close_fails_after_the_flush", FILE_OP_CLOSE, EIO, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        headless::Reset();
        Install(&kNoModels);
        std::ofstream(install->DayFile(kToday), std::ios::binary) << first;
        CStdioFile holder;
        headless::SetSession([&](Desk& desk) {
            Scan(desk, {"q"});
            desk.Type("j");
            if (c.error == 0) {
                ASSERT_TRUE(holder.Open(install->DayFile(kToday).c_str(),
                                        CFile::modeReadWrite | CFile::shareExclusive));
            }
            FileFailNext(c.operation, c.error, c.written);
            desk.Press(VK_RETURN);
            EXPECT_EQ(desk.Item(IDC_LIST_OPERATIONS).rows.size(), c.recorded ? 2u : 1u);
            EXPECT_EQ(Shown(), std::vector<std::string>(c.recorded ? 0 : 1, "es:mes2"));
            if (!c.recorded) {
                EXPECT_EQ(headless::MessageBoxes().back().type, MB_ICONEXCLAMATION | MB_OK);
                if (c.error == 0) {
                    holder.Close();
                }
                EXPECT_EQ(Day(), first);
                EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, "j");
                EXPECT_EQ(desk.FocusId(), IDC_EDIT_ITEM);
                desk.Press(VK_RETURN);
            }
        });
        CQuorvelPDlg().DoModal();
        EXPECT_EQ(Day(), first + Line(2, "q", "j", 'P'));
    }
}

// Between this desk's operations other desks add nothing, records, a line
// without its end: after each operation the list shows the whole file.
TEST_F(Entry, EachOperationShowsWhatOtherDesksAddedSinceThisDeskLastLooked) {
    Install(&kNoModels);
    std::ofstream(install->DayFile(kToday), std::ios::binary) << Line(1, "o", "x", 'D');
    const std::string added[] = {"", Line(3, "o", "y", 'D'), Line(5, "o", "z", 'T') + "#cut",
                                 Line(7, "", "w", 'D') + Line(8, "o", "v", 'P'), ""};
    headless::SetSession([&](Desk& desk) {
        for (const std::string& lines : added) {
            std::ofstream(install->DayFile(kToday), std::ios::binary | std::ios::app) << lines;
            Scan(desk, {"p", "i"});
            EXPECT_EQ(ListDiffersFromFile(desk.Item(IDC_LIST_OPERATIONS).rows, Day()), "") << lines;
        }
    });
    CQuorvelPDlg().DoModal();
    EXPECT_EQ(NonEmptyLines(Day()).size(), 11u);
}

TEST_F(Entry, WhatOtherDesksAddedBeyondOneOperationsReadingShowsOnlyItsNewestLines) {
    ASSERT_EQ(kUnseenWindow, 1048576);
    // Records 000002 to 008001 (132 bytes each, 000059 the first to start in
    // the last MiB), and then a damaged line of 100 bytes or none: with it
    // the window starts right at 000059, without it inside 000058.
    for (const std::size_t damaged : {0, 100}) {
        headless::Reset();
        Run(kNoModels, [&](Desk& desk) {
            Scan(desk, {"p", "i"});
            std::ofstream added(install->DayFile(kToday), std::ios::binary | std::ios::app);
            for (int n = 2; n <= 8001; ++n) {
                added << Line(n, "o", "x", 'D');
            }
            added << (damaged > 0 ? std::string(damaged - 2, '#') + "\r\n" : "");
            added.close();
            Scan(desk, {"q", "j"});
            const std::string day = Day();
            EXPECT_EQ(day.substr(day.size() - 112, 6), "008002") << damaged;
            const std::string shown = day.substr(0, 132) + day.substr(58 * 132);
            EXPECT_EQ(ListDiffersFromFile(desk.Item(IDC_LIST_OPERATIONS).rows, shown), "")
                << damaged;
        });
        EXPECT_TRUE(Shown().empty()) << damaged;
    }
}

TEST_F(Entry, AnAccentedInstallationAndWorkAreaNamedInUtf8OnDisk) {
#ifdef _WIN32
    GTEST_SKIP() << "the ANSI calls take the core's text as it is";
#else
    // The folders as an administrator's shell makes them, in UTF-8; the
    // settings and the core spell them in ISO-8859-1.
    const std::string base = test_system::MakeFolder("quorvel-accents-");
    std::string settings = kNoModels;
    settings.replace(settings.find("@WORK@"), 6, base + "/Pr\xE9stamo/Work");
    install = std::make_unique<Installation>(settings.c_str(), base + "/Pr\xC3\xA9stamo");
    headless::SetSession([&](Desk& desk) { Scan(desk, {"p", "i"}); });
    CQuorvelPDlg().DoModal();
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Day(), Line(1, "p", "i", 'P'));
    install.reset();
    std::filesystem::remove_all(base);
#endif
}

} // namespace
