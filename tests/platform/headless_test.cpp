// The window layer's shared rules, run on the headless backend: binding,
// limits and selections of the edits, and where clicks and keys go (hit
// testing, focus, radio groups, mnemonics), which every backend inherits.
#include "desk_dialog.h"

#include "platform/headless/headless.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using headless::Desk;

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override { headless::Reset(); }
    void TearDown() override { headless::Reset(); }

    // Runs the dialog with `session` as the librarian.
    void Run(const std::function<void(Desk&)>& session) {
        headless::SetSession(session);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }

    DeskDialog dialog;
};

TEST_F(HeadlessTest, BindsFillsAndLimitsTheEditsAndValidatesOnExchange) {
    Run([&](Desk& desk) {
        EXPECT_EQ(desk.Item(IDC_EDIT_PATRON).text, "preset");
        // The first tab stop gets the focus when OnInitDialog returns TRUE.
        EXPECT_TRUE(CWnd::GetFocus() == &dialog.m_editPatron && !dialog.IsIconic());
        CWinApp app;
        EXPECT_TRUE(app.LoadIcon(IDR_MAINFRAME) != nullptr && app.LoadIcon(4242) == nullptr);
        ASSERT_TRUE(desk.Click(IDC_EDIT_ITEM) && desk.Type("abc"));
        EXPECT_TRUE(dialog.UpdateData(TRUE) && dialog.m_itemText == "abc");
        dialog.m_editItem.SetSel(1, 2);
        ASSERT_TRUE(desk.Type("123456"));
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, "a123c"); // the limit of 5
        // Text set by the program is not cut to the limit, but fails validation.
        dialog.m_editItem.SetWindowText("123456");
        EXPECT_FALSE(dialog.UpdateData(TRUE));
        dialog.m_editItem.SetSel(8, 3, TRUE); // reversed, and past the end of the text
        EXPECT_EQ(std::pair(desk.Item(IDC_EDIT_ITEM).selStart, desk.Item(IDC_EDIT_ITEM).selEnd),
                  std::pair(3, 6));
    });
    // The dialog is told of its end, and destroying the window unbinds the wrappers.
    EXPECT_TRUE(dialog.log.back() == "destroy" && dialog.m_editPatron.m_hWnd == nullptr);
    dialog.m_editPatron.SetWindowText("ignored");
    EXPECT_EQ(dialog.m_editPatron.GetWindowTextLength(), 0);
}

TEST_F(HeadlessTest, ClicksAndKeysGoWhereWindowsDialogManagerSendsThem) {
    const struct {
        const char* description;
        int x, y; // a click there, in dialog units, when key is 0
        UINT key; // else this key, with Alt when alt
        bool alt;
        int focus, commands; // the focused control afterwards; how many BN_CLICKED came of it
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
        for (const auto& [id, text] : {std::pair{IDC_RADIO_LOAN, "&Loan"},
                                       {IDC_RADIO_RETURN, "Re&turn"},
                                       {IDC_RADIO_REQUEST, "Re&quest"},
                                       {IDC_LABEL_PATRON, "&Patron"},
                                       {IDC_GROUP_OPERATION, "&&Ops"}}) {
            dialog.GetDlgItem(id)->SetWindowText(text);
        }
        for (const auto& s : steps) {
            const std::size_t before = dialog.log.size();
            if (s.key == 0) {
                desk.ClickAt(s.x, s.y);
            } else {
                desk.Press(s.key, s.alt);
            }
            EXPECT_EQ(std::pair(desk.FocusId(), dialog.log.size() - before),
                      std::pair(s.focus, static_cast<std::size_t>(s.commands)))
                << s.description;
        }
        // The click and the arrows checked one button of the group at a time.
        EXPECT_EQ(desk.Item(IDC_RADIO_REQUEST).check, BST_CHECKED);
        EXPECT_EQ(desk.Item(IDC_RADIO_LOAN).check + desk.Item(IDC_RADIO_RETURN).check, 0);
        // A disabled field stops the click and takes no typing, and the
        // label's mnemonic skips it.
        dialog.m_editItem.SetWindowText("abc");
        dialog.m_editItem.SetFocus();
        EXPECT_FALSE(dialog.m_editPatron.EnableWindow(FALSE));
        EXPECT_TRUE(dialog.m_editPatron.EnableWindow(FALSE) // it was disabled
                    && desk.ClickAt(129, 58) == 0);
        EXPECT_TRUE(desk.Press(VK_TAB) && desk.Press('P', true));
        EXPECT_EQ((std::vector{desk.FocusId(), desk.Item(IDC_EDIT_ITEM).selStart,
                               desk.Item(IDC_EDIT_ITEM).selEnd}),
                  (std::vector{IDC_EDIT_ITEM, 0, 3}));
        // Disabling the focused window takes the focus away.
        dialog.m_editItem.EnableWindow(FALSE);
        EXPECT_EQ(CWnd::GetFocus(), nullptr);
        EXPECT_FALSE(desk.Type("x"));
    });
}

} // namespace
