// Entries at the desk, headless: every refusal, the day's file byte for byte,
// restarts, midnight, a file held by another desk, failed writes, and two
// desks recording into one file. (A day of each mode at the real windows is
// the journeys': qt_journey_test.cpp, and the scripts test-desk and
// test-windows.)
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

TEST_F(Entry, TheDaysEarlierOperationsComeBackAndNumberingGoesOn) {
    const std::string r1 = Line("2026-03-02 08:00:00", "000001", "p1", "i1", 'P');
    const std::string r2 = Line("2026-03-02 08:10:00", "000002", "", "i2", 'D');
    const std::string r3 = Line("2026-03-02 08:20:00", "000003", "p3", "i3", 'T');
    const struct {
        const char* description;
        std::string file;
        std::size_t rows;
        const char* time; // time and operation number cells of the top row
        const char* top;
        const char* next;
    } cases[] = {
        {"three_records", r1 + r2 + r3, 3, "08:20:00", "000003", "000004"},
        {"number_not_digits", r1 + r2 + Line("2026-03-02 08:20:00", "00003x", "", "i", 'D'), 3,
         "08:20:00", "00003x", "000001"},
        {"empty_and_short_lines", r1 + "\r\n\n" + r2 + "2026-03-02 08:30", 3, "08:3", "", "000001"},
        {"only_empty_lines", "\r\n\r\n", 0, nullptr, nullptr, "000001"},
    };
    for (const auto& c : cases) {
        Install(&kNoModels);
        std::ofstream(install->DayFile(kToday), std::ios::binary) << c.file;
        headless::SetSession([&](Desk& desk) {
            const headless::RowList& rows = desk.Item(IDC_LIST_OPERATIONS).rows;
            ASSERT_EQ(rows.size(), c.rows) << c.description;
            if (c.top != nullptr) {
                EXPECT_EQ(rows[0].cells[1], c.time) << c.description;
                EXPECT_EQ(rows[0].cells[2], c.top) << c.description;
                EXPECT_EQ(rows.back().cells[0], "02/03/2026") << c.description;
            }
            Scan(desk, "p");
            Scan(desk, "i");
            EXPECT_EQ(desk.Item(IDC_LIST_OPERATIONS).rows[0].cells[2], c.next) << c.description;
        });
        CQuorvelPDlg dialog;
        dialog.DoModal();
    }
    EXPECT_TRUE(Shown().empty());
}

TEST_F(Entry, TheFirstOperationAfterMidnightStartsTheNewDaysFile) {
    ClockSetFixedTime(kMorning + 53696); // 23:59:59
    Run(kNoModels, [&](Desk& desk) {
        Scan(desk, "p");
        Scan(desk, "i");
        ClockSetFixedTime(kMorning + 53698);
        Scan(desk, "q");
        Scan(desk, "j");
        EXPECT_EQ(desk.Item(IDC_LIST_OPERATIONS).rows.size(), 2u);
        EXPECT_EQ(desk.Item(IDC_LIST_OPERATIONS).rows[0].cells[0], "03/03/2026");
    });
    EXPECT_EQ(Day(), Line("2026-03-02 23:59:59", "000001", "p", "i", 'P'));
    EXPECT_EQ(Day("20260303"), Line("2026-03-03 00:00:01", "000001", "q", "j", 'P'));
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

} // namespace
