// The wrappers of platform/window.h over the window records of the headless
// and Qt backends (platform/backend.h), and the things those two backends
// share: brushes, image lists and icons as plain records, and message boxes'
// captions.
//
// The argument rules (null texts, -1 positions, clamping, what a call on an
// unbound wrapper does) are decided here once, so that both backends behave
// alike; a backend only carries out the checked operation.
#include "platform/backend.h"

#include <algorithm>
#include <cstring>
#include <map>

using platform_detail::Handle;
using platform_detail::Record;

namespace {

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

int Length(const std::string& s) {
    return static_cast<int>(std::min<std::size_t>(s.size(), 0x7FFFFFFF));
}

} // namespace

// Windows.

WindowRecord::WindowRecord(int controlId) : id(controlId) {
    standIn.m_hWnd = Handle(this);
}

WindowRecord::~WindowRecord() {
    if (attached != nullptr) {
        attached->m_hWnd = nullptr;
    }
    standIn.m_hWnd = nullptr;
}

CWnd::~CWnd() {
    Detach();
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) {
        return nullptr;
    }
    WindowRecord* record = Record(hWnd);
    return record->attached != nullptr ? record->attached : &record->standIn;
}

BOOL CWnd::Attach(HWND hWnd) {
    if (hWnd == nullptr || m_hWnd != nullptr || Record(hWnd)->attached != nullptr) {
        return FALSE;
    }
    m_hWnd = hWnd;
    Record(hWnd)->attached = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND old = m_hWnd;
    if (old != nullptr && Record(old)->attached == this) {
        Record(old)->attached = nullptr;
    }
    m_hWnd = nullptr;
    return old;
}

void CWnd::SetWindowText(const char* text) {
    if (m_hWnd != nullptr) {
        Record(m_hWnd)->SetText(Text(text));
    }
}

int CWnd::GetWindowText(char* buffer, int maxCount) const {
    if (buffer == nullptr || maxCount <= 0) {
        return 0;
    }
    const std::string text = m_hWnd != nullptr ? Record(m_hWnd)->Text() : std::string();
    const int n = std::min(Length(text), maxCount - 1);
    std::memcpy(buffer, text.data(), static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

void CWnd::GetWindowText(std::string& text) const {
    text = m_hWnd != nullptr ? Record(m_hWnd)->Text() : std::string();
}

int CWnd::GetWindowTextLength() const {
    return m_hWnd != nullptr ? Length(Record(m_hWnd)->Text()) : 0;
}

BOOL CWnd::EnableWindow(BOOL enable) {
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    const bool wasDisabled = !Record(m_hWnd)->Enabled();
    Record(m_hWnd)->SetEnabled(enable != FALSE);
    return wasDisabled ? TRUE : FALSE;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_hWnd != nullptr && Record(m_hWnd)->Enabled() ? TRUE : FALSE;
}

CWnd* CWnd::SetFocus() {
    CWnd* previous = FromHandle(Handle(backend::Focus()));
    if (m_hWnd != nullptr) {
        Record(m_hWnd)->TakeFocus();
    }
    return previous;
}

CWnd* CWnd::GetFocus() {
    return FromHandle(Handle(backend::Focus()));
}

int CWnd::GetDlgCtrlID() const {
    return m_hWnd != nullptr ? Record(m_hWnd)->id : 0;
}

CWnd* CWnd::GetDlgItem(int id) const {
    return m_hWnd != nullptr ? FromHandle(Handle(Record(m_hWnd)->Child(id))) : nullptr;
}

void CWnd::InvalidateRect(const RECT*, BOOL erase) {
    if (m_hWnd != nullptr) {
        Record(m_hWnd)->Invalidate(erase != FALSE);
    }
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    if (m_hWnd == nullptr) {
        return nullptr;
    }
    HICON previous = Record(m_hWnd)->Icon(bigIcon != FALSE);
    Record(m_hWnd)->SetIcon(icon, bigIcon != FALSE);
    return previous;
}

BOOL CWnd::IsIconic() const {
    return m_hWnd != nullptr && Record(m_hWnd)->Iconic() ? TRUE : FALSE;
}

// Controls.

void CButton::SetCheck(int check) {
    if (m_hWnd != nullptr) {
        Record(m_hWnd)->SetCheck(check == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED);
    }
}

int CButton::GetCheck() const {
    return m_hWnd != nullptr ? Record(m_hWnd)->Check() : BST_UNCHECKED;
}

void CEdit::SetSel(int start, int end, BOOL noScroll) {
    if (m_hWnd == nullptr) {
        return;
    }
    if (start < 0) {
        Record(m_hWnd)->SetSelection(-1, -1);
    } else {
        const int length = Length(Record(m_hWnd)->Text());
        int from = std::min(start, length);
        int to = end < 0 ? length : std::min(end, length);
        if (from > to) {
            std::swap(from, to);
        }
        Record(m_hWnd)->SetSelection(from, to);
    }
    if (!noScroll) {
        Record(m_hWnd)->ScrollCaret();
    }
}

void CEdit::LimitText(int maxChars) {
    if (m_hWnd != nullptr) {
        // As on Windows, 0 (or less) stands for the largest limit there is.
        Record(m_hWnd)->SetLimit(maxChars > 0 ? maxChars : 0x7FFFFFFE);
    }
}

int CListCtrl::InsertColumn(int col, const char* heading, int format, int width, int) {
    if (m_hWnd == nullptr || col < 0) {
        return -1;
    }
    col = std::min(col, Record(m_hWnd)->ColumnCount());
    Record(m_hWnd)->InsertColumn(col, Text(heading), format, width < 0 ? -1 : width);
    return col;
}

BOOL CListCtrl::SetColumnWidth(int col, int cx) {
    if (m_hWnd == nullptr || col < 0 || col >= Record(m_hWnd)->ColumnCount() || cx < 0) {
        return FALSE;
    }
    Record(m_hWnd)->SetColumnWidth(col, cx);
    return TRUE;
}

CImageList* CListCtrl::SetImageList(CImageList* list, int imageListType) {
    if (m_hWnd == nullptr || imageListType != LVSIL_SMALL) {
        return nullptr;
    }
    CImageList* previous = Record(m_hWnd)->smallImages;
    Record(m_hWnd)->smallImages = list;
    Record(m_hWnd)->SetSmallImages(list != nullptr ? Record(list->m_hImageList) : nullptr);
    return previous;
}

int CListCtrl::InsertItem(UINT mask, int item, const char* text, UINT, UINT, int image, LPARAM) {
    if (m_hWnd == nullptr || item < 0) {
        return -1;
    }
    item = std::min(item, Record(m_hWnd)->RowCount());
    Record(m_hWnd)->InsertRow(item, (mask & LVIF_TEXT) != 0 ? Text(text) : std::string(),
                              (mask & LVIF_IMAGE) != 0 ? image : -1);
    return item;
}

int CListCtrl::InsertItem(int item, const char* text, int image) {
    return InsertItem(LVIF_TEXT | LVIF_IMAGE, item, text, 0, 0, image, 0);
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text) {
    if (m_hWnd == nullptr || item < 0 || item >= Record(m_hWnd)->RowCount() || subItem < 0 ||
        subItem >= std::max(1, Record(m_hWnd)->ColumnCount())) {
        return FALSE;
    }
    Record(m_hWnd)->SetCell(item, subItem, Text(text));
    return TRUE;
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    if (m_hWnd == nullptr || item < 0 || item >= Record(m_hWnd)->RowCount() || subItem < 0 ||
        subItem >= std::max(1, Record(m_hWnd)->ColumnCount())) {
        return {};
    }
    return Record(m_hWnd)->Cell(item, subItem);
}

int CListCtrl::GetItemCount() const {
    return m_hWnd != nullptr ? Record(m_hWnd)->RowCount() : 0;
}

// Dialogs.

INT_PTR CDialog::DoModal() {
    return backend::RunModal(*this);
}

BOOL CDialog::PostMessage(UINT message, WPARAM, LPARAM) {
    return message == WM_CLOSE && m_hWnd != nullptr && Record(m_hWnd)->PostClose() ? TRUE : FALSE;
}

UINT_PTR CDialog::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC callback) {
    if (m_hWnd == nullptr || id == 0 || callback != nullptr) {
        return 0;
    }
    return Record(m_hWnd)->SetTimer(id, elapse) ? id : 0;
}

BOOL CDialog::KillTimer(UINT_PTR id) {
    return m_hWnd != nullptr && Record(m_hWnd)->KillTimer(id) ? TRUE : FALSE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    return msg != nullptr && m_hWnd != nullptr && Record(m_hWnd)->DialogKeyboard(*msg) ? TRUE
                                                                                       : FALSE;
}

// Nothing is drawn here, and a minimised window shows its icon by itself.
void CDialog::OnPaint() {}

// Brushes, image lists and icons: plain records here.

CBrush::CBrush(COLORREF color) {
    CreateSolidBrush(color);
}

CBrush::~CBrush() {
    DeleteObject();
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
    if (m_hObject != nullptr) {
        return FALSE;
    }
    m_hObject = Handle(new BrushRecord{color});
    return TRUE;
}

BOOL CBrush::DeleteObject() {
    if (m_hObject == nullptr) {
        return FALSE;
    }
    delete Record(m_hObject);
    m_hObject = nullptr;
    return TRUE;
}

int CBrush::GetLogBrush(LOGBRUSH* logBrush) const {
    if (m_hObject == nullptr || logBrush == nullptr) {
        return 0;
    }
    *logBrush = LOGBRUSH{BS_SOLID, Record(m_hObject)->color, 0};
    return static_cast<int>(sizeof(LOGBRUSH));
}

CImageList::~CImageList() {
    DeleteImageList();
}

BOOL CImageList::Create(UINT bitmapId, int cx, int, COLORREF mask) {
    res::Blob bmp = res::FindBitmap(bitmapId);
    res::BitmapSize size{};
    if (m_hImageList != nullptr || cx <= 0 || !res::ReadBitmapSize(bmp, &size)) {
        return FALSE;
    }
    m_hImageList =
        Handle(new ImageListRecord{bitmapId, bmp, cx, size.height, mask, size.width / cx});
    return TRUE;
}

int CImageList::GetImageCount() const {
    return m_hImageList != nullptr ? Record(m_hImageList)->count : 0;
}

BOOL CImageList::DeleteImageList() {
    if (m_hImageList == nullptr) {
        return FALSE;
    }
    delete Record(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}

HICON CWinApp::LoadIcon(UINT id) const {
    // One record per icon for the life of the process, like a resource icon.
    static std::map<UINT, IconRecord> icons;
    auto it = icons.find(id);
    if (it == icons.end()) {
        res::Blob ico = res::FindIcon(id);
        if (ico.data == nullptr) {
            return nullptr;
        }
        it = icons.emplace(id, IconRecord{id, ico}).first;
    }
    return Handle(&it->second);
}

// Message boxes.

int AfxMessageBox(const char* text, UINT type) {
    return backend::MessageBox(Text(text), AfxGetAppName(), type);
}

namespace platform_detail {

COLORREF BrushColor(HBRUSH brush, COLORREF fallback) {
    return brush != nullptr ? Record(brush)->color : fallback;
}

} // namespace platform_detail
