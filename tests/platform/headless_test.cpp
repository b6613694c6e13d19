// The window layer over the headless backend: binding and limits, where
// clicks and keys go, message boxes, timers, the dialog surface, the list
// view and the plain window operations.
#include "desk_dialog.h"
#include "list_script.h"

#include "platform/headless/headless.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using headless::Desk;

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override { headless::Reset(); }
    void TearDown() override { headless::Reset(); }

    // Runs the dialog with `session` as the librarian.
    INT_PTR Run(const std::function<void(Desk&)>& session) {
        headless::SetSession(session);
        return dialog.DoModal();
    }

    DeskDialog dialog;
};

// Binding and limits.

using DataExchange = HeadlessTest;

TEST_F(DataExchange, BindsMembersAndFillsAndLimitsTheEdits) {
    Run([&](Desk& desk) {
        EXPECT_EQ(dialog.GetDlgItem(IDC_EDIT_PATRON), &dialog.m_editPatron);
        EXPECT_EQ(dialog.GetDlgItem(IDC_LIST_OPERATIONS), &dialog.m_list);
        EXPECT_EQ(desk.Item(IDC_EDIT_PATRON).text, "preset");
        EXPECT_EQ(desk.Item(IDC_EDIT_PATRON).limit, 50);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).limit, 5);
        // The first tab stop gets the focus when OnInitDialog returns TRUE.
        EXPECT_EQ(CWnd::GetFocus(), &dialog.m_editPatron);
        EXPECT_EQ(desk.FocusId(), IDC_EDIT_PATRON);
    });
    // Destroying the window unbinds the wrappers.
    EXPECT_EQ(dialog.m_editPatron.m_hWnd, nullptr);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    dialog.m_editPatron.SetWindowText("ignored");
    EXPECT_EQ(dialog.m_editPatron.GetWindowTextLength(), 0);
}

TEST_F(DataExchange, ExchangeFromTheControlsReadsTextsAndChecksLimits) {
    Run([&](Desk& desk) {
        ASSERT_TRUE(desk.Click(IDC_EDIT_ITEM));
        ASSERT_TRUE(desk.Type("abc"));
        EXPECT_TRUE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_itemText, "abc");
        // Text set by the program is not cut to the limit, but fails validation.
        dialog.m_editItem.SetWindowText("123456");
        EXPECT_FALSE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_itemText, "123456");
    });
}

struct TypingCase {
    const char* description;
    const char* before;
    int selStart, selEnd; // -1, -1: no selection, caret at the end
    const char* typed;
    const char* after;
};

class Typing : public HeadlessTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(Typing, RespectsTheLimitOfFiveAndTheSelection) {
    const TypingCase& c = GetParam();
    Run([&](Desk& desk) {
        dialog.m_editItem.SetWindowText(c.before);
        ASSERT_TRUE(desk.Click(IDC_EDIT_ITEM));
        if (c.selStart >= 0) {
            dialog.m_editItem.SetSel(c.selStart, c.selEnd);
        }
        EXPECT_TRUE(desk.Type(c.typed));
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, c.after) << c.description;
    });
}

const TypingCase kTypingCases[] = {
    {"fits", "", -1, -1, "1234", "1234"},
    {"exactly_the_limit", "", -1, -1, "12345", "12345"},
    {"cut_at_the_limit", "", -1, -1, "1234567", "12345"},
    {"full_edit_takes_nothing", "12345", -1, -1, "6", "12345"},
    {"appends_after_text", "12", -1, -1, "3456", "12345"},
    {"replaces_whole_selection", "12345", 0, -1, "abcdefg", "abcde"},
    {"replaces_part_of_text", "12345", 1, 3, "x", "1x45"},
    {"selection_frees_room", "12345", 3, 5, "abc", "123ab"},
};

INSTANTIATE_TEST_SUITE_P(Cases, Typing, ::testing::ValuesIn(kTypingCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST_F(DataExchange, TypingNeedsAnEnabledEditWithTheFocus) {
    Run([&](Desk& desk) {
        ASSERT_TRUE(desk.Click(IDC_LIST_OPERATIONS));
        EXPECT_FALSE(desk.Type("x"));
        dialog.m_editPatron.EnableWindow(FALSE);
        EXPECT_FALSE(desk.Click(IDC_EDIT_PATRON));
        dialog.m_editPatron.SetFocus();
        EXPECT_FALSE(desk.Type("x"));
        EXPECT_EQ(desk.Item(IDC_EDIT_PATRON).text, "preset");
    });
}

// Where clicks and keys go.

using PointerAndKeys = HeadlessTest;

TEST_F(PointerAndKeys, GoWhereWindowsDialogManagerSendsThem) {
    const struct {
        const char* description;
        int x, y; // a click there, in dialog units, when key is 0
        UINT key; // else this key, with Alt when alt
        bool alt;
        int focus;    // the focused control afterwards
        int commands; // how many BN_CLICKED came of it
    } steps[] = {
        {"button_under_the_frame", 259, 27, 0, false, IDC_RADIO_RETURN, 1},
        {"edit_under_the_operation_box", 129, 75, 0, false, IDC_EDIT_ITEM, 0},
        {"a_label_lets_the_click_through", 50, 57, 0, false, IDC_EDIT_ITEM, 0},
        {"a_panel_lets_it_through", 10, 10, 0, false, IDC_EDIT_ITEM, 0},
        {"last_button", 346, 27, 0, false, IDC_RADIO_REQUEST, 1},
        {"right_goes_round_to_the_first", 0, 0, VK_RIGHT, false, IDC_RADIO_LOAN, 1},
        {"up_goes_round_to_the_last", 0, 0, VK_UP, false, IDC_RADIO_REQUEST, 1},
        {"left_to_the_middle", 0, 0, VK_LEFT, false, IDC_RADIO_RETURN, 1},
        {"left_over_the_frame", 0, 0, VK_LEFT, false, IDC_RADIO_LOAN, 1},
        {"tab_from_a_button", 0, 0, VK_TAB, false, IDC_LIST_OPERATIONS, 0},
        {"alt_mnemonic_of_a_button", 0, 0, 'T', true, IDC_RADIO_RETURN, 1},
        {"letter_alone_on_a_button", 0, 0, 'Q', false, IDC_RADIO_REQUEST, 1},
        {"label_mnemonic_to_its_field", 0, 0, 'P', true, IDC_EDIT_PATRON, 0},
        {"letter_alone_in_a_field_is_typed", 0, 0, 'L', false, IDC_EDIT_PATRON, 0},
        {"double_ampersand_is_no_mnemonic", 0, 0, 'O', true, IDC_EDIT_PATRON, 0},
    };
    Run([&](Desk& desk) {
        const std::pair<int, const char*> texts[] = {
            {IDC_RADIO_LOAN, "&Loan"},       {IDC_RADIO_RETURN, "Re&turn"},
            {IDC_RADIO_REQUEST, "Re&quest"}, {IDC_LABEL_PATRON, "&Patron"},
            {IDC_GROUP_OPERATION, "&&Ops"},
        };
        for (const auto& [id, text] : texts) {
            dialog.GetDlgItem(id)->SetWindowText(text);
        }
        for (const auto& s : steps) {
            const std::size_t before = dialog.log.size();
            if (s.key == 0) {
                desk.ClickAt(s.x, s.y);
            } else {
                desk.Press(s.key, s.alt);
            }
            EXPECT_EQ(desk.FocusId(), s.focus) << s.description;
            EXPECT_EQ(dialog.log.size() - before, static_cast<std::size_t>(s.commands))
                << s.description;
        }
        // The click and the arrows checked one button of the group at a time.
        EXPECT_EQ(desk.Item(IDC_RADIO_REQUEST).check, BST_CHECKED);
        EXPECT_EQ(desk.Item(IDC_RADIO_LOAN).check + desk.Item(IDC_RADIO_RETURN).check, 0);
        // A disabled field stops the click, and the label's mnemonic skips it.
        dialog.m_editItem.SetWindowText("abc");
        dialog.m_editItem.SetFocus();
        dialog.m_editPatron.EnableWindow(FALSE);
        EXPECT_EQ(desk.ClickAt(129, 58), 0);
        EXPECT_TRUE(desk.Press(VK_TAB));
        EXPECT_TRUE(desk.Press('P', true));
        EXPECT_EQ(desk.FocusId(), IDC_EDIT_ITEM);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).selStart, 0);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).selEnd, 3);
    });
}

// Message boxes.

using MessageBoxes = HeadlessTest;

TEST_F(MessageBoxes, AreRecordedWithTheApplicationTitleAsCaption) {
    EXPECT_STREQ(AfxGetAppName(), "platform_headless_tests");
    EXPECT_EQ(AfxMessageBox("File not found\n/opt/x", MB_ICONHAND), IDOK);
    EXPECT_EQ(AfxMessageBox(nullptr, MB_ICONEXCLAMATION), IDOK);
    const auto& boxes = headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "File not found\n/opt/x");
    EXPECT_EQ(boxes[0].caption, "platform_headless_tests");
    EXPECT_EQ(boxes[0].type, MB_ICONHAND);
    EXPECT_EQ(boxes[1].text, "");
    EXPECT_EQ(boxes[1].type, MB_ICONEXCLAMATION);
}

TEST_F(MessageBoxes, AnOpenBoxDeliversTimersAndBlocksTheDialog) {
    std::vector<bool> allowed;
    headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box, Desk* desk) {
        ASSERT_NE(desk, nullptr);
        EXPECT_EQ(box.text, "hello");
        allowed = {desk->FireTimer(7), desk->Press(VK_RETURN), desk->Click(IDC_RADIO_RETURN),
                   desk->Type("x"), desk->Close()};
    });
    Run([&](Desk& desk) {
        ASSERT_EQ(dialog.SetTimer(7, 1000, nullptr), 7u);
        EXPECT_EQ(AfxMessageBox("hello", MB_ICONINFORMATION), IDOK);
        EXPECT_TRUE(desk.Open());
    });
    EXPECT_EQ(allowed, (std::vector<bool>{true, false, false, false, false}));
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "timer 7", "destroy"}));
}

// Timers and closing.

using TimersAndClosing = HeadlessTest;

TEST_F(TimersAndClosing, TimersRunUntilKilledOrTheWindowIsDestroyed) {
    Run([&](Desk& desk) {
        EXPECT_EQ(dialog.SetTimer(20000, 1000, nullptr), 20000u);
        EXPECT_EQ(dialog.SetTimer(3, 50, nullptr), 3u);
        EXPECT_EQ(dialog.SetTimer(0, 50, nullptr), 0u);
        EXPECT_EQ(desk.Timers(), (std::map<UINT_PTR, UINT>{{3, 50}, {20000, 1000}}));
        EXPECT_TRUE(desk.FireTimer(20000));
        EXPECT_TRUE(dialog.KillTimer(3));
        EXPECT_FALSE(dialog.KillTimer(3));
        EXPECT_FALSE(desk.FireTimer(3));
        EXPECT_TRUE(desk.Close());
        EXPECT_FALSE(desk.FireTimer(20000));
    });
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "timer 20000", "destroy"}));
    EXPECT_FALSE(dialog.KillTimer(20000));
}

TEST_F(TimersAndClosing, FailingTimersGiveZero) {
    headless::SetTimersFail(true);
    Run([&](Desk& desk) {
        EXPECT_EQ(dialog.SetTimer(20000, 1000, nullptr), 0u);
        EXPECT_TRUE(desk.Timers().empty());
    });
}

TEST_F(TimersAndClosing, CloseAtInitSkipsTheSessionButStillDestroys) {
    dialog.closeAtInit = true;
    bool sessionRan = false;
    EXPECT_EQ(Run([&](Desk&) { sessionRan = true; }), IDCANCEL);
    EXPECT_FALSE(sessionRan);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "destroy"}));
}

TEST_F(TimersAndClosing, ASessionThatReturnsClosesTheDialog) {
    Run([&](Desk& desk) { EXPECT_TRUE(desk.Open()); });
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "destroy"}));
    // The window is gone; the dialog can run again.
    EXPECT_EQ(Run([&](Desk& desk) { EXPECT_TRUE(desk.Close()); }), IDCANCEL);
}

TEST_F(TimersAndClosing, NoSecondDialogWhileOneRunsAndNoUnknownTemplate) {
    Run([&](Desk&) {
        DeskDialog second;
        EXPECT_EQ(second.DoModal(), -1);
    });
    CDialog unknown(4242);
    EXPECT_EQ(unknown.DoModal(), -1);
}

// The dialog surface.

using Surface = HeadlessTest;

TEST_F(Surface, IsPaintedWithTheCtlColorBrushAfterEachInvalidation) {
    Run([&](Desk& desk) {
        EXPECT_EQ(desk.Surface(), RGB(220, 0, 0));
        const int paints = desk.Paints();
        ASSERT_TRUE(desk.Click(IDC_RADIO_RETURN));
        EXPECT_EQ(desk.Surface(), RGB(138, 211, 138));
        EXPECT_EQ(desk.Paints(), paints + 1);
        // No invalidation, no repaint: a mode change alone shows nothing.
        dialog.mode = 2;
        ASSERT_TRUE(desk.Click(IDC_EDIT_ITEM));
        EXPECT_EQ(desk.Surface(), RGB(138, 211, 138));
        EXPECT_EQ(desk.Paints(), paints + 1);
        dialog.noBrush = true;
        ASSERT_TRUE(desk.Click(IDC_RADIO_REQUEST));
        EXPECT_EQ(desk.Surface(), headless::kFaceColor);
    });
}

TEST_F(Surface, BrushesKeepTheirColour) {
    CBrush brush;
    LOGBRUSH lb{};
    EXPECT_EQ(brush.GetLogBrush(&lb), 0);
    EXPECT_TRUE(brush.CreateSolidBrush(RGB(138, 138, 211)));
    EXPECT_FALSE(brush.CreateSolidBrush(RGB(1, 2, 3)));
    ASSERT_NE(brush.GetLogBrush(&lb), 0);
    EXPECT_EQ(lb.lbColor, RGB(138, 138, 211));
    EXPECT_EQ(GetRValue(lb.lbColor), 138);
    EXPECT_EQ(GetBValue(lb.lbColor), 211);
    EXPECT_EQ(static_cast<HBRUSH>(brush), brush.GetSafeHandle());
}

// The list view.

using ListView = HeadlessTest;

TEST_F(ListView, ColumnsRowsAtTheTopAndTheImageList) {
    CImageList images;
    Run([&](Desk& desk) {
        for (int n = 0; n < 6; ++n) {
            EXPECT_EQ(dialog.m_list.InsertColumn(n, n == 2 ? "" : "col", LVCFMT_LEFT), n);
        }
        EXPECT_EQ(dialog.m_list.InsertColumn(99, "clamped"), 6);
        EXPECT_TRUE(dialog.m_list.SetColumnWidth(2, 130));
        EXPECT_FALSE(dialog.m_list.SetColumnWidth(7, 10));
        ASSERT_TRUE(images.Create(IDB_MODE_STRIP, 16, 0, RGB(192, 192, 192)));
        EXPECT_EQ(images.GetImageCount(), 3);
        EXPECT_EQ(dialog.m_list.SetImageList(&images, LVSIL_SMALL), nullptr);
        EXPECT_EQ(dialog.m_list.SetImageList(&images, LVSIL_SMALL), &images);

        EXPECT_EQ(dialog.m_list.InsertItem(LVIF_TEXT | LVIF_IMAGE, 0, "", 0, 0, 1, 0), 0);
        EXPECT_TRUE(dialog.m_list.SetItemText(0, 5, "first"));
        EXPECT_EQ(dialog.m_list.InsertItem(LVIF_TEXT | LVIF_IMAGE, 0, "", 0, 0, 2, 0), 0);
        EXPECT_TRUE(dialog.m_list.SetItemText(0, 0, "second"));
        EXPECT_EQ(dialog.m_list.InsertItem(50, "last", 0), 2);
        EXPECT_FALSE(dialog.m_list.SetItemText(3, 0, "no row"));
        EXPECT_FALSE(dialog.m_list.SetItemText(0, 7, "no column"));

        const headless::Control& list = desk.Item(IDC_LIST_OPERATIONS);
        ASSERT_EQ(list.columns.size(), 7u);
        EXPECT_EQ(list.columns[2].width, 130);
        EXPECT_EQ(list.columns[3].width, -1);
        EXPECT_EQ(list.columns[2].title, "");
        ASSERT_EQ(list.rows.size(), 3u);
        EXPECT_EQ(list.rows[0].image, 2);
        EXPECT_EQ(list.rows[1].image, 1);
        EXPECT_EQ(list.rows[1].cells[5], "first");
        EXPECT_EQ(dialog.m_list.GetItemText(0, 0), "second");
        EXPECT_EQ(dialog.m_list.GetItemText(2, 0), "last");
        EXPECT_EQ(dialog.m_list.GetItemText(9, 0), "");
        EXPECT_EQ(dialog.m_list.GetItemCount(), 3);
        ASSERT_TRUE(list.hasSmallImages);
        EXPECT_EQ(list.smallImages.bitmapId, static_cast<UINT>(IDB_MODE_STRIP));
        EXPECT_EQ(list.smallImages.cx, 16);
        EXPECT_EQ(list.smallImages.count, 3);
        EXPECT_EQ(list.smallImages.mask, RGB(192, 192, 192));
    });
}

TEST_F(ListView, ThousandsOfInsertsKeepEveryRowItsCellsAndPictureInOrder) {
    Run([&](Desk& desk) {
        const std::vector<ExpectedRow> expected = RunListScript(dialog.m_list, 3000);
        ASSERT_FALSE(expected.empty());
        const headless::RowList& rows = desk.Item(IDC_LIST_OPERATIONS).rows;
        ASSERT_EQ(rows.size(), expected.size());
        ASSERT_EQ(dialog.m_list.GetItemCount(), static_cast<int>(expected.size()));
        for (std::size_t r = 0; r < expected.size(); ++r) {
            const headless::Row row = rows[r];
            EXPECT_EQ(row.image, expected[r].image) << "row " << r;
            ASSERT_EQ(row.cells, expected[r].cells) << "row " << r;
            const std::size_t last = expected[r].cells.size() - 1;
            EXPECT_EQ(rows.Cell(r, last), expected[r].cells[last]) << "row " << r;
            EXPECT_EQ(dialog.m_list.GetItemText(static_cast<int>(r), 0), expected[r].cells[0])
                << "row " << r;
        }
        EXPECT_EQ(rows.back().cells, expected.back().cells);
    });
}

TEST_F(ListView, ImageListsNeedAKnownBitmapAndAWidth) {
    CImageList images;
    EXPECT_FALSE(images.Create(4242, 16, 0, 0));
    EXPECT_FALSE(images.Create(IDB_MODE_STRIP, 0, 0, 0));
    EXPECT_EQ(images.GetImageCount(), 0);
    EXPECT_TRUE(images.Create(IDB_BOOK_LOAN, 25, 0, 0));
    EXPECT_FALSE(images.Create(IDB_MODE_STRIP, 16, 0, 0));
    EXPECT_EQ(images.GetImageCount(), 1);
}

// Plain window operations.

using WindowOperations = HeadlessTest;

struct TextCase {
    const char* description;
    const char* text;
    int maxCount;
    int copied;
    const char* buffer;
};

TEST_F(WindowOperations, GetWindowTextCopiesWithinTheBuffer) {
    const TextCase cases[] = {
        {"fits", "12345", 10, 5, "12345"},
        {"one_short", "12345", 5, 4, "1234"},
        {"only_the_nul", "12345", 1, 0, ""},
        {"no_room", "12345", 0, 0, "untouched"},
        {"empty", "", 4, 0, ""},
        {"latin1_bytes", "OPERACI\xD3N", 20, 9, "OPERACI\xD3N"},
    };
    Run([&](Desk&) {
        for (const TextCase& c : cases) {
            char buffer[16] = "untouched";
            dialog.m_editItem.SetWindowText(c.text);
            EXPECT_EQ(dialog.m_editItem.GetWindowText(buffer, c.maxCount), c.copied)
                << c.description;
            EXPECT_STREQ(buffer, c.buffer) << c.description;
        }
    });
}

TEST_F(WindowOperations, EnablingFocusSelectionAndIcons) {
    Run([&](Desk& desk) {
        EXPECT_FALSE(dialog.m_editPatron.EnableWindow(FALSE));
        EXPECT_TRUE(dialog.m_editPatron.EnableWindow(FALSE));
        // The focused window lost the focus with its enabling.
        EXPECT_EQ(CWnd::GetFocus(), nullptr);
        EXPECT_TRUE(dialog.m_editPatron.EnableWindow(TRUE));
        EXPECT_EQ(dialog.m_editItem.SetFocus(), nullptr);
        EXPECT_EQ(dialog.m_editPatron.SetFocus(), &dialog.m_editItem);
        // A control without a wrapper gets a stand-in, the same one each time.
        CWnd* date = dialog.GetDlgItem(IDC_STATIC_DATE);
        ASSERT_NE(date, nullptr);
        EXPECT_EQ(date, dialog.GetDlgItem(IDC_STATIC_DATE));
        EXPECT_EQ(date->GetDlgCtrlID(), IDC_STATIC_DATE);
        EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);

        dialog.m_editItem.SetWindowText("0123456789");
        dialog.m_editItem.SetSel(0, -1);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).selEnd, 10);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).caretScrolls, 1);
        dialog.m_editItem.SetSel(8, 3, TRUE);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).selStart, 3);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).selEnd, 8);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).caretScrolls, 1);

        CWinApp* app = AfxGetApp();
        EXPECT_EQ(app, nullptr);
        CWinApp local;
        HICON icon = local.LoadIcon(IDR_MAINFRAME);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(local.LoadIcon(IDR_MAINFRAME), icon);
        EXPECT_EQ(local.LoadIcon(4242), nullptr);
        EXPECT_EQ(dialog.SetIcon(icon, FALSE), nullptr);
        EXPECT_EQ(dialog.SetIcon(icon, FALSE), icon);
        EXPECT_EQ(desk.Icon(false), icon);
        EXPECT_EQ(desk.Icon(true), nullptr);
        EXPECT_FALSE(dialog.IsIconic());
    });
}

} // namespace
