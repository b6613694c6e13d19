// The Windows backend on real windows (under wine here): the dialog that
// Windows builds from template 102 of the program's resources must be the one
// the other backends build from the template's data, control for control, in
// the same stacking order. (Clicks, keys, message boxes, the list and the
// close command are the journey's of scripts/test-windows.)
#include "desk_dialog.h"

#include "res/dialog_template.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

DeskDialog* g_dialog = nullptr;

// Looks at the running dialog once, from a thread timer inside its message
// loop, as the user's input would arrive, then closes it.
void CALLBACK LookAndClose(HWND, UINT, UINT_PTR, DWORD) {
    if (DeskDialog* dialog = std::exchange(g_dialog, nullptr)) {
        const res::DialogTemplate* t = res::FindDialogTemplate(IDD_QUORVELP_DIALOG);
        const HWND d = dialog->m_hWnd;
        PostMessageA(d, WM_CLOSE, 0, 0); // taken once this look is over
        char text[64] = "";
        EXPECT_NE(GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
        HWND w = GetWindow(d, GW_CHILD);
        for (std::size_t i = 0; i < t->controlCount; ++i, w = GetWindow(w, GW_HWNDNEXT)) {
            const res::TemplateControl& c = t->controls[i];
            const std::string where = "control #" + std::to_string(i + 1);
            ASSERT_NE(w, nullptr) << where;
            EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(w)), static_cast<WORD>(c.id)) << where;
            GetClassNameA(w, text, sizeof text);
            EXPECT_EQ(lstrcmpiA(text, res::WindowClassName(c.kind)), 0) << text << where;
            // Every style of the template, a tab stop only where it says so;
            // the dialog manager draws a template's border as a sunken edge.
            const auto style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
            EXPECT_EQ(style & (c.style | WS_TABSTOP) & ~WS_BORDER, c.style & ~WS_BORDER) << where;
            RECT expected{c.x, c.y, c.x + c.cx, c.y + c.cy};
            MapDialogRect(d, &expected);
            RECT got;
            GetWindowRect(w, &got);
            MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&got), 2);
            // A bitmap static takes its bitmap's size; the edits hold the
            // exchanged texts.
            const bool picture = c.kind == res::ControlKind::Picture;
            EXPECT_TRUE(got.left == expected.left && got.top == expected.top &&
                        (picture || (got.right == expected.right && got.bottom == expected.bottom)))
                << where;
            if (c.kind != res::ControlKind::Edit && !picture) {
                GetWindowTextA(w, text, sizeof text);
                EXPECT_STREQ(text, c.text) << where;
            }
        }
        EXPECT_EQ(w, nullptr) << "more children than template controls";
    }
}

TEST(Win32Dialog, IsBuiltFromTheTemplateResourceAsTheTemplateDataSays) {
    ASSERT_NE(res::FindDialogTemplate(IDD_QUORVELP_DIALOG), nullptr);
    DeskDialog dialog;
    g_dialog = &dialog;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, LookAndClose);
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_dialog, nullptr); // looked at
    // The window system unbound every wrapper when it destroyed the windows.
    EXPECT_EQ(dialog.m_editPatron.m_hWnd, nullptr);
}

} // namespace
