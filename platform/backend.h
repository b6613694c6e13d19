// Inside the window layer: what the portable part of the layer asks of a
// backend (headless or Qt) and the records behind the opaque handles.
//
// Not for code above the layer. The portable part (platform/portable.cpp)
// implements the wrappers of platform/window.h once, over the virtual
// operations of a window record; a backend derives its records from HWND__
// and implements the few free functions at the end. The Windows backend
// uses the system's own handles instead and does not use this header.
#pragma once

#include "platform/window.h"
#include "res/resources.h"

#include <string>

// A window: the dialog or one of its controls. The base implementations do
// nothing and report nothing; each backend overrides what its windows do.
struct HWND__ {
    explicit HWND__(int controlId);
    HWND__(const HWND__&) = delete;
    HWND__& operator=(const HWND__&) = delete;
    // Unbinds the wrapper, which is left with a null m_hWnd.
    virtual ~HWND__();

    const int id;             // control id; 0 for a dialog
    CWnd* attached = nullptr; // the wrapper bound to the window, if any
    CWnd standIn;             // CWnd::FromHandle's answer when none is bound

    virtual std::string Text() const { return {}; }
    virtual void SetText(const std::string&) {}
    virtual bool Enabled() const { return false; }
    virtual void SetEnabled(bool) {}
    virtual void TakeFocus() {}
    virtual void Invalidate(bool /*erase*/) {}
    virtual bool Iconic() const { return false; }
    virtual HICON Icon(bool /*big*/) const { return nullptr; }
    virtual void SetIcon(HICON, bool /*big*/) {}

    // Buttons.
    virtual int Check() const { return BST_UNCHECKED; }
    virtual void SetCheck(int) {}

    // Edits. SetSelection gets positions within 0 .. text length, start <= end,
    // or -1, -1 for no selection.
    virtual void SetSelection(int /*start*/, int /*end*/) {}
    virtual void ScrollCaret() {}
    virtual void SetLimit(int /*maxChars, > 0*/) {}

    // List views. Positions are checked by the caller: col and row within
    // 0 .. count for inserts, within 0 .. count - 1 otherwise.
    virtual int ColumnCount() const { return 0; }
    virtual void InsertColumn(int /*col*/, const std::string& /*title*/, int /*format*/,
                              int /*width, -1 default*/) {}
    virtual void SetColumnWidth(int /*col*/, int /*cx*/) {}
    virtual void SetSmallImages(const _IMAGELIST*) {}
    virtual int RowCount() const { return 0; }
    virtual void InsertRow(int /*row*/, const std::string& /*text*/, int /*image, -1 none*/) {}
    virtual void SetCell(int /*row*/, int /*col*/, const std::string&) {}
    virtual std::string Cell(int /*row*/, int /*col*/) const { return {}; }
    CImageList* smallImages = nullptr; // the wrapper last given to SetImageList

    // Dialogs.
    virtual HWND Child(int /*controlId*/) const { return nullptr; }
    virtual bool SetTimer(UINT_PTR /*id*/, UINT /*elapse*/) { return false; }
    virtual bool KillTimer(UINT_PTR /*id*/) { return false; }
    virtual bool PostClose() { return false; }
    // The dialog's default keyboard handling; true when it used the message.
    virtual bool DialogKeyboard(const MSG&) { return false; }
};

struct HBRUSH__ {
    COLORREF color;
};

struct HICON__ {
    UINT id;
    res::Blob ico;
};

struct _IMAGELIST {
    UINT bitmapId;
    res::Blob bmp;
    int cx;     // width of one picture
    int height; // the bitmap's height
    COLORREF mask;
    int count; // bitmap width / cx
};

namespace platform_detail {

// The colour of a brush; the window system's face colour for a null brush is
// the backend's business, so null gives `fallback`.
COLORREF BrushColor(HBRUSH brush, COLORREF fallback);

// The application title as derived from the executable's file name.
std::string TitleFromExecutable();

} // namespace platform_detail

// Implemented by each backend.
namespace backend {

// Creates the window of dialog from template, runs it modally (see
// CDialog::DoModal) and destroys it.
INT_PTR RunModal(CDialog& dialog);
// The window with the keyboard focus, or null.
HWND Focus();
// Shows a modal message box; returns IDOK.
int MessageBox(const std::string& text, const std::string& caption, UINT type);

} // namespace backend
