// The Windows backend on real windows (under wine here): the dialog built
// from template 102 of the program's resources against the template's data
// that the other backends build from, the surface brush and the list view,
// which the journey of scripts/test-windows does not look at. (Clicks, keys,
// message boxes and the close command are that journey's.)
//
// A test drives the running dialog from a thread timer: each tick takes the
// next step inside the dialog's message loop, as the user's input would.
#include "desk_dialog.h"

#include "res/dialog_template.h"

#include <gtest/gtest.h>

#include <cctype>
#include <deque>
#include <functional>
#include <string>

namespace {

using Step = std::function<void()>;
std::deque<Step> g_steps;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_steps.empty()) {
        Step step = std::move(g_steps.front());
        g_steps.pop_front();
        step();
    }
}

// Runs dialog modally while the steps are taken one per tick; the dialog is
// closed after the last one.
void Drive(CDialog& dialog, std::deque<Step> steps) {
    steps.push_back([&dialog] { PostMessageA(dialog.m_hWnd, WM_CLOSE, 0, 0); });
    g_steps = std::move(steps);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    KillTimer(nullptr, timer);
    g_steps.clear();
}

std::string Lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

TEST(Win32Dialog, IsBuiltFromTheTemplateResourceAsTheTemplateDataSays) {
    const res::DialogTemplate* t = res::FindDialogTemplate(IDD_QUORVELP_DIALOG);
    ASSERT_NE(t, nullptr);
    DeskDialog dialog;
    Drive(dialog, {[&] {
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
                  EXPECT_EQ(Lower(text), Lower(res::WindowClassName(c.kind))) << where;
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
          }});
    // The window system unbound every wrapper when it destroyed the windows.
    EXPECT_EQ(dialog.m_editPatron.m_hWnd, nullptr);
}

TEST(Win32Dialog, TheSurfaceTakesTheModeBrushAndTheListItsRowsAndPictures) {
    DeskDialog dialog;
    CImageList pictures;
    Drive(dialog, {[&] {
              const HWND d = dialog.m_hWnd;
              HDC dc = GetDC(d);
              const auto ask = [&](UINT message, HWND from) {
                  return reinterpret_cast<HBRUSH>(SendMessageA(
                      d, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(from)));
              };
              dialog.mode = 1;
              EXPECT_EQ(ask(WM_CTLCOLORDLG, d), dialog.brushes[1].m_hObject);
              EXPECT_NE(ask(WM_CTLCOLORSTATIC, GetDlgItem(d, IDC_LABEL_PATRON)),
                        dialog.brushes[1].m_hObject);
              ReleaseDC(d, dc);

              CListCtrl& list = dialog.m_list;
              EXPECT_EQ(list.InsertColumn(0, "Fecha"), 0);
              EXPECT_EQ(list.InsertColumn(5, "Operaci\xF3n"), 1); // clamped to the end
              EXPECT_TRUE(list.SetColumnWidth(1, 130));
              ASSERT_TRUE(pictures.Create(IDB_MODE_STRIP, 16, 0, RGB(192, 192, 192)));
              EXPECT_EQ(pictures.GetImageCount(), 3);
              EXPECT_EQ(list.SetImageList(&pictures, LVSIL_SMALL), nullptr);
              EXPECT_EQ(list.InsertItem(0, "first", 0), 0);
              EXPECT_EQ(list.InsertItem(0, "", 2), 0);
              EXPECT_TRUE(list.SetItemText(0, 1, "PETICI\xD3N"));
              EXPECT_FALSE(list.SetItemText(2, 0, "no such row"));
              EXPECT_EQ(list.GetItemText(1, 0), "first");
              EXPECT_EQ(list.GetItemText(0, 1), "PETICI\xD3N");
              const std::string wide(300, 'w');
              EXPECT_TRUE(list.SetItemText(1, 1, wide.c_str()));
              EXPECT_EQ(list.GetItemText(1, 1), wide);
              LVITEMA row{};
              row.mask = LVIF_IMAGE;
              SendMessageA(list.m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row));
              EXPECT_EQ(row.iImage, 2);
          }});
    // The list only borrowed the image list.
    EXPECT_EQ(pictures.GetImageCount(), 3);
}

} // namespace
