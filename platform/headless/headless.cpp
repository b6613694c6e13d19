// The headless backend: the dialog and its controls as plain records, driven
// by a test through the Desk of platform/headless/headless.h.
//
// It follows the Windows behaviour that the client can observe: focus and
// enabling, radio groups, edit selection and limits, report-mode list rows,
// timers, a posted WM_CLOSE, repainting with the CTLCOLOR_DLG brush. Nothing
// is drawn.
#include "platform/headless/headless.h"

#include "platform/backend.h"
#include "platform/dialog_manager.h"

#include <algorithm>
#include <stdexcept>

using platform_detail::Handle;

namespace headless {

std::size_t RowList::CellStart(const std::string& texts, std::size_t col) {
    std::size_t at = 0;
    for (; col > 0 && at < texts.size(); --col) {
        at = texts.find('\0', at) + 1;
    }
    return at;
}

Row RowList::operator[](std::size_t row) const {
    const Stored& stored = rows_[row];
    Row copy{stored.image, {}};
    for (std::size_t at = 0; at < stored.texts.size();) {
        const std::size_t end = stored.texts.find('\0', at);
        copy.cells.emplace_back(stored.texts, at, end - at);
        at = end + 1;
    }
    return copy;
}

std::string RowList::Cell(std::size_t row, std::size_t col) const {
    const std::string& texts = rows_[row].texts;
    const std::size_t at = CellStart(texts, col);
    return texts.substr(at, texts.find('\0', at) - at);
}

void RowList::Insert(std::size_t row, int image, std::size_t cells, const std::string& text) {
    Stored stored{std::string(), image};
    // Rows are filled cell by cell after their insertion, and one row is much
    // like the next: room for as much as the last row filled makes one
    // allocation of the right size.
    stored.texts.reserve(lastFilled_);
    stored.texts = text.c_str();
    stored.texts.append(std::max<std::size_t>(1, cells), '\0');
    // At the top this is a push_front: no row moves.
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row), std::move(stored));
}

void RowList::SetCell(std::size_t row, std::size_t col, const std::string& text) {
    std::string& texts = rows_[row].texts;
    const std::size_t at = CellStart(texts, col);
    texts.replace(at, texts.find('\0', at) - at, text.c_str());
    lastFilled_ = texts.size();
}

void RowList::InsertColumn(std::size_t col, std::size_t columns) {
    for (Stored& row : rows_) {
        const auto cells =
            static_cast<std::size_t>(std::count(row.texts.begin(), row.texts.end(), '\0'));
        if (cells < columns) {
            row.texts.insert(CellStart(row.texts, std::min(col, cells)), 1, '\0');
        }
    }
}

namespace {

Session g_session;
MessageBoxHandler g_boxHandler;
std::vector<MessageBoxRecord> g_boxes;
bool g_timersFail = false;
int g_openBoxes = 0;
DialogRecord* g_running = nullptr;
Desk* g_desk = nullptr;
WindowRecord* g_focus = nullptr;

} // namespace

// A control as a record; `state` is what the desk shows.
class ControlRecord : public WindowRecord {
public:
    explicit ControlRecord(const res::TemplateControl& t) : WindowRecord(t.id) {
        state.id = t.id;
        state.kind = t.kind;
        state.text = t.text;
        state.style = t.style;
    }
    ~ControlRecord() override {
        if (g_focus == this) {
            g_focus = nullptr;
        }
    }

    bool IsEdit() const { return state.kind == res::ControlKind::Edit; }

    std::string Text() const override { return state.text; }
    void SetText(const std::string& text) override {
        state.text = text;
        if (IsEdit()) {
            state.selStart = state.selEnd = 0;
        }
    }
    bool Enabled() const override { return state.enabled; }
    void SetEnabled(bool enabled) override {
        state.enabled = enabled;
        if (!enabled && g_focus == this) {
            g_focus = nullptr;
        }
    }
    void TakeFocus() override { g_focus = this; }

    int Check() const override { return state.check; }
    void SetCheck(int check) override { state.check = check; }

    void SetSelection(int start, int end) override {
        state.selStart = start;
        state.selEnd = end;
    }
    void ScrollCaret() override { ++state.caretScrolls; }
    void SetLimit(int maxChars) override { state.limit = maxChars; }

    int ColumnCount() const override { return static_cast<int>(state.columns.size()); }
    void InsertColumn(int col, const std::string& title, int format, int width) override {
        state.columns.insert(state.columns.begin() + col, Column{title, format, width});
        state.rows.InsertColumn(static_cast<std::size_t>(col), state.columns.size());
    }
    void SetColumnWidth(int col, int cx) override { state.columns[col].width = cx; }
    void SetSmallImages(const ImageListRecord* list) override {
        state.hasSmallImages = list != nullptr;
        state.smallImages = list != nullptr
                                ? ImageList{list->bitmapId, list->cx, list->mask, list->count}
                                : ImageList{};
    }
    int RowCount() const override { return static_cast<int>(state.rows.size()); }
    void InsertRow(int row, const std::string& text, int image) override {
        state.rows.Insert(static_cast<std::size_t>(row), image, state.columns.size(), text);
    }
    void SetCell(int row, int col, const std::string& text) override {
        state.rows.SetCell(static_cast<std::size_t>(row), static_cast<std::size_t>(col), text);
    }
    std::string Cell(int row, int col) const override {
        return state.rows.Cell(static_cast<std::size_t>(row), static_cast<std::size_t>(col));
    }

    Control state;
};

// The dialog window and the modal loop's state.
class DialogRecord : public WindowRecord {
public:
    DialogRecord(CDialog& dialog, const res::DialogTemplate& t)
        : WindowRecord(0), manager{dialog, t, {}}, dialog_(dialog) {
        caption_ = t.caption;
        for (std::size_t i = 0; i < t.controlCount; ++i) {
            controls_.push_back(std::make_unique<ControlRecord>(t.controls[i]));
            manager.controls.push_back(controls_.back().get());
        }
    }
    ~DialogRecord() override {
        if (g_focus == this) {
            g_focus = nullptr;
        }
    }

    CDialog& dialog() const { return dialog_; }
    const std::vector<std::unique_ptr<ControlRecord>>& controls() const { return controls_; }

    std::string Text() const override { return caption_; }
    void SetText(const std::string& text) override { caption_ = text; }
    bool Enabled() const override { return true; }
    void TakeFocus() override { g_focus = this; }
    void Invalidate(bool erase) override {
        needsPaint_ = true;
        eraseNeeded_ = eraseNeeded_ || erase;
    }
    HICON Icon(bool big) const override { return icons_[big ? 1 : 0]; }
    void SetIcon(HICON icon, bool big) override { icons_[big ? 1 : 0] = icon; }

    WindowRecord* Child(int controlId) const override {
        for (const auto& c : controls_) {
            if (c->id == controlId) {
                return c.get();
            }
        }
        return nullptr;
    }
    bool SetTimer(UINT_PTR timerId, UINT elapse) override {
        if (g_timersFail || !open_) {
            return false;
        }
        timers_[timerId] = elapse;
        return true;
    }
    bool KillTimer(UINT_PTR timerId) override { return timers_.erase(timerId) > 0; }
    bool PostClose() override {
        closePosted_ = true;
        return true;
    }
    bool DialogKeyboard(const MSG& msg) override {
        return dialog_manager::Keyboard(manager, msg, false);
    }

    // One turn of the message loop: posted messages first, then painting.
    void Pump() {
        if (!open_) {
            return;
        }
        if (closePosted_) {
            closePosted_ = false;
            open_ = false;
            return;
        }
        if (needsPaint_) {
            needsPaint_ = false;
            if (eraseNeeded_) {
                eraseNeeded_ = false;
                CDC dc;
                surface_ = platform_detail::BrushColor(
                    dialog_.OnCtlColor(&dc, &dialog_, CTLCOLOR_DLG), kFaceColor);
            }
            dialog_.OnPaint();
            ++paints_;
        }
    }

    void CloseCommand() { open_ = false; }
    void Destroyed() { timers_.clear(); }

    dialog_manager::Dialog manager;
    bool open_ = true;
    COLORREF surface_ = kFaceColor;
    int paints_ = 0;
    std::map<UINT_PTR, UINT> timers_;

private:
    CDialog& dialog_;
    std::vector<std::unique_ptr<ControlRecord>> controls_;
    std::string caption_;
    HICON icons_[2] = {nullptr, nullptr};
    bool closePosted_ = false;
    bool needsPaint_ = true; // a new window is painted when first shown
    bool eraseNeeded_ = true;
};

namespace {

ControlRecord* Focused(const DialogRecord& d) {
    for (const auto& c : d.controls()) {
        if (c.get() == g_focus) {
            return c.get();
        }
    }
    return nullptr;
}

ControlRecord* Find(const DialogRecord& d, int id) {
    for (const auto& c : d.controls()) {
        if (c->id == id) {
            return c.get();
        }
    }
    return nullptr;
}

} // namespace

CDialog& Desk::Dialog() const {
    return dialog_.dialog();
}

const Control& Desk::Item(int id) const {
    if (const ControlRecord* c = Find(dialog_, id)) {
        return c->state;
    }
    throw std::out_of_range("the dialog has no control " + std::to_string(id));
}

std::vector<const Control*> Desk::Controls() const {
    std::vector<const Control*> all;
    for (const auto& c : dialog_.controls()) {
        all.push_back(&c->state);
    }
    return all;
}

int Desk::FocusId() const {
    const ControlRecord* c = Focused(dialog_);
    return c != nullptr ? c->id : 0;
}

std::string Desk::Caption() const {
    return dialog_.Text();
}
COLORREF Desk::Surface() const {
    return dialog_.surface_;
}
int Desk::Paints() const {
    return dialog_.paints_;
}
HICON Desk::Icon(bool big) const {
    return dialog_.Icon(big);
}
const std::map<UINT_PTR, UINT>& Desk::Timers() const {
    return dialog_.timers_;
}
bool Desk::Open() const {
    return dialog_.open_;
}

int Desk::ClickAt(int x, int y) {
    if (!dialog_.open_ || g_openBoxes > 0) {
        return 0;
    }
    const int at = dialog_manager::ControlAt(dialog_.manager, x, y);
    if (at < 0) {
        dialog_.Pump();
        return 0;
    }
    ControlRecord* c = dialog_.controls()[static_cast<std::size_t>(at)].get();
    // Only edits, lists and buttons take clicks; their press takes the focus.
    c->TakeFocus();
    if (c->state.kind == res::ControlKind::RadioButton) {
        dialog_manager::ClickRadio(dialog_.manager, static_cast<std::size_t>(at));
    } else if (c->IsEdit()) {
        c->state.selStart = c->state.selEnd = static_cast<int>(c->state.text.size());
    }
    dialog_.Pump();
    return c->id;
}

bool Desk::Click(int id) {
    const res::DialogTemplate& t = dialog_.manager.layout;
    for (std::size_t i = 0; i < t.controlCount; ++i) {
        const res::TemplateControl& c = t.controls[i];
        if (c.id == id) {
            return ClickAt(c.x + c.cx / 2, c.y + c.cy / 2) == id;
        }
    }
    return false;
}

bool Desk::Type(const std::string& text) {
    ControlRecord* c = Focused(dialog_);
    if (!dialog_.open_ || g_openBoxes > 0 || c == nullptr || !c->IsEdit() || !c->state.enabled) {
        return false;
    }
    Control& s = c->state;
    int from = s.selStart < 0 ? static_cast<int>(s.text.size()) : s.selStart;
    int to = s.selStart < 0 ? from : s.selEnd;
    const std::size_t kept = s.text.size() - static_cast<std::size_t>(to - from);
    const auto limit = static_cast<std::size_t>(s.limit);
    const std::size_t room = limit > kept ? limit - kept : 0;
    const std::string typed = text.substr(0, room);
    s.text.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from), typed);
    s.selStart = s.selEnd = from + static_cast<int>(typed.size());
    dialog_.Pump();
    return true;
}

bool Desk::Press(UINT virtualKey, bool alt) {
    if (!dialog_.open_ || g_openBoxes > 0) {
        return false;
    }
    ControlRecord* focused = Focused(dialog_);
    MSG msg{};
    msg.hwnd = Handle(focused != nullptr ? static_cast<WindowRecord*>(focused) : &dialog_);
    msg.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = virtualKey;
    if (!dialog_.dialog().PreTranslateMessage(&msg)) {
        // The routing may have moved the focus or destroyed nothing: deliver
        // to whoever has the focus now, as the real loop would.
        if (ControlRecord* now = Focused(dialog_)) {
            now->state.keys.push_back(virtualKey);
        }
    }
    dialog_.Pump();
    return true;
}

bool Desk::FireTimer(UINT_PTR id) {
    if (!dialog_.open_ || dialog_.timers_.count(id) == 0) {
        return false;
    }
    dialog_.dialog().OnTimer(id);
    dialog_.Pump();
    return true;
}

bool Desk::Close() {
    if (!dialog_.open_ || g_openBoxes > 0) {
        return false;
    }
    dialog_.CloseCommand();
    return true;
}

void SetSession(Session session) {
    g_session = std::move(session);
}
void SetMessageBoxHandler(MessageBoxHandler handler) {
    g_boxHandler = std::move(handler);
}
const std::vector<MessageBoxRecord>& MessageBoxes() {
    return g_boxes;
}
void SetTimersFail(bool fail) {
    g_timersFail = fail;
}
Desk* Running() {
    return g_desk;
}

void Reset() {
    g_session = nullptr;
    g_boxHandler = nullptr;
    g_boxes.clear();
    g_timersFail = false;
}

} // namespace headless

namespace backend {

INT_PTR RunModal(CDialog& dialog) {
    using namespace headless;
    const res::DialogTemplate* t = res::FindDialogTemplate(dialog.m_nIDTemplate);
    if (t == nullptr || g_running != nullptr || dialog.m_hWnd != nullptr) {
        return -1;
    }
    DialogRecord record(dialog, *t);
    dialog.Attach(Handle(&record));
    Desk desk(record);
    g_running = &record;
    g_desk = &desk;
    if (dialog.OnInitDialog()) {
        g_focus = nullptr;
        dialog_manager::FocusNextTabStop(record.manager, -1);
    }
    record.Pump();
    if (record.open_ && g_session) {
        // A copy: the session may set the next session.
        Session session = g_session;
        session(desk);
    }
    record.open_ = false;
    dialog.OnDestroy();
    record.Destroyed();
    g_running = nullptr;
    g_desk = nullptr;
    return IDCANCEL;
}

WindowRecord* Focus() {
    return headless::g_focus;
}

int MessageBox(const std::string& text, const std::string& caption, UINT type) {
    using namespace headless;
    g_boxes.push_back(MessageBoxRecord{text, caption, type});
    if (g_boxHandler) {
        ++g_openBoxes;
        const MessageBoxRecord record = g_boxes.back();
        MessageBoxHandler handler = g_boxHandler;
        handler(record, g_desk);
        --g_openBoxes;
    }
    return IDOK;
}

} // namespace backend
