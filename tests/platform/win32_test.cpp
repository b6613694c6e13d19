// The Windows backend on real windows (under wine here): the dialog built
// from template 102 of the program's resources, timers behind a message box,
// the surface brush, the list view and the wrappers' binding. (Clicks and
// keys through the window system, and the close command as the only way out,
// are the journey's of scripts/test-windows.)
//
// A test drives the running dialog from a thread timer: each tick takes the
// next step, inside whichever message loop runs at that moment (the dialog's
// or a message box's), as the user's input would arrive.
#include "desk_dialog.h"

#include "res/dialog_template.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        step(); // may open a message box, whose loop runs the next steps
    }
}

// Runs dialog modally while the steps are taken one per tick; the dialog is
// closed after the last one, whatever the steps did.
void Drive(CDialog& dialog, std::deque<Step> steps) {
    steps.push_back([&dialog] { PostMessageA(dialog.m_hWnd, WM_CLOSE, 0, 0); });
    g_steps = std::move(steps);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    KillTimer(nullptr, timer);
    g_steps.clear();
}

HWND Item(const CDialog& dialog, int id) {
    return GetDlgItem(dialog.m_hWnd, id);
}

std::string Lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return Lower(name);
}

TEST(Win32Dialog, IsBuiltFromTheTemplateResourceInTemplateOrder) {
    const res::DialogTemplate* t = res::FindDialogTemplate(IDD_QUORVELP_DIALOG);
    ASSERT_NE(t, nullptr);
    DeskDialog dialog;
    Drive(dialog, {[&] {
              const HWND d = dialog.m_hWnd;
              char caption[32] = "";
              GetWindowTextA(d, caption, sizeof caption);
              EXPECT_STREQ(caption, t->caption);
              LOGFONTA font{};
              GetObjectA(reinterpret_cast<HFONT>(SendMessageA(d, WM_GETFONT, 0, 0)), sizeof font,
                         &font);
              EXPECT_STREQ(font.lfFaceName, t->fontName);
              EXPECT_EQ(GetWindowLongA(d, GWL_STYLE) & static_cast<LONG>(t->style & ~DS_SETFONT),
                        static_cast<LONG>(t->style & ~DS_SETFONT));
              EXPECT_NE(GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
              // The children in stacking order, which is the template's.
              HWND w = GetWindow(d, GW_CHILD);
              for (std::size_t i = 0; i < t->controlCount; ++i, w = GetWindow(w, GW_HWNDNEXT)) {
                  const res::TemplateControl& c = t->controls[i];
                  const std::string where = "control #" + std::to_string(i + 1);
                  ASSERT_NE(w, nullptr) << where;
                  EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(w)), static_cast<WORD>(c.id)) << where;
                  EXPECT_EQ(ClassOf(w), Lower(res::WindowClassName(c.kind))) << where;
                  const auto style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
                  const auto exStyle = static_cast<DWORD>(GetWindowLongA(w, GWL_EXSTYLE));
                  // The dialog manager draws a template's border as a sunken edge.
                  EXPECT_EQ(style & c.style & ~WS_BORDER, c.style & ~WS_BORDER) << where;
                  EXPECT_EQ((style & WS_BORDER) != 0 || (exStyle & WS_EX_CLIENTEDGE) != 0,
                            (c.style & WS_BORDER) != 0)
                      << where;
                  EXPECT_EQ((style & WS_TABSTOP) != 0, (c.style & WS_TABSTOP) != 0) << where;
                  EXPECT_EQ(exStyle & WS_EX_TRANSPARENT, c.exStyle & WS_EX_TRANSPARENT) << where;
                  RECT expected{c.x, c.y, c.x + c.cx, c.y + c.cy};
                  MapDialogRect(d, &expected);
                  RECT got;
                  GetWindowRect(w, &got);
                  MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&got), 2);
                  EXPECT_EQ(got.left, expected.left) << where;
                  EXPECT_EQ(got.top, expected.top) << where;
                  if (c.kind == res::ControlKind::Picture) {
                      // A bitmap static takes its bitmap's size: 25 by 25.
                      EXPECT_EQ(got.right - got.left, 25) << where;
                      EXPECT_EQ(got.bottom - got.top, 25) << where;
                  } else {
                      EXPECT_EQ(got.right, expected.right) << where;
                      EXPECT_EQ(got.bottom, expected.bottom) << where;
                  }
                  if (c.kind != res::ControlKind::Edit && c.kind != res::ControlKind::Picture) {
                      char text[64] = "";
                      GetWindowTextA(w, text, sizeof text);
                      EXPECT_STREQ(text, c.text) << where;
                  }
              }
              EXPECT_EQ(w, nullptr) << "more children than template controls";
          }});
    // The window system unbound every wrapper when it destroyed the windows.
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.m_editPatron.m_hWnd, nullptr);
}

TEST(Win32Dialog, TimersTickBehindAMessageBoxThatKeepsItsOwnKeys) {
    DeskDialog dialog;
    std::string boxText;
    std::string boxCaption;
    CWnd* focusDuringBox = &dialog;
    Drive(dialog, {[&] {
                       ASSERT_EQ(dialog.SetTimer(7, 10, nullptr), 7u);
                       EXPECT_EQ(dialog.SetTimer(8, 10, Tick), 0u); // callbacks are not offered
                       EXPECT_EQ(AfxMessageBox("Falta un c\xF3"
                                               "digo",
                                               MB_ICONHAND),
                                 IDOK);
                   },
                   [&] {
                       const HWND box = FindWindowA("#32770", AfxGetAppName());
                       ASSERT_NE(box, nullptr);
                       char text[64] = "";
                       GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                       boxText = text;
                       GetWindowTextA(box, text, sizeof text);
                       boxCaption = text;
                       focusDuringBox = CWnd::GetFocus();
                       dialog.log.push_back("box open");
                   },
                   [&] {}, // a few ticks for the dialog's timer
                   [&] {},
                   [&] {
                       // The box's own Enter closes it; the dialog's routing never sees it.
                       const HWND box = FindWindowA("#32770", AfxGetAppName());
                       PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_RETURN, 0);
                       PostMessageA(GetDlgItem(box, IDOK), WM_KEYUP, VK_RETURN, 0);
                   },
                   [&] { EXPECT_TRUE(dialog.KillTimer(7)); }});
    EXPECT_EQ(boxText, "Falta un c\xF3"
                       "digo");
    EXPECT_EQ(boxCaption, AfxGetAppName());
    EXPECT_EQ(focusDuringBox, nullptr); // the box's button is not the client's
    std::size_t opened = 0;
    while (dialog.log[opened] != "box open") {
        ++opened;
    }
    EXPECT_NE(
        std::find(dialog.log.begin() + static_cast<long>(opened), dialog.log.end(), "timer 7"),
        dialog.log.end());
    EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "enter@1"), 0);
}

TEST(Win32Dialog, TheSurfaceTakesTheModeBrushAndTheControlsKeepTheSystemColours) {
    DeskDialog dialog;
    Drive(dialog, {[&] {
              const HWND d = dialog.m_hWnd;
              HDC dc = GetDC(d);
              const auto ask = [&](UINT message, HWND from) {
                  return reinterpret_cast<HBRUSH>(SendMessageA(
                      d, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(from)));
              };
              EXPECT_EQ(ask(WM_CTLCOLORDLG, d), dialog.brushes[0].m_hObject);
              dialog.mode = 1;
              EXPECT_EQ(ask(WM_CTLCOLORDLG, d), dialog.brushes[1].m_hObject);
              const HBRUSH label = ask(WM_CTLCOLORSTATIC, Item(dialog, IDC_LABEL_PATRON));
              EXPECT_NE(label, dialog.brushes[1].m_hObject);
              ReleaseDC(d, dc);
              LOGBRUSH logBrush{};
              EXPECT_EQ(dialog.brushes[1].GetLogBrush(&logBrush),
                        static_cast<int>(sizeof logBrush));
              EXPECT_EQ(logBrush.lbColor, RGB(138, 211, 138));
          }});
}

TEST(Win32Dialog, TheListTakesColumnsRowsAtTheTopAndTheModePictures) {
    DeskDialog dialog;
    CImageList pictures;
    Drive(dialog, {[&] {
              CListCtrl& list = dialog.m_list;
              EXPECT_EQ(list.InsertColumn(0, "Fecha"), 0);
              EXPECT_EQ(list.InsertColumn(5, "Operaci\xF3n"), 1); // clamped to the end
              EXPECT_TRUE(list.SetColumnWidth(1, 130));
              EXPECT_FALSE(list.SetColumnWidth(2, 130));
              ASSERT_TRUE(pictures.Create(IDB_MODE_STRIP, 16, 0, RGB(192, 192, 192)));
              EXPECT_FALSE(pictures.Create(IDB_MODE_STRIP, 16, 0, 0));
              EXPECT_EQ(pictures.GetImageCount(), 3);
              EXPECT_EQ(list.SetImageList(&pictures, LVSIL_SMALL), nullptr);
              EXPECT_EQ(list.SetImageList(&pictures, LVSIL_SMALL), &pictures);
              EXPECT_EQ(list.InsertItem(0, "first", 0), 0);
              EXPECT_EQ(list.InsertItem(0, "", 2), 0);
              EXPECT_TRUE(list.SetItemText(0, 1, "PETICI\xD3N"));
              EXPECT_FALSE(list.SetItemText(2, 0, "no such row"));
              EXPECT_EQ(list.GetItemCount(), 2);
              EXPECT_EQ(list.GetItemText(1, 0), "first");
              EXPECT_EQ(list.GetItemText(0, 1), "PETICI\xD3N");
              const std::string wide(300, 'w');
              EXPECT_TRUE(list.SetItemText(1, 1, wide.c_str()));
              EXPECT_EQ(list.GetItemText(1, 1), wide);
              LVITEMA row{};
              row.mask = LVIF_IMAGE;
              row.iItem = 0;
              SendMessageA(list.m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row));
              EXPECT_EQ(row.iImage, 2);
          }});
    // The list only borrowed the image list.
    EXPECT_EQ(pictures.GetImageCount(), 3);
}

} // namespace
