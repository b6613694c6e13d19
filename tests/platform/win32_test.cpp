// The Windows backend on real windows (under wine here): the dialog built
// from template 102 of the program's resources against the template's data
// that the other backends build from, and the surface brush, which the
// journey of scripts/test-windows does not look at. (Clicks, keys, message
// boxes, the list and the close command are that journey's.)
//
// The test looks at the running dialog from a thread timer, inside the
// dialog's message loop, as the user's input would arrive.
#include "desk_dialog.h"

#include "res/dialog_template.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace {

std::function<void()> g_look;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_look) {
        std::exchange(g_look, nullptr)();
    }
}

// Runs dialog modally, looks at it once, then closes it.
void Drive(CDialog& dialog, std::function<void()> look) {
    g_look = [&dialog, look] {
        look();
        PostMessageA(dialog.m_hWnd, WM_CLOSE, 0, 0);
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    KillTimer(nullptr, timer);
    g_look = nullptr;
}

TEST(Win32Dialog, IsBuiltFromTheTemplateResourceAsTheTemplateDataSaysWithItsBrush) {
    const res::DialogTemplate* t = res::FindDialogTemplate(IDD_QUORVELP_DIALOG);
    ASSERT_NE(t, nullptr);
    DeskDialog dialog;
    Drive(dialog, [&] {
        const HWND d = dialog.m_hWnd;
        char text[64] = "";
        GetWindowTextA(d, text, sizeof text);
        EXPECT_STREQ(text, t->caption);
        EXPECT_NE(GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
        // The children in stacking order, which is the template's.
        HWND w = GetWindow(d, GW_CHILD);
        for (std::size_t i = 0; i < t->controlCount; ++i, w = GetWindow(w, GW_HWNDNEXT)) {
            const res::TemplateControl& c = t->controls[i];
            const std::string where = "control #" + std::to_string(i + 1);
            ASSERT_NE(w, nullptr) << where;
            EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(w)), static_cast<WORD>(c.id)) << where;
            GetClassNameA(w, text, sizeof text);
            EXPECT_EQ(lstrcmpiA(text, res::WindowClassName(c.kind)), 0) << text << where;
            // The dialog manager draws a template's border as a sunken edge.
            const auto style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
            EXPECT_EQ(style & c.style & ~WS_BORDER, c.style & ~WS_BORDER) << where;
            EXPECT_EQ((style & WS_TABSTOP) != 0, (c.style & WS_TABSTOP) != 0) << where;
            RECT expected{c.x, c.y, c.x + c.cx, c.y + c.cy};
            MapDialogRect(d, &expected);
            RECT got;
            GetWindowRect(w, &got);
            MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&got), 2);
            EXPECT_EQ(got.left, expected.left) << where;
            EXPECT_EQ(got.top, expected.top) << where;
            // A bitmap static takes its bitmap's size.
            if (c.kind != res::ControlKind::Picture) {
                EXPECT_EQ(got.right, expected.right) << where;
                EXPECT_EQ(got.bottom, expected.bottom) << where;
            }
            if (c.kind != res::ControlKind::Edit && c.kind != res::ControlKind::Picture) {
                GetWindowTextA(w, text, sizeof text);
                EXPECT_STREQ(text, c.text) << where;
            }
        }
        EXPECT_EQ(w, nullptr) << "more children than template controls";
        // The surface takes the dialog's brush.
        HDC dc = GetDC(d);
        EXPECT_EQ(SendMessageA(d, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(d)),
                  reinterpret_cast<LRESULT>(dialog.brush.m_hObject));
        ReleaseDC(d, dc);
    });
    // The window system unbound every wrapper when it destroyed the windows.
    EXPECT_EQ(dialog.m_editPatron.m_hWnd, nullptr);
}

} // namespace
