// Window-system types and constants under their Windows names and values.
//
// On Windows they come from the system headers themselves, so that the code
// above the window layer compiles unchanged against the real API. Elsewhere
// this header declares the same names with the same values; the handles are
// opaque pointers that only a backend of the window layer looks into.
// Only what the client uses is here.
#pragma once

#ifdef _WIN32
// No min and max macros (the standard library's are meant), and none of the
// headers the client does not use.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#else
#include <cstddef>
#include <cstdint>

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using COLORREF = DWORD;

struct HWND__;
using HWND = HWND__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HDC__;
using HDC = HDC__*;
struct _IMAGELIST;
using HIMAGELIST = _IMAGELIST*;

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

// A message as the dialog's message loop hands it to PreTranslateMessage.
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>(r & 0xFF) | (static_cast<COLORREF>(g & 0xFF) << 8) |
           (static_cast<COLORREF>(b & 0xFF) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}
constexpr WORD LOWORD(std::uintptr_t v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}

// Messages.
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_SYSKEYDOWN = 0x0104; // a key pressed with Alt held

// Virtual keys.
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;

// Message boxes.
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Colour requests (the kind handed to OnCtlColor).
constexpr UINT CTLCOLOR_MSGBOX = 0;
constexpr UINT CTLCOLOR_EDIT = 1;
constexpr UINT CTLCOLOR_LISTBOX = 2;
constexpr UINT CTLCOLOR_BTN = 3;
constexpr UINT CTLCOLOR_DLG = 4;
constexpr UINT CTLCOLOR_SCROLLBAR = 5;
constexpr UINT CTLCOLOR_STATIC = 6;

// Buttons.
constexpr UINT BN_CLICKED = 0;
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// List views.
constexpr int LVCFMT_LEFT = 0x0000;
constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr int LVSIL_SMALL = 1;

constexpr UINT BS_SOLID = 0;

// Window styles, as the dialog template writes them.
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD BS_GROUPBOX = 0x07;
constexpr DWORD BS_AUTORADIOBUTTON = 0x09;
constexpr DWORD BS_CENTER = 0x300;
constexpr DWORD SS_LEFT = 0x00;
constexpr DWORD SS_RIGHT = 0x02;
constexpr DWORD SS_BITMAP = 0x0E;
constexpr DWORD SS_NOTIFY = 0x0100;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
constexpr DWORD LVS_SHAREIMAGELISTS = 0x0040;
constexpr DWORD LVS_NOSORTHEADER = 0x8000;
#endif
