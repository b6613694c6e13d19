// The headless backend's test driver: the running dialog as plain state, and
// the hands of a librarian to work it.
//
// With the headless backend, CDialog::DoModal builds the dialog's controls
// from its template as records, runs OnInitDialog, and then, unless the
// dialog posted itself WM_CLOSE, calls the session function set with
// SetSession. The session drives the dialog through a Desk: it clicks, types,
// presses keys, fires timers, reads the controls, and finally closes the
// window (when it returns with the window still open, the desk closes it).
// Then DoModal sends WM_DESTROY (OnDestroy) and destroys the records.
//
// After every action the desk runs the message loop once, as the real one
// would before the next user input: a posted WM_CLOSE closes the dialog, and
// an invalidated dialog is repainted, which asks OnCtlColor(CTLCOLOR_DLG) for
// the surface's brush. Message boxes are recorded and answered with IDOK; a
// handler set with SetMessageBoxHandler runs while the box is open, where it
// may fire timers (the box's own loop delivers them) but nothing else.
//
// Everything here is process-wide and for one thread; Reset() between tests.
#pragma once

#include "platform/window.h"
#include "res/dialog_template.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace headless {

// The surface colour of a dialog whose OnCtlColor returns no brush.
constexpr COLORREF kFaceColor = RGB(192, 192, 192);

struct Column {
    std::string title;
    int format;
    int width; // pixels; -1 until set
};

struct Row {
    int image;                      // index in the small-image list, -1 for none
    std::vector<std::string> cells; // one per column (at least one)
};

// The rows of a list view, row 0 on top. A row inserted at the top, as the
// desk inserts every operation, costs the same however many rows there are,
// and a row keeps all its texts in one block, so a day of a hundred thousand
// operations loads quickly into little memory. Rows are read as copies.
class RowList {
public:
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    // Row `row`, 0 on top; row < size().
    Row operator[](std::size_t row) const;
    Row front() const { return (*this)[0]; }
    Row back() const { return (*this)[size() - 1]; }
    // The text of one cell; row < size(), col below the row's cell count.
    std::string Cell(std::size_t row, std::size_t col) const;

    // The backend's side. A text is kept up to its first NUL, as the window
    // system keeps it.
    // Inserts a row before row `row` (row <= size()) with `cells` cells (at
    // least one), the first one text.
    void Insert(std::size_t row, int image, std::size_t cells, const std::string& text);
    // col below the row's cell count.
    void SetCell(std::size_t row, std::size_t col, const std::string& text);
    // A column was inserted at col: every row with fewer than `columns` cells
    // gets an empty one there (at its end when it has no cell col).
    void InsertColumn(std::size_t col, std::size_t columns);

private:
    struct Stored {
        std::string texts; // each cell followed by a NUL
        int image;
    };
    // The offset in texts of cell col (the length of texts when past the end).
    static std::size_t CellStart(const std::string& texts, std::size_t col);

    std::deque<Stored> rows_;
    std::size_t lastFilled_ = 0; // the length of the row whose cell was set last
};

struct ImageList {
    UINT bitmapId = 0;
    int cx = 0;
    COLORREF mask = 0;
    int count = 0;
};

// One control of the running dialog.
struct Control {
    int id = 0;
    res::ControlKind kind = res::ControlKind::Label;
    std::string text;
    DWORD style = 0;
    bool enabled = true;
    int check = BST_UNCHECKED;
    // Edits: the typing limit, the selection (caret at selEnd; -1, -1 for
    // none) and how often the program asked to scroll the caret into view.
    int limit = 0x7FFFFFFE;
    int selStart = 0;
    int selEnd = 0;
    int caretScrolls = 0;
    // List views.
    std::vector<Column> columns;
    RowList rows;
    bool hasSmallImages = false;
    ImageList smallImages;
    // Key presses that the key routing let through to this control.
    std::vector<UINT> keys;
};

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    UINT type;
};

class DialogRecord;

// The running dialog, handed to the session.
class Desk {
public:
    explicit Desk(DialogRecord& dialog) : dialog_(dialog) {}

    CDialog& Dialog() const;
    // The first control with that id; throws std::out_of_range when there is none.
    const Control& Item(int id) const;
    // Every control in template order.
    std::vector<const Control*> Controls() const;
    // Id of the control with the keyboard focus; 0 when the dialog itself or
    // nothing has it.
    int FocusId() const;
    std::string Caption() const;
    // Colour of the dialog surface as last painted, and how often it was painted.
    COLORREF Surface() const;
    int Paints() const;
    HICON Icon(bool big) const;
    // The running timers: id and period in milliseconds.
    const std::map<UINT_PTR, UINT>& Timers() const;
    bool Open() const;

    // Each action returns false (ClickAt 0), doing nothing, when a user could
    // not do it: the dialog is closed, a message box is open, or the control
    // is missing, disabled or of a kind the action does not apply to.

    // A pointer click at (x, y), in dialog units from the dialog's top-left
    // corner. It reaches the topmost control there that takes clicks, in the
    // template's stacking order (group boxes, tab panels and plain statics
    // let clicks through: see platform/dialog_manager.h). An enabled radio
    // button is focused, checked (the others of its group unchecked) and
    // BN_CLICKED is sent to OnCommand; an edit or the list is focused (an
    // edit's caret after its text). Returns the id of the control that took
    // the click; 0 when none did (the dialog got it, or a disabled control
    // stopped it) or no click could be made.
    int ClickAt(int x, int y);
    // A click at the middle of the control's template rectangle, where a
    // librarian would click it; true when the control took it.
    bool Click(int id);
    // Types into the focused edit, replacing its selection; characters beyond
    // the edit's limit are refused as the edit refuses them (the rest of the
    // text is still typed). False when the focus is not on an enabled edit.
    bool Type(const std::string& text);
    // A key press with the focus where it is, WM_KEYDOWN (or WM_SYSKEYDOWN
    // with alt, for Alt held): PreTranslateMessage first; when that leaves it,
    // the focused control receives it (see Control::keys). Through the base
    // PreTranslateMessage, Tab moves the focus to the next enabled tab stop,
    // an arrow on a radio button moves among its group and letters are
    // mnemonics (platform/dialog_manager.h).
    bool Press(UINT virtualKey, bool alt = false);
    // Delivers WM_TIMER for a running timer. Allowed while a message box is open.
    bool FireTimer(UINT_PTR id);
    // The close command (caption button, system menu, Alt+F4).
    bool Close();

private:
    DialogRecord& dialog_;
};

using Session = std::function<void(Desk&)>;
using MessageBoxHandler = std::function<void(const MessageBoxRecord&, Desk* running)>;

// The session for every following DoModal (none: the dialog is closed right away).
void SetSession(Session session);
// Called while each message box is open; running is null outside DoModal.
void SetMessageBoxHandler(MessageBoxHandler handler);
// Every message box shown since the last Reset, oldest first.
const std::vector<MessageBoxRecord>& MessageBoxes();
// While set, SetTimer fails (returns 0).
void SetTimersFail(bool fail);
// The running dialog's desk, or null.
Desk* Running();
// Forgets the session, the handler, the recorded boxes and the timer failure.
void Reset();

} // namespace headless
