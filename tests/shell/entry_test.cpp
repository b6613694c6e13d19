// Entries at the desk, headless: every refusal, the day's file byte for byte,
// restarts over damaged files, midnight, a file held by another desk, failed
// writes and reads, two desks recording into one file, and an accented work
// area. (A day of each mode at the real windows is the journeys':
// qt_journey_test.cpp, and the scripts test-desk and test-windows.)
#include "desk_fixture.h"

#include <cerrno>
#include <filesystem>
#include <set>

namespace {

using headless::Desk;

const std::string kStandard = Settings("es", Catalogue("es") + kModels);
const std::string kNoModels = Settings("es", Catalogue("es"));
constexpr char kPatron[] = "12345674";
constexpr char kItem[] = "4006381333931";
constexpr char kWhen[] = "2026-03-02 09:05:03";

// An operation number as the record holds it.
std::string Number(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%.6d", number);
    return text;
}

// One line of the day's file as its layout describes it.
std::string Line(const char* when, const char* number, std::string patron, std::string item,
                 char letter) {
    patron.resize(50, ' ');
    item.resize(50, ' ');
    return std::string(when) + " " + number + " " + patron + " " + item + " " + letter + "\r\n";
}

// Scans with the rhythm of a scanner that ends each scan with Enter.
void Scan(Desk& desk, const std::string& text) {
    desk.Type(text);
    desk.Press(VK_RETURN);
}

using Entry = DeskTest;

TEST_F(Entry, ARefusedEntryExplainsItselfAndSelectsTheFieldToFix) {
    const struct {
        const char* description;
        int radio;
        const char* patron;
        const char* item;
        int focus;         // where Enter is pressed
        const char* shown; // the message, none for moving on
        int fixAt;         // the field that gets the focus
    } cases[] = {
        {"both_empty", IDC_RADIO_LOAN, "", "", IDC_EDIT_ITEM, "es:mes3", IDC_EDIT_PATRON},
        {"item_next", IDC_RADIO_LOAN, kPatron, "", IDC_EDIT_PATRON, nullptr, IDC_EDIT_ITEM},
        {"item_empty", IDC_RADIO_LOAN, kPatron, "", IDC_EDIT_ITEM, "es:mes3", IDC_EDIT_ITEM},
        {"item_empty_from_list", IDC_RADIO_REQUEST, kPatron, "", IDC_LIST_OPERATIONS, "es:mes3",
         IDC_EDIT_ITEM},
        {"item_as_patron", IDC_RADIO_LOAN, kItem, "", IDC_EDIT_PATRON, "es:mes4", IDC_EDIT_PATRON},
        {"patron_bad_check", IDC_RADIO_LOAN, "12345675", kItem, IDC_EDIT_ITEM, "es:mes4",
         IDC_EDIT_PATRON},
        {"spaces_only", IDC_RADIO_REQUEST, "   ", kItem, IDC_EDIT_ITEM, "es:mes4", IDC_EDIT_PATRON},
        {"patron_as_item", IDC_RADIO_LOAN, kPatron, kPatron, IDC_EDIT_ITEM, "es:mes4",
         IDC_EDIT_ITEM},
        {"return_item_empty", IDC_RADIO_RETURN, "", "", IDC_LIST_OPERATIONS, "es:mes3",
         IDC_EDIT_ITEM},
        {"return_bad_check", IDC_RADIO_RETURN, "", "4006381333932", IDC_EDIT_ITEM, "es:mes4",
         IDC_EDIT_ITEM},
    };
    Run(kStandard, [&](Desk& desk) {
        for (const auto& c : cases) {
            desk.Click(IDC_RADIO_LOAN);
            desk.Press(VK_ESCAPE);
            desk.Type(c.patron);
            desk.Click(c.radio);
            desk.Click(IDC_EDIT_ITEM);
            desk.Type(c.item);
            desk.Click(c.focus);
            const std::size_t boxes = headless::MessageBoxes().size();
            const int scrolls = desk.Item(c.fixAt).caretScrolls;
            desk.Press(VK_RETURN);
            ASSERT_EQ(headless::MessageBoxes().size(), boxes + (c.shown ? 1 : 0)) << c.description;
            EXPECT_EQ(desk.FocusId(), c.fixAt) << c.description;
            const headless::Control& fix = desk.Item(c.fixAt);
            if (c.shown != nullptr) {
                EXPECT_EQ(headless::MessageBoxes().back().text, c.shown) << c.description;
                EXPECT_EQ(headless::MessageBoxes().back().type, MB_ICONHAND | MB_OK);
                EXPECT_EQ(fix.selStart, 0) << c.description;
                EXPECT_EQ(fix.selEnd, static_cast<int>(fix.text.size())) << c.description;
                EXPECT_EQ(fix.caretScrolls, scrolls + 1) << c.description;
            }
            EXPECT_EQ(desk.Item(IDC_EDIT_PATRON).text, c.patron) << c.description;
            EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, c.item) << c.description;
            EXPECT_EQ(Dlg(desk).m_sequence, 0) << c.description;
        }
    });
    EXPECT_EQ(Day(), "");
}

TEST_F(Entry, WithoutModelsAnyTextIsRecordedAsTyped) {
    Run(kNoModels, [&](Desk& desk) {
        Scan(desk, " ab c");
        Scan(desk, "   ");
    });
    EXPECT_EQ(Day(), Line("2026-03-02 09:05:03", "000001", " ab c", "   ", 'P'));
}

TEST_F(Entry, TheNumberingGoesOnFromTheLastWholeRecordWhateverFollowsIt) {
    const std::string r1 = Line("2026-03-02 08:00:00", "000001", "p1", "i1", 'P');
    const std::string r2 = Line("2026-03-02 08:10:00", "000002", "", "i2", 'D');
    const std::string r3 = Line("2026-03-02 08:20:00", "000003", "p3", "i3", 'T');
    std::string junk; // every byte value, NUL and 1A among them, and four LFs
    for (int i = 0; i < 1024; ++i) {
        junk += static_cast<char>(i % 256);
    }
    std::string damagedDay; // a whole day of records cut inside their number
    for (int i = 0; i < 2000; ++i) {
        damagedDay += r1.substr(0, 23) + "\r\n";
    }
    const struct {
        const char* description;
        std::string file;
        std::size_t rows; // at start-up
        int next;         // number of the next operation
    } cases[] = {
        {"three_records", r1 + r2 + r3, 3, 4},
        {"cut_inside_the_number", r1 + r2 + r3.substr(0, 23), 3, 3},
        {"cut_inside_the_date", r1 + r2 + r3.substr(0, 5), 3, 3},
        {"number_not_digits", r1 + r2 + Line("2026-03-02 08:20:00", "00003x", "", "i", 'D'), 3, 3},
        {"a_line_of_junk_and_empty_lines", r1 + r2 + "\r\n#!junk\r\n\n", 3, 3},
        {"ten_megabytes_without_a_line_end", r1 + r2 + std::string(10 << 20, 'x'), 3, 3},
        {"a_whole_day_of_damaged_lines", damagedDay, 2000, 1},
        {"every_byte_value", junk, 5, 1},
        {"only_empty_lines", "\r\n\r\n", 0, 1},
        {"end_of_file_byte_at_the_end", r1 + r2 + r3 + "\x1A", 4, 4},
        {"end_of_file_byte_in_the_middle", r1 + "\x1A\r\n" + r2 + r3, 4, 4},
    };
    for (const auto& c : cases) {
        headless::Reset();
        Install(&kNoModels);
        std::ofstream(install->DayFile(kToday), std::ios::binary) << c.file;
        headless::SetSession([&](Desk& desk) {
            const headless::RowList& rows = desk.Item(IDC_LIST_OPERATIONS).rows;
            EXPECT_EQ(rows.size(), c.rows) << c.description;
            EXPECT_EQ(ListDiffersFromFile(rows, c.file), "") << c.description;
            Scan(desk, "p");
            Scan(desk, "i");
            Scan(desk, "q");
            Scan(desk, "j");
            EXPECT_EQ(ListDiffersFromFile(rows, Day()), "") << c.description;
        });
        {
            CQuorvelPDlg dialog;
            dialog.DoModal();
        }
        EXPECT_TRUE(Shown().empty()) << c.description;
        // Every byte stays; a last line without its line end is ended first.
        const std::string ended =
            c.file.empty() || c.file.back() == '\n' ? c.file : c.file + "\r\n";
        EXPECT_TRUE(Day() == ended + Line(kWhen, Number(c.next).c_str(), "p", "i", 'P') +
                                 Line(kWhen, Number(c.next + 1).c_str(), "q", "j", 'P'))
            << c.description;
    }
}

TEST_F(Entry, EachOperationAroundMidnightLandsInTheFileOfItsOwnDate) {
    const struct {
        const char* name;
        const char* date;
    } days[] = {{"20260302", "2026-03-02"}, {"20260303", "2026-03-03"}};
    // A clock that ticks a second at every look, started a few seconds
    // before midnight: whichever look falls on midnight, a record and the
    // name of its file come from the same one.
    for (std::int64_t before = 2; before <= 5; ++before) {
        headless::Reset();
        ClockSetFixedTime(kMorning + 53697 - before, 1);
        Run(kNoModels, [&](Desk& desk) {
            for (int i = 0; i < 3; ++i) {
                Scan(desk, "p");
                Scan(desk, "i");
            }
            // The list is not emptied when the day changes.
            EXPECT_EQ(desk.Item(IDC_LIST_OPERATIONS).rows.size(), 3u) << before;
        });
        std::size_t records = 0;
        for (const auto& day : days) {
            const std::vector<std::string> lines = NonEmptyLines(Day(day.name));
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_EQ(lines[i].substr(0, 10), day.date) << before << ": " << lines[i];
                EXPECT_EQ(lines[i].substr(20, 6), Number(static_cast<int>(i) + 1)) << before;
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
        day += Line("2026-03-02 08:00:00", Number(i).c_str(), "p", "i", 'P');
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
        Scan(desk, "q");
        Scan(desk, "j");
        EXPECT_EQ(ListDiffersFromFile(rows, Day()), "");
    });
    CQuorvelPDlg dialog;
    dialog.DoModal();
    EXPECT_EQ(Shown(), std::vector<std::string>{"es:mes2"});
    EXPECT_EQ(Day(), day + Line(kWhen, "000101", "q", "j", 'P'));
}

TEST_F(Entry, ADayFileHeldByAnotherDeskIsRefusedWithoutUsingANumber) {
    Install(&kNoModels);
    auto holder = std::make_unique<CStdioFile>();
    ASSERT_TRUE(holder->Open(install->DayFile(kToday).c_str(),
                             CFile::modeReadWrite | CFile::shareExclusive | CFile::modeCreate));
    headless::SetSession([&](Desk& desk) {
        Scan(desk, "p");
        Scan(desk, "i");
        EXPECT_EQ(desk.FocusId(), IDC_EDIT_ITEM);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, "i");
        EXPECT_EQ(Dlg(desk).m_sequence, 0);
        holder.reset();
        desk.Press(VK_RETURN);
    });
    CQuorvelPDlg dialog;
    dialog.DoModal();
    // Once at start-up (the list stays empty), once for the entry.
    EXPECT_EQ(Shown(), (std::vector<std::string>{"es:mes2", "es:mes2"}));
    EXPECT_EQ(headless::MessageBoxes().back().type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(Day(), Line("2026-03-02 09:05:03", "000001", "p", "i", 'P'));
}

TEST_F(Entry, AFailedWriteLeavesNoTraceAndEnterTriesAgain) {
    const std::string first = Line("2026-03-02 08:00:00", "000001", "p", "i", 'P');
    const struct {
        const char* description;
        FileOperation operation;
        int error;
        std::size_t written;
        bool recorded;
    } cases[] = {
        {"disk_full", FILE_OP_WRITE, ENOSPC, 70, false},
        {"flush_fails", FILE_OP_FSYNC, EIO, 0, false},
        {"last_record_unreadable", FILE_OP_READ, EIO, 0, false},
        {"close_fails_after_the_flush", FILE_OP_CLOSE, EIO, 0, true},
    };
    for (const auto& c : cases) {
        headless::Reset();
        Install(&kNoModels);
        std::ofstream(install->DayFile(kToday), std::ios::binary) << first;
        headless::SetSession([&](Desk& desk) {
            desk.Type("q");
            desk.Click(IDC_EDIT_ITEM);
            desk.Type("j");
            FileFailNext(c.operation, c.error, c.written);
            desk.Press(VK_RETURN);
            const std::size_t rows = desk.Item(IDC_LIST_OPERATIONS).rows.size();
            EXPECT_EQ(rows, c.recorded ? 2u : 1u) << c.description;
            EXPECT_EQ(Shown(),
                      c.recorded ? std::vector<std::string>() : std::vector<std::string>{"es:mes2"})
                << c.description;
            if (!c.recorded) {
                EXPECT_EQ(Day(), first) << c.description;
                EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, "j") << c.description;
                EXPECT_EQ(desk.FocusId(), IDC_EDIT_ITEM) << c.description;
                desk.Press(VK_RETURN);
            }
        });
        CQuorvelPDlg dialog;
        dialog.DoModal();
        EXPECT_EQ(Day(), first + Line("2026-03-02 09:05:03", "000002", "q", "j", 'P'))
            << c.description;
    }
}

TEST_F(Entry, TwoDesksSharingTheWorkAreaNumberEveryOperationOnce) {
    Install(&kNoModels);
    const std::string time = std::to_string(kMorning);
    std::intptr_t desks[2];
    for (int d = 0; d < 2; ++d) {
        desks[d] = test_system::Start(QUORVEL_RECORD_HELPER, {"500", d == 0 ? "A" : "B", time});
        ASSERT_NE(desks[d], -1);
    }
    for (std::intptr_t desk : desks) {
        EXPECT_EQ(test_system::Wait(desk), 0);
    }
    const std::string day = Day();
    ASSERT_EQ(day.size(), 1000u * 132);
    std::set<std::string> numbers;
    std::set<std::string> operations;
    for (std::size_t at = 0; at < day.size(); at += 132) {
        EXPECT_EQ(day.substr(at + 130, 2), "\r\n") << at;
        numbers.insert(day.substr(at + 20, 6));
        operations.insert(day.substr(at + 27, 50));
    }
    ASSERT_EQ(numbers.size(), 1000u);
    EXPECT_EQ(*numbers.begin(), "000001");
    EXPECT_EQ(*numbers.rbegin(), "001000");
    EXPECT_EQ(operations.size(), 1000u);
}

TEST_F(Entry, TwoDesksTakingTurnsEachShowEveryRecordOfTheFileRightAfterRecording) {
    Install(&kNoModels);
    std::ofstream(install->Root() + "/turns", std::ios::binary) << "0\n";
    // Four turns each; each desk checks its list after every operation.
    std::intptr_t desks[2];
    for (int d = 0; d < 2; ++d) {
        desks[d] = test_system::Start(QUORVEL_RECORD_HELPER,
                                      {"4", d == 0 ? "A" : "B", std::to_string(kMorning), "turns"});
        ASSERT_NE(desks[d], -1);
    }
    for (std::intptr_t desk : desks) {
        EXPECT_EQ(test_system::Wait(desk), 0);
    }
    // Turns 0 to 7 of 1, 2, 3, 1, 2, 3, 1, 2 operations.
    const std::vector<std::string> lines = NonEmptyLines(Day());
    ASSERT_EQ(lines.size(), 15u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(20, 6), Number(static_cast<int>(i) + 1));
    }
}

TEST_F(Entry, WhatOtherDesksAddedBeyondOneOperationsReadingShowsOnlyItsNewestLines) {
    ASSERT_EQ(kUnseenWindow, 1048576);
    // Records 000002 to 008001 (132 bytes each, 000059 the first to start in
    // the last MiB), and then a damaged line of 100 bytes or none: with it
    // the window starts right at 000059, without it inside 000058.
    for (const std::size_t damaged : {0, 100}) {
        headless::Reset();
        Install(&kNoModels);
        headless::SetSession([&](Desk& desk) {
            Scan(desk, "p");
            Scan(desk, "i");
            std::string added;
            for (int n = 2; n <= 8001; ++n) {
                added += Line(kWhen, Number(n).c_str(), "o", "x", 'D');
            }
            added += damaged > 0 ? std::string(damaged - 2, '#') + "\r\n" : "";
            std::ofstream(install->DayFile(kToday), std::ios::binary | std::ios::app) << added;
            Scan(desk, "q");
            Scan(desk, "j");
            const std::string day = Day();
            EXPECT_EQ(day.substr(day.size() - 112, 6), "008002") << damaged;
            const std::string shown = day.substr(0, 132) + day.substr(58 * 132);
            EXPECT_EQ(ListDiffersFromFile(desk.Item(IDC_LIST_OPERATIONS).rows, shown), "")
                << damaged;
        });
        CQuorvelPDlg dialog;
        dialog.DoModal();
        EXPECT_TRUE(Shown().empty()) << damaged;
    }
}

TEST_F(Entry, AnAccentedInstallationAndWorkAreaNamedInUtf8OnDisk) {
#ifdef _WIN32
    GTEST_SKIP() << "the ANSI calls take the core's text as it is";
#else
    // The folder as an administrator's shell makes it, in UTF-8; the
    // settings and the core spell it in ISO-8859-1.
    const std::string base = test_system::MakeFolder("quorvel-accents-");
    const std::string folder = base + "/Pr\xC3\xA9stamo";
    const std::string text = base + "/Pr\xE9stamo";
    install = std::make_unique<Installation>(nullptr, folder);
    {
        CQuorvelPDlg dialog;
        dialog.DoModal();
    }
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "File not found\n" + text + "/Admin/quorvp.xml");

    std::string settings = kNoModels;
    settings.replace(settings.find("@WORK@"), 6, text + "/Work");
    std::ofstream(folder + "/Admin/quorvp.xml", std::ios::binary) << settings;
    headless::Reset();
    headless::SetSession([&](Desk& desk) {
        Scan(desk, "p");
        Scan(desk, "i");
    });
    {
        CQuorvelPDlg dialog;
        dialog.DoModal();
    }
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Day(), Line(kWhen, "000001", "p", "i", 'P'));
    install.reset();
    std::filesystem::remove_all(base);
#endif
}

} // namespace
