// The Windows backend of the window layer: the wrappers of platform/window.h
// over the system's own windows, brushes, icons and image lists (USER32,
// GDI32, COMCTL32), with the ANSI form of every call.
//
// A dialog is created from its template resource in the executable and run
// in a message loop of this layer's own, so that every message reaches the
// dialog's PreTranslateMessage before it is dispatched; the base version
// hands keyboard messages to the dialog manager (Tab, mnemonics), but keeps
// the arrow keys on a radio button among the radio buttons of its group. The
// dialog manager's IDOK and IDCANCEL end nothing: only the close command
// (WM_CLOSE, from the caption button, the system menu or Alt+F4) ends the
// loop. Message boxes are the system's and run their own loops, with their
// own keys; timers are window timers and so keep ticking in those loops.
//
// The framework's wrapper map is kept here as two tables: the wrapper bound
// to a window, and for a window without one a stand-in that lives as long
// as the window does. Both forget a window when the dialog it belongs to is
// destroyed, and a bound wrapper is unbound then.
#include "platform/window.h"

#include <map>
#include <memory>
#include <string>

namespace {

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

std::map<HWND, CWnd*> g_bound;
std::map<HWND, std::unique_ptr<CWnd>> g_standIns;
// The small-image list last given to each list view.
std::map<HWND, CImageList*> g_smallImages;

// The dialog that DoModal runs.
struct Modal {
    CDialog* dialog;
    HWND hwnd = nullptr;
    bool ended = false;
    // Set before each OnPaint; the base OnPaint clears it when it painted, so
    // that otherwise the dialog manager paints.
    bool paintLeft = false;
};
Modal* g_modal = nullptr;

// The running dialog and the windows inside it: the client's windows.
bool IsClientWindow(HWND hwnd) {
    return hwnd != nullptr && g_modal != nullptr && g_modal->hwnd != nullptr &&
           (hwnd == g_modal->hwnd || IsChild(g_modal->hwnd, hwnd) != FALSE);
}

// Forgets dialog and every window that is gone; their wrappers are unbound.
// Called while the dialog is being destroyed, after its controls are.
void ForgetWindows(HWND dialog) {
    for (auto it = g_bound.begin(); it != g_bound.end();) {
        if (it->first == dialog || IsWindow(it->first) == FALSE) {
            it->second->m_hWnd = nullptr;
            it = g_bound.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = g_standIns.begin(); it != g_standIns.end();) {
        if (it->first == dialog || IsWindow(it->first) == FALSE) {
            it->second->m_hWnd = nullptr;
            it = g_standIns.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = g_smallImages.begin(); it != g_smallImages.end();) {
        it = IsWindow(it->first) == FALSE || it->first == dialog ? g_smallImages.erase(it)
                                                                 : std::next(it);
    }
}

bool IsKeyboardMessage(UINT message) {
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

bool IsAutoRadio(HWND window) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, "Button") == 0 &&
           (GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

// An arrow key on an automatic radio button: the dialog manager would step on
// every control of the group, and a template's last group runs on past its
// radio buttons to frames, panels and lists that show no focus mark. Here the
// arrows go round the group's enabled radio buttons only, each checked and
// clicked as the dialog manager does. False for any other message.
bool MoveAmongRadioButtons(HWND dialog, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam < VK_LEFT || msg.wParam > VK_DOWN ||
        !IsAutoRadio(msg.hwnd)) {
        return false;
    }
    const BOOL previous = msg.wParam == VK_LEFT || msg.wParam == VK_UP ? TRUE : FALSE;
    HWND next = msg.hwnd;
    do {
        next = GetNextDlgGroupItem(dialog, next, previous);
    } while (next != nullptr && next != msg.hwnd && !IsAutoRadio(next));
    if (next != nullptr && next != msg.hwnd) {
        ::SetFocus(next);
        if (SendMessageA(next, BM_GETCHECK, 0, 0) != BST_CHECKED) {
            SendMessageA(next, BM_CLICK, 0, 0);
        }
    }
    return true;
}

int HeaderColumns(HWND list) {
    const auto header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

bool CellExists(HWND list, int item, int subItem) {
    const auto rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    return item >= 0 && item < rows && subItem >= 0 && subItem < std::max(1, HeaderColumns(list));
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG && g_modal != nullptr && g_modal->hwnd == nullptr) {
        g_modal->hwnd = hwnd;
        g_modal->dialog->Attach(hwnd);
        // TRUE: the dialog manager gives the focus to the first tab stop.
        return g_modal->dialog->OnInitDialog();
    }
    if (g_modal == nullptr || g_modal->hwnd != hwnd) {
        return FALSE;
    }
    CDialog& dialog = *g_modal->dialog;
    switch (message) {
    case WM_PAINT:
        g_modal->paintLeft = true;
        dialog.OnPaint();
        return g_modal->paintLeft ? FALSE : TRUE;
    case WM_QUERYDRAGICON:
        // Returned as it is; null leaves the default to the system.
        return reinterpret_cast<INT_PTR>(dialog.OnQueryDragIcon());
    case WM_TIMER:
        dialog.OnTimer(static_cast<UINT_PTR>(wParam));
        return TRUE;
    case WM_DESTROY:
        dialog.OnDestroy();
        return FALSE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        CDC dc;
        dc.m_hDC = reinterpret_cast<HDC>(wParam);
        // Returned as it is; null gets the system's colouring.
        return reinterpret_cast<INT_PTR>(dialog.OnCtlColor(
            &dc, CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), message - WM_CTLCOLORMSGBOX));
    }
    case WM_COMMAND:
        // IDOK and IDCANCEL (Enter and Escape in the dialog manager) are left
        // unanswered as well: the dialog is never ended by them.
        return dialog.OnCommand(wParam, lParam);
    case WM_CLOSE:
        g_modal->ended = true;
        return TRUE;
    case WM_NCDESTROY:
        ForgetWindows(hwnd);
        return FALSE;
    default:
        return FALSE;
    }
}

void RegisterCommonControls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)registered;
}

} // namespace

// Windows.

CWnd::~CWnd() {
    Detach();
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) {
        return nullptr;
    }
    if (auto it = g_bound.find(hWnd); it != g_bound.end()) {
        return it->second;
    }
    std::unique_ptr<CWnd>& standIn = g_standIns[hWnd];
    if (!standIn) {
        standIn = std::make_unique<CWnd>();
        standIn->m_hWnd = hWnd;
    }
    return standIn.get();
}

BOOL CWnd::Attach(HWND hWnd) {
    if (hWnd == nullptr || m_hWnd != nullptr || g_bound.count(hWnd) != 0 ||
        IsWindow(hWnd) == FALSE) {
        return FALSE;
    }
    m_hWnd = hWnd;
    g_bound[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND old = m_hWnd;
    if (auto it = g_bound.find(old); old != nullptr && it != g_bound.end() && it->second == this) {
        g_bound.erase(it);
    }
    m_hWnd = nullptr;
    return old;
}

void CWnd::SetWindowText(const char* text) {
    if (m_hWnd != nullptr) {
        ::SetWindowTextA(m_hWnd, text != nullptr ? text : "");
    }
}

int CWnd::GetWindowText(char* buffer, int maxCount) const {
    if (buffer == nullptr || maxCount <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    return m_hWnd != nullptr ? ::GetWindowTextA(m_hWnd, buffer, maxCount) : 0;
}

void CWnd::GetWindowText(std::string& text) const {
    text.clear();
    if (m_hWnd == nullptr) {
        return;
    }
    text.resize(static_cast<std::size_t>(::GetWindowTextLengthA(m_hWnd)) + 1);
    const int n = ::GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(n, 0)));
}

int CWnd::GetWindowTextLength() const {
    return m_hWnd != nullptr ? ::GetWindowTextLengthA(m_hWnd) : 0;
}

BOOL CWnd::EnableWindow(BOOL enable) {
    return m_hWnd != nullptr && ::EnableWindow(m_hWnd, enable) != FALSE ? TRUE : FALSE;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_hWnd != nullptr && ::IsWindowEnabled(m_hWnd) != FALSE ? TRUE : FALSE;
}

CWnd* CWnd::SetFocus() {
    const HWND previous = ::GetFocus();
    if (m_hWnd != nullptr) {
        ::SetFocus(m_hWnd);
    }
    return IsClientWindow(previous) ? FromHandle(previous) : nullptr;
}

CWnd* CWnd::GetFocus() {
    const HWND focus = ::GetFocus();
    return IsClientWindow(focus) ? FromHandle(focus) : nullptr;
}

int CWnd::GetDlgCtrlID() const {
    return m_hWnd != nullptr && (GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD) != 0
               ? ::GetDlgCtrlID(m_hWnd)
               : 0;
}

CWnd* CWnd::GetDlgItem(int id) const {
    return m_hWnd != nullptr ? FromHandle(::GetDlgItem(m_hWnd, id)) : nullptr;
}

void CWnd::InvalidateRect(const RECT* rect, BOOL erase) {
    if (m_hWnd != nullptr) {
        ::InvalidateRect(m_hWnd, rect, erase);
    }
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    if (m_hWnd == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<HICON>(SendMessageA(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL,
                                                reinterpret_cast<LPARAM>(icon)));
}

BOOL CWnd::IsIconic() const {
    return m_hWnd != nullptr && ::IsIconic(m_hWnd) != FALSE ? TRUE : FALSE;
}

// Controls.

void CButton::SetCheck(int check) {
    if (m_hWnd != nullptr) {
        SendMessageA(m_hWnd, BM_SETCHECK, check == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

int CButton::GetCheck() const {
    return m_hWnd != nullptr && SendMessageA(m_hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED
               ? BST_CHECKED
               : BST_UNCHECKED;
}

void CEdit::SetSel(int start, int end, BOOL noScroll) {
    if (m_hWnd == nullptr) {
        return;
    }
    SendMessageA(m_hWnd, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    if (!noScroll) {
        SendMessageA(m_hWnd, EM_SCROLLCARET, 0, 0);
    }
}

void CEdit::LimitText(int maxChars) {
    if (m_hWnd != nullptr) {
        SendMessageA(m_hWnd, EM_LIMITTEXT, static_cast<WPARAM>(std::max(maxChars, 0)), 0);
    }
}

int CListCtrl::InsertColumn(int col, const char* heading, int format, int width, int subItem) {
    if (m_hWnd == nullptr || col < 0) {
        return -1;
    }
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT;
    column.fmt = format;
    column.pszText = const_cast<char*>(heading != nullptr ? heading : "");
    if (width >= 0) {
        column.mask |= LVCF_WIDTH;
        column.cx = width;
    }
    if (subItem >= 0) {
        column.mask |= LVCF_SUBITEM;
        column.iSubItem = subItem;
    }
    return static_cast<int>(SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(col),
                                         reinterpret_cast<LPARAM>(&column)));
}

BOOL CListCtrl::SetColumnWidth(int col, int cx) {
    if (m_hWnd == nullptr || col < 0 || col >= HeaderColumns(m_hWnd) || cx < 0) {
        return FALSE;
    }
    return SendMessageA(m_hWnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), MAKELPARAM(cx, 0))
               ? TRUE
               : FALSE;
}

CImageList* CListCtrl::SetImageList(CImageList* list, int imageListType) {
    if (m_hWnd == nullptr || imageListType != LVSIL_SMALL) {
        return nullptr;
    }
    CImageList*& small = g_smallImages[m_hWnd];
    CImageList* previous = small;
    small = list;
    SendMessageA(m_hWnd, LVM_SETIMAGELIST, LVSIL_SMALL,
                 reinterpret_cast<LPARAM>(list != nullptr ? list->m_hImageList : nullptr));
    return previous;
}

int CListCtrl::InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask,
                          int image, LPARAM param) {
    if (m_hWnd == nullptr || item < 0) {
        return -1;
    }
    LVITEMA row{};
    row.mask = mask;
    row.iItem = item;
    row.pszText = const_cast<char*>(text != nullptr ? text : "");
    row.state = state;
    row.stateMask = stateMask;
    row.iImage = image;
    row.lParam = param;
    return static_cast<int>(
        SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)));
}

int CListCtrl::InsertItem(int item, const char* text, int image) {
    return InsertItem(LVIF_TEXT | LVIF_IMAGE, item, text, 0, 0, image, 0);
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text) {
    if (m_hWnd == nullptr || !CellExists(m_hWnd, item, subItem)) {
        return FALSE;
    }
    LVITEMA cell{};
    cell.iSubItem = subItem;
    cell.pszText = const_cast<char*>(text != nullptr ? text : "");
    return SendMessageA(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(item),
                        reinterpret_cast<LPARAM>(&cell))
               ? TRUE
               : FALSE;
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    if (m_hWnd == nullptr || !CellExists(m_hWnd, item, subItem)) {
        return {};
    }
    // The list view copies at most the buffer; a longer text needs a larger one.
    std::string text(256, '\0');
    for (;;) {
        LVITEMA cell{};
        cell.iSubItem = subItem;
        cell.pszText = text.data();
        cell.cchTextMax = static_cast<int>(text.size());
        const auto n = static_cast<std::size_t>(SendMessageA(
            m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell)));
        if (n + 1 < text.size()) {
            text.resize(n);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

int CListCtrl::GetItemCount() const {
    return m_hWnd != nullptr ? static_cast<int>(SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

// Image lists and brushes.

CImageList::~CImageList() {
    DeleteImageList();
}

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask) {
    if (m_hImageList != nullptr || cx <= 0) {
        return FALSE;
    }
    m_hImageList = ImageList_LoadImageA(Instance(), MAKEINTRESOURCEA(bitmapId), cx, grow, mask,
                                        IMAGE_BITMAP, LR_DEFAULTCOLOR);
    return m_hImageList != nullptr ? TRUE : FALSE;
}

int CImageList::GetImageCount() const {
    return m_hImageList != nullptr ? ImageList_GetImageCount(m_hImageList) : 0;
}

BOOL CImageList::DeleteImageList() {
    if (m_hImageList == nullptr) {
        return FALSE;
    }
    ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}

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
    m_hObject = ::CreateSolidBrush(color);
    return m_hObject != nullptr ? TRUE : FALSE;
}

BOOL CBrush::DeleteObject() {
    if (m_hObject == nullptr) {
        return FALSE;
    }
    ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return TRUE;
}

int CBrush::GetLogBrush(LOGBRUSH* logBrush) const {
    if (m_hObject == nullptr || logBrush == nullptr) {
        return 0;
    }
    return GetObjectA(m_hObject, sizeof(LOGBRUSH), logBrush);
}

// Dialogs.

INT_PTR CDialog::DoModal() {
    if (g_modal != nullptr || m_hWnd != nullptr) {
        return -1;
    }
    RegisterCommonControls();
    Modal modal{this};
    g_modal = &modal;
    const HWND parent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    const HWND hwnd =
        CreateDialogParamA(Instance(), MAKEINTRESOURCEA(m_nIDTemplate), parent, DialogProc, 0);
    if (hwnd == nullptr) {
        Detach();
        g_modal = nullptr;
        return -1;
    }
    const bool parentDisabled = parent != nullptr && ::EnableWindow(parent, FALSE) == FALSE;
    bool quit = false;
    MSG msg{};
    while (!modal.ended) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true; // handed on once the dialog is gone
            break;
        }
        if (got < 0) {
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (parentDisabled) {
        ::EnableWindow(parent, TRUE);
    }
    DestroyWindow(hwnd); // WM_DESTROY: OnDestroy; then every wrapper is unbound
    g_modal = nullptr;
    if (quit) {
        PostQuitMessage(static_cast<int>(msg.wParam));
    }
    return IDCANCEL;
}

BOOL CDialog::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_CLOSE && m_hWnd != nullptr &&
                   ::PostMessageA(m_hWnd, message, wParam, lParam)
               ? TRUE
               : FALSE;
}

UINT_PTR CDialog::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC callback) {
    if (m_hWnd == nullptr || id == 0 || callback != nullptr) {
        return 0;
    }
    return ::SetTimer(m_hWnd, id, elapse, nullptr);
}

BOOL CDialog::KillTimer(UINT_PTR id) {
    return m_hWnd != nullptr && ::KillTimer(m_hWnd, id) ? TRUE : FALSE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (msg == nullptr || m_hWnd == nullptr || !IsKeyboardMessage(msg->message) ||
        (msg->hwnd != m_hWnd && IsChild(m_hWnd, msg->hwnd) == FALSE)) {
        return FALSE;
    }
    return MoveAmongRadioButtons(m_hWnd, *msg) || IsDialogMessageA(m_hWnd, msg) ? TRUE : FALSE;
}

// A minimised dialog shows its icon, centred, on the icon's background.
void CDialog::OnPaint() {
    if (m_hWnd == nullptr || ::IsIconic(m_hWnd) == FALSE) {
        return;
    }
    auto icon = reinterpret_cast<HICON>(SendMessageA(m_hWnd, WM_GETICON, ICON_BIG, 0));
    if (icon == nullptr) {
        icon = reinterpret_cast<HICON>(SendMessageA(m_hWnd, WM_GETICON, ICON_SMALL, 0));
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    if (icon != nullptr) {
        DrawIcon(dc, x, y, icon);
    }
    EndPaint(m_hWnd, &paint);
    if (g_modal != nullptr && g_modal->hwnd == m_hWnd) {
        g_modal->paintLeft = false;
    }
}

// The application and message boxes.

HICON CWinApp::LoadIcon(UINT id) const {
    return ::LoadIconA(Instance(), MAKEINTRESOURCEA(id));
}

int AfxMessageBox(const char* text, UINT type) {
    // Owned by the running dialog, shown or not yet, which it keeps disabled
    // while it is open.
    const HWND owner = g_modal != nullptr ? g_modal->hwnd : nullptr;
    ::MessageBoxA(owner, text != nullptr ? text : "", AfxGetAppName(),
                  MB_OK | (type & MB_ICONMASK));
    return IDOK;
}
