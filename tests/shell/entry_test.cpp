// Entries at a headless desk: Enter in each mode with each kind of patron and
// item, the day's file byte for byte, restarts over damaged files, midnight,
// a file held by another desk, failed writes and reads, what other desks add
// between two operations.
#include "desk_fixture.h"

#include <cerrno>
#include <tuple>

namespace {

using headless::Desk;

const std::string kStandard = Settings("es", Catalogue("es") + kModels);
const std::string kNoModels = Settings("es", Catalogue("es"));
constexpr char kPatron[] = "12345674";
constexpr char kItem[] = "4006381333931";

using Entry = DeskTest;

// Enter with the focus where the librarian left it: the message and the
// field then to fix, or the record and the field the next operation starts
// in (the Qt journey has the plain loan, the missing and the invalid card).
TEST_F(Entry, EnterRefusesOrRecordsByModePatronItemAndFocus) {
    const int kPatronEdit = IDC_EDIT_PATRON, kItemEdit = IDC_EDIT_ITEM, kList = IDC_LIST_OPERATIONS,
              kLoan = IDC_RADIO_LOAN, kReturn = IDC_RADIO_RETURN, kRequest = IDC_RADIO_REQUEST;
    // mode: the radio button, chosen after the patron is typed in loan mode;
    // focus: where Enter is pressed, then: afterwards; shown: the message ("" none);
    // letter: of the record written (0 none).
    const struct {
        int mode;
        const char *patron, *item;
        int focus, then;
        const char* shown;
        char letter;
    } rows[] = {
        {kRequest, kPatron, "", kList, kItemEdit, "es:mes3", 0},
        {kLoan, kItem, "", kPatronEdit, kPatronEdit, "es:mes4", 0},
        {kRequest, "   ", kItem, kItemEdit, kPatronEdit, "es:mes4", 0},
        {kLoan, kPatron, kPatron, kItemEdit, kItemEdit, "es:mes4", 0},
        {kReturn, "", "4006381333932", kItemEdit, kItemEdit, "es:mes4", 0},
        {kReturn, "x", kItem, kList, kItemEdit, "", 'D'},
        {kRequest, kPatron, kItem, kPatronEdit, kPatronEdit, "", 'T'},
    };
    std::string day;
    std::vector<std::string> said;
    Run(kStandard, [&](Desk& desk) {
        for (const auto& r : rows) {
            SCOPED_TRACE(std::to_string(r.mode) + " \"" + r.patron + "\" \"" + r.item + "\"");
            ASSERT_TRUE(desk.Click(IDC_RADIO_LOAN) && desk.Press(VK_ESCAPE) &&
                        desk.Type(r.patron) && desk.Click(r.mode) && desk.Click(IDC_EDIT_ITEM) &&
                        desk.Type(r.item) && desk.Click(r.focus) && desk.Press(VK_RETURN));
            said.insert(said.end(), r.shown[0] != '\0', r.shown);
            ASSERT_EQ(Shown(), said);
            // The surface the librarian sees: red, light green, light blue.
            const COLORREF surface = r.mode == kLoan     ? RGB(220, 0, 0)
                                     : r.mode == kReturn ? RGB(138, 211, 138)
                                                         : RGB(138, 138, 211);
            EXPECT_EQ(
                std::tuple(headless::MessageBoxes().back().type, desk.FocusId(), desk.Surface()),
                std::tuple(UINT{MB_ICONHAND | MB_OK}, r.then, surface));
            day += r.letter ? RecordLine(day.size() / 132 + 1, r.mode == kReturn ? "" : r.patron,
                                         r.item, r.letter)
                            : "";
            EXPECT_EQ(desk.Item(IDC_EDIT_PATRON).text + "|" + desk.Item(IDC_EDIT_ITEM).text,
                      r.letter ? "|" : std::string(r.patron) + "|" + r.item);
            EXPECT_EQ(ListDiffersFromFile(desk.Item(IDC_LIST_OPERATIONS).rows, Day()), "");
        }
    });
    EXPECT_EQ(Day(), day);
}

// A day's file at start-up and an operation it may not take: the list
// shows the file, the numbering goes on from its last whole record, every
// byte stays (a last line without its line end is ended first; the fuzz
// target's replay takes damaged files of every other kind). A file held
// by another desk, or a write, flush or reading of the last record that
// fails, says "mes2" and leaves no trace: no byte, no number used, the entry
// left for Enter to try again. A failed closing comes after the flush.
TEST_F(Entry, TheNumberingGoesOnFromTheLastWholeRecordAndAFailedOperationLeavesNoTrace) {
    const std::string r1 = RecordLine(1, "p1", "i1", 'P', "2026-03-02 08:00:00");
    const std::string r2 = RecordLine(2, "", "i2", 'D', "2026-03-02 08:10:00");
    const std::string r3 = RecordLine(3, "p3", "i3", 'T', "2026-03-02 08:20:00");
    std::string damagedDay, hundred; // a whole day of records cut inside their number; 100 records
    for (int i = 0; i < 2000; ++i) {
        damagedDay += r1.substr(0, 23) + "\r\n";
        hundred += i < 100 ? RecordLine(i + 1, "p", "i", 'P', "2026-03-02 08:00:00") : "";
    }
    const struct {
        const char* description;
        std::string file;
        int next;                               // number of the next operation
        FileOperation operation = FILE_OP_READ; // what fails at the first Enter
        int error = 0;                          // EWOULDBLOCK: the file held by another desk
        std::size_t written = 0;
        bool atLoad = false; // the failure comes at start-up instead
    } cases[] = {
        {"three_records", r1 + r2 + r3, 4},
        {"cut_inside_the_number", r1 + r2 + r3.substr(0, 23), 3},
        {"one_byte_without_a_line_end", "x", 1},
        {"ten_megabytes_without_a_line_end", r1 + r2 + std::string(10 << 20, 'x'), 3},
        {"a_whole_day_of_damaged_lines", damagedDay, 1},
        {"end_of_file_byte_at_the_end", r1 + r2 + r3 + "\x1A", 4},
        {"end_of_file_byte_in_the_middle", r1 + "\x1A\r\n" + r2 + r3, 4},
        {"held_by_another_desk", r1, 2, FILE_OP_READ, EWOULDBLOCK},
        {"disk_full", r1, 2, FILE_OP_WRITE, ENOSPC, 70},
        {"flush_fails", r1, 2, FILE_OP_FSYNC, EIO},
        {"last_record_unreadable", r1, 2, FILE_OP_READ, EIO},
        {"close_fails_after_the_flush", r1, 2, FILE_OP_CLOSE, EIO},
        // One read finds the last record, one brings the load its first 8 KiB
        // (62 whole lines), the next one fails: the next operation shows the rest.
        {"a_read_fails_half_way_through_the_load", hundred, 101, FILE_OP_READ, EIO, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        headless::Reset();
        Install(&kNoModels);
        std::ofstream(install->DayFile(kToday), std::ios::binary) << c.file;
        const bool refused = c.error != 0 && c.operation != FILE_OP_CLOSE && !c.atLoad;
        if (c.atLoad) {
            FileFailNext(c.operation, c.error, c.written, 2);
        }
        CStdioFile holder;
        headless::SetSession([&](Desk& desk) {
            const headless::RowList& rows = desk.Item(IDC_LIST_OPERATIONS).rows;
            EXPECT_EQ(ListDiffersFromFile(
                          rows, c.file.substr(0, c.atLoad ? 62 * 132 : std::string::npos)),
                      "");
            Scan(desk, {"p"});
            desk.Type("i");
            if (c.error == EWOULDBLOCK) {
                ASSERT_TRUE(holder.Open(install->DayFile(kToday).c_str(),
                                        CFile::modeReadWrite | CFile::shareExclusive));
            } else if (c.error != 0 && !c.atLoad) {
                FileFailNext(c.operation, c.error, c.written);
            }
            desk.Press(VK_RETURN);
            EXPECT_EQ(Shown(), std::vector<std::string>(refused || c.atLoad ? 1 : 0, "es:mes2"));
            if (refused) {
                EXPECT_EQ(headless::MessageBoxes().back().type, MB_ICONEXCLAMATION | MB_OK);
                holder.Close(); // when held
                EXPECT_EQ(Day(), c.file);
                EXPECT_EQ(std::to_string(rows.size()) + desk.Item(IDC_EDIT_ITEM).text +
                              std::to_string(desk.FocusId()),
                          "1i" + std::to_string(IDC_EDIT_ITEM));
                desk.Press(VK_RETURN);
            }
            Scan(desk, {"q", "j"});
            EXPECT_EQ(ListDiffersFromFile(rows, Day()), "");
        });
        CQuorvelPDlg().DoModal();
        EXPECT_TRUE(Day() == c.file + (c.file.empty() || c.file.back() == '\n' ? "" : "\r\n") +
                                 RecordLine(c.next, "p", "i", 'P') +
                                 RecordLine(c.next + 1, "q", "j", 'P'));
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
            std::size_t n = 0; // each day's file numbered from 1
            for (const std::string& line : NonEmptyLines(Day(name))) {
                EXPECT_EQ(line.substr(0, 10), date) << before;
                EXPECT_EQ(std::stoul(line.substr(20, 6)), ++n) << before;
            }
            records += n;
        }
        EXPECT_EQ(records, 3u) << before;
    }
}

// Between this desk's operations other desks add nothing, records, a line
// without its end: the list then shows the whole file. Of more than one
// operation reads (1 MiB) it shows the newest lines: of 8000 records (132
// bytes each) and a damaged line of 100 bytes the window starts right at the
// 58th record; without that line, inside the 57th.
TEST_F(Entry, EachOperationShowsWhatOtherDesksAddedSinceThisDeskLastLooked) {
    ASSERT_EQ(kUnseenWindow, 1048576);
    const std::string added[] = {"", RecordLine(3, "o", "y", 'D'),
                                 RecordLine(5, "o", "z", 'T') + "#cut",
                                 RecordLine(7, "", "w", 'D') + RecordLine(8, "o", "v", 'P'), ""};
    for (const std::size_t damaged : {0, 100}) {
        headless::Reset();
        Run(kNoModels, [&](Desk& desk) {
            const headless::RowList& rows = desk.Item(IDC_LIST_OPERATIONS).rows;
            for (const std::string& lines : added) {
                std::ofstream(install->DayFile(kToday), std::ios::app | std::ios::binary) << lines;
                Scan(desk, {"p", "i"});
                EXPECT_EQ(ListDiffersFromFile(rows, Day()), "") << lines;
            }
            const std::string before = Day();
            std::ofstream more(install->DayFile(kToday), std::ios::app | std::ios::binary);
            for (int n = 1; n <= 8000; ++n) {
                more << RecordLine(n, "o", "x", 'D');
            }
            more << (damaged > 0 ? std::string(damaged - 2, '#') + "\r\n" : "");
            more.close();
            Scan(desk, {"q", "j"});
            const std::string shown = before + Day().substr(before.size() + 57 * 132);
            EXPECT_EQ(ListDiffersFromFile(rows, shown), "") << damaged;
        });
        EXPECT_TRUE(Shown().empty()) << damaged;
    }
}

} // namespace
