// Inside the window layer: what the portable part of the layer asks of a
// backend (headless or Qt) and the records behind the opaque handles.
//
// Not for code above the layer. The portable part (platform/portable.cpp)
// implements the wrappers of platform/window.h once, over the virtual
// operations of a window record; a backend derives its records from
// WindowRecord and implements the few free functions at the end. The Windows
// backend uses the system's own handles instead and does not use this header.
//
// A handle (HWND, HBRUSH, HICON, HIMAGELIST) is the address of its record,
// converted with the functions of platform_detail below. The records are
// types of their own, not the handles' structures, because on Windows those
// are the system's (the headless backend runs there too, for the tests).
#pragma once

#include "platform/window.h"
#include "res/resources.h"

#include <string>

struct ImageListRecord;

// A window: the dialog or one of its controls. The base implementations do
// nothing and report nothing; each backend overrides what its windows do.
struct WindowRecord {
    explicit WindowRecord(int controlId);
    WindowRecord(const WindowRecord&) = delete;
    WindowRecord& operator=(const WindowRecord&) = delete;
    // Unbinds the wrapper, which is left with a null m_hWnd.
    virtual ~WindowRecord();

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
    virtual void SetSmallImages(const ImageListRecord*) {}
    virtual int RowCount() const { return 0; }
    virtual void InsertRow(int /*row*/, const std::string& /*text*/, int /*image, -1 none*/) {}
    virtual void SetCell(int /*row*/, int /*col*/, const std::string&) {}
    virtual std::string Cell(int /*row*/, int /*col*/) const { return {}; }
    CImageList* smallImages = nullptr; // the wrapper last given to SetImageList

    // Dialogs.
    virtual WindowRecord* Child(int /*controlId*/) const { return nullptr; }
    virtual bool SetTimer(UINT_PTR /*id*/, UINT /*elapse*/) { return false; }
    virtual bool KillTimer(UINT_PTR /*id*/) { return false; }
    virtual bool PostClose() { return false; }
    // The dialog's default keyboard handling; true when it used the message.
    virtual bool DialogKeyboard(const MSG&) { return false; }
};

struct BrushRecord {
    COLORREF color;
};

struct IconRecord {
    UINT id;
    res::Blob ico;
};

struct ImageListRecord {
    UINT bitmapId;
    res::Blob bmp;
    int cx;     // width of one picture
    int height; // the bitmap's height
    COLORREF mask;
    int count; // bitmap width / cx
};

namespace platform_detail {

// Between handles and records. Null stays null.
inline WindowRecord* Record(HWND handle) {
    return reinterpret_cast<WindowRecord*>(handle);
}
inline HWND Handle(const WindowRecord* record) {
    return reinterpret_cast<HWND>(const_cast<WindowRecord*>(record));
}
inline BrushRecord* Record(HBRUSH handle) {
    return reinterpret_cast<BrushRecord*>(handle);
}
inline HBRUSH Handle(BrushRecord* record) {
    return reinterpret_cast<HBRUSH>(record);
}
inline const IconRecord* Record(HICON handle) {
    return reinterpret_cast<const IconRecord*>(handle);
}
inline HICON Handle(const IconRecord* record) {
    return reinterpret_cast<HICON>(const_cast<IconRecord*>(record));
}
inline ImageListRecord* Record(HIMAGELIST handle) {
    return reinterpret_cast<ImageListRecord*>(handle);
}
inline HIMAGELIST Handle(ImageListRecord* record) {
    return reinterpret_cast<HIMAGELIST>(record);
}

// The colour of a brush; the window system's face colour for a null brush is
// the backend's business, so null gives `fallback`.
COLORREF BrushColor(HBRUSH brush, COLORREF fallback);

} // namespace platform_detail

// Implemented by each backend.
namespace backend {

// Creates the window of dialog from template, runs it modally (see
// CDialog::DoModal) and destroys it.
INT_PTR RunModal(CDialog& dialog);
// The window with the keyboard focus, or null.
WindowRecord* Focus();
// Shows a modal message box; returns IDOK.
int MessageBox(const std::string& text, const std::string& caption, UINT type);

} // namespace backend
