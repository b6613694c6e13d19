// The window layer: application object, modal dialog, control wrappers, brushes,
// image lists, dialog data exchange and message boxes, under the names and in
// the shapes of the Microsoft Foundation Classes, cut down to what the client
// calls.
//
// One set of declarations for every backend (Windows API, Qt Widgets, headless
// for tests); a program picks its backend by linking one backend library. The
// code above the layer is written once against this header, with no #ifdef.
// All text is 8-bit ISO-8859-1 (on Windows: the ANSI code page); a backend
// converts it at its own boundary when it must.
//
// The message map of a dialog is the set of virtual handlers of CDialog: a
// dialog class overrides the ones it handles, and the base versions do the
// framework's default processing.
//
// Every member of a control wrapper may be called on a wrapper that is bound
// to no window (m_hWnd null): setters then do nothing and getters report
// nothing (empty text, 0, FALSE, null).
#pragma once

#include "platform/types.h"

#include <string>

class CDataExchange;
class CImageList;

// A drawing context, as handed to OnCtlColor. The client never draws into it.
class CDC {
public:
    HDC m_hDC = nullptr;
};

// The base of every window wrapper. A wrapper is bound to at most one window
// (m_hWnd) and a window to at most one wrapper; the window system unbinds the
// wrapper (m_hWnd becomes null) when it destroys the window.
class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // The wrapper bound to the window; for a window without one, a wrapper
    // that the window system keeps for it as long as the window lives, so two
    // calls for one window give the same pointer. Null for a null handle.
    static CWnd* FromHandle(HWND hWnd);

    // Binds this wrapper to a window. FALSE, changing nothing, when hWnd is
    // null, this wrapper is already bound or the window has a wrapper.
    BOOL Attach(HWND hWnd);
    // Unbinds the wrapper; returns the window it was bound to (or null).
    HWND Detach();

    // A null text is taken as the empty text.
    void SetWindowText(const char* text);
    // Copies at most maxCount - 1 characters and a NUL into buffer and returns
    // how many were copied (not counting the NUL). With maxCount <= 0 or a
    // null buffer nothing is written and 0 is returned.
    int GetWindowText(char* buffer, int maxCount) const;
    void GetWindowText(std::string& text) const;
    int GetWindowTextLength() const;

    // Returns non-zero when the window was disabled before the call. A window
    // that is disabled while it has the focus loses it (no window has it then).
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;

    // Gives this window the keyboard focus and returns the wrapper of the
    // window that had it (null when none of the client's windows had it).
    CWnd* SetFocus();
    // The window with the keyboard focus, or null when none of the client's
    // windows has it (a message box's button is not the client's).
    // GetFocus() == &m_control holds exactly when that control has the focus.
    static CWnd* GetFocus();

    // The control id from the dialog template; 0 for a dialog or no window.
    int GetDlgCtrlID() const;
    // The control with that id among this dialog's controls, or null.
    CWnd* GetDlgItem(int id) const;

    // Invalidates the client area (the headless and Qt backends repaint all
    // of it whatever the rectangle; Windows honours it). With erase, the
    // background is repainted too, which for a dialog asks OnCtlColor for the
    // CTLCOLOR_DLG brush again.
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
    void Invalidate(BOOL erase = TRUE) { InvalidateRect(nullptr, erase); }

    // Sets the window's big (bigIcon non-zero) or small icon; returns the one
    // it replaces (null when none).
    HICON SetIcon(HICON icon, BOOL bigIcon);
    // Non-zero while the window is minimised.
    BOOL IsIconic() const;
};

class CButton : public CWnd {
public:
    // BST_CHECKED or BST_UNCHECKED. Sets this button only: the other radio
    // buttons of its group keep their checks.
    void SetCheck(int check);
    int GetCheck() const;
};

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    // Selects the characters from start up to end (end -1: to the end of the
    // text; start -1: removes the selection) and, unless noScroll, scrolls
    // the caret into view.
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    // The most characters the user may type (0: the window system's largest).
    // Text set by the program is not cut to the limit, except on Qt, whose
    // line edit holds no more than its limit.
    void LimitText(int maxChars = 0);
};

// A list view in report mode: columns with titles and widths, rows of texts
// with a picture from the small-image list in the first column.
class CListCtrl : public CWnd {
public:
    // Inserts a column at position col (clamped to the end); returns the
    // position it got, or -1. width -1 leaves the window system's width.
    int InsertColumn(int col, const char* heading, int format = LVCFMT_LEFT, int width = -1,
                     int subItem = -1);
    BOOL SetColumnWidth(int col, int cx);
    // Makes list the small (LVSIL_SMALL) image list; the list view only
    // borrows it. Returns the image list it had before, or null.
    CImageList* SetImageList(CImageList* list, int imageListType);
    // Inserts a row at position item (clamped to 0 .. count): with LVIF_TEXT in
    // mask, text is the first column's text; with LVIF_IMAGE, image is the
    // picture's index. state, stateMask and param are not used. Returns the
    // position of the new row or -1.
    int InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask, int image,
                   LPARAM param);
    int InsertItem(int item, const char* text, int image);
    // FALSE when the row or the column does not exist.
    BOOL SetItemText(int item, int subItem, const char* text);
    std::string GetItemText(int item, int subItem) const;
    int GetItemCount() const;
};

// A row of equally wide pictures cut from one bitmap.
class CImageList {
public:
    CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    ~CImageList();

    HIMAGELIST m_hImageList = nullptr;

    // Cuts bitmap bitmapId into pictures cx pixels wide; pixels of colour mask
    // are transparent. grow is accepted and not used. FALSE when the list
    // already exists, cx is not positive or the program has no such bitmap.
    BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
    int GetImageCount() const;
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    BOOL DeleteImageList();
};

// A solid brush. The wrapper owns the brush and deletes it when destroyed.
class CBrush {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color);
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;
    ~CBrush();

    HBRUSH m_hObject = nullptr;

    // FALSE, changing nothing, when the wrapper already holds a brush.
    BOOL CreateSolidBrush(COLORREF color);
    BOOL DeleteObject();
    HBRUSH GetSafeHandle() const { return m_hObject; }
    operator HBRUSH() const { return m_hObject; }
    // Fills *logBrush (style BS_SOLID and the colour); 0 when the wrapper holds no brush.
    int GetLogBrush(LOGBRUSH* logBrush) const;
};

// A modal dialog built on a dialog template.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the window and its controls from the template, runs
    // OnInitDialog, then the modal loop until the dialog is closed (by its
    // close command or a posted WM_CLOSE), sends WM_DESTROY (OnDestroy) and
    // destroys the window. Returns IDCANCEL, or -1 when the template does not
    // exist or a dialog is already running.
    virtual INT_PTR DoModal();

    // Runs DoDataExchange towards the controls (saveAndValidate FALSE) or from
    // them; FALSE when an exchange from the controls failed validation.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // Only WM_CLOSE is supported: the dialog closes when the loop next runs,
    // before any repainting. FALSE for any other message or no window.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Starts (or restarts) timer id: OnTimer(id) every elapse milliseconds,
    // delivered by the message loop that is running (the dialog's or a
    // message box's). Returns id, or 0 when no timer could be started (no
    // window, id 0, or a callback, which is not supported).
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC callback);
    BOOL KillTimer(UINT_PTR id);

    // The message map, called by the window system.

    // The base binds the controls: UpdateData(FALSE). TRUE gives the focus to
    // the first enabled tab stop once it returns.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx);
    // Sees every key message before it is dispatched: WM_KEYDOWN for each key
    // press (auto-repeats included), with hwnd the window that has the focus.
    // TRUE swallows the message. The base does the dialog's keyboard handling
    // (Tab between the tab stops); Enter and Escape have no default action in
    // this layer, so neither ever closes a dialog.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // The base paints as a plain dialog; on Windows, while the dialog is
    // minimised, it draws the window's icon centred on the icon background.
    virtual void OnPaint();
    // The base returns null: the window system's own drag icon.
    virtual HCURSOR OnQueryDragIcon();
    virtual void OnTimer(UINT_PTR id);
    virtual void OnDestroy();
    // Asked for the brush of the dialog's own background (CTLCOLOR_DLG, with
    // window the dialog) each time it is repainted after an invalidation. The
    // base returns null: the window system's default colouring.
    virtual HBRUSH OnCtlColor(CDC* dc, CWnd* window, UINT ctlColor);
    // WM_COMMAND: LOWORD(wParam) the control id, HIWORD(wParam) the
    // notification (BN_CLICKED), lParam the control's window. Return TRUE when
    // handled; the base handles nothing.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};

// Carries one run of DoDataExchange.
class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate);

    BOOL m_bSaveAndValidate; // FALSE towards the controls, TRUE from them
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0; // the control of the last DDX_Text, for DDV_ calls
    BOOL m_bFailed = FALSE;  // set by a failed validation
};

// Binds control to the dialog's control id (once; a bound wrapper is left as
// it is). A missing id leaves the wrapper unbound.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// Towards the controls: the control's text becomes value. From them: value
// becomes the control's text.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// After a DDX_Text on an edit. Towards the controls: limits the edit to
// maxChars characters. From them: a value longer than that fails the exchange.
void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars);

// The application. Exactly one object of a class derived from it exists, as a
// global; the backend's program entry runs its InitInstance.
class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Returning FALSE ends the program when InitInstance returns.
    virtual BOOL InitInstance();
    // The program's exit status when InitInstance has returned FALSE; 0 here.
    virtual int ExitInstance();

    // Icon id from the program's resources, both sizes; null when absent.
    // Resource icons are shared and never destroyed.
    HICON LoadIcon(UINT id) const;

    CWnd* m_pMainWnd = nullptr;
    // The application title: the name given to the constructor, else the
    // executable's file name without its extension.
    const char* m_pszAppName;
};

// The application object, or null before it is constructed.
CWinApp* AfxGetApp();
// The application title (see CWinApp::m_pszAppName); with no application
// object, the title derived from the executable's name.
const char* AfxGetAppName();

// A modal message box captioned with the application title, with the icon of
// type & MB_ICONMASK and an OK button. Timers keep being delivered while it
// is open. Returns IDOK. A null text is shown as the empty text.
int AfxMessageBox(const char* text, UINT type = MB_OK);
