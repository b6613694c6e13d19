// The Qt 6 Widgets backend: the dialog template as a QDialog with real
// widgets, QMessageBox for message boxes, QTimer for window timers.
//
// Key routing: while a dialog runs, an application event filter hands each
// key press aimed at the focused control of the dialog (or the dialog itself
// when nothing has the focus) to PreTranslateMessage as WM_KEYDOWN. Only the
// first receiver counts, so a press that Qt passes on to the parents is not
// routed twice, and presses in a message box (another window) are never
// routed. The dialog swallows Enter and Escape itself instead of accepting
// or rejecting: only its close command closes it.
//
// The list view is a QTreeView in the shape of a report view over a table
// model of our own: the rows keep the program's ISO-8859-1 texts, one block
// per row, and Qt's texts are made only for the rows on screen, so a day of a
// hundred thousand operations loads quickly into little memory; a row
// inserted at the top moves no other row, and the view lays its rows out once
// when it next shows them.
//
// Pointer and keys go where Windows sends them (platform/dialog_manager.h):
// the controls that Windows' hit test sees through (group boxes, the tab
// panels, plain statics) let Qt's clicks through too, a radio button takes a
// click anywhere in its rectangle, and arrows, mnemonics and Alt go through
// the layer's dialog manager instead of Qt's own focus chain and shortcuts.
// Every text is plain text, an "&" drawn as Windows draws it. The dialog
// takes the keyboard (activates its window) when it is shown and when a
// message box closes, since without a window manager nothing else gives it.
//
// The dialog surface takes the CTLCOLOR_DLG brush through the dialog's
// palette (a style sheet would leak into the controls and message boxes);
// every control, the two tab panels among them, keeps the face colour in a
// palette of its own.
#include "platform/qt/qt.h"

#include "platform/backend.h"
#include "platform/dialog_manager.h"
#include "res/dialog_template.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <vector>

using platform_detail::Handle;
using platform_detail::Record;

namespace {

QString FromLatin1(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

std::string ToLatin1(const QString& s) {
    const QByteArray bytes = s.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray Bytes(const res::Blob& blob) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(blob.data),
                                   static_cast<qsizetype>(blob.size));
}

QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Windows' MulDiv for the non-negative values of a template: rounded.
int MulDiv(int value, int numerator, int denominator) {
    return (value * numerator + denominator / 2) / denominator;
}

// Dialog units of a font, computed as Windows does: the average width of the
// 52 letters, rounded, and the character height.
struct DialogUnits {
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics fm(font);
        const int width = fm.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        baseX = (width / 26 + 1) / 2;
        baseY = fm.height();
    }
    QRect Rect(int x, int y, int cx, int cy) const {
        return QRect(MulDiv(x, baseX, 4), MulDiv(y, baseY, 8), MulDiv(cx, baseX, 4),
                     MulDiv(cy, baseY, 8));
    }
    int baseX;
    int baseY;
};

QIcon IconOf(HICON icon) {
    QIcon result;
    if (icon == nullptr) {
        return result;
    }
    QByteArray data = Bytes(Record(icon)->ico);
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "ico");
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        result.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return result;
}

// The pictures of an image list, with the mask colour made transparent.
std::vector<QIcon> Pictures(const ImageListRecord& list) {
    std::vector<QIcon> icons;
    const QImage strip =
        QImage::fromData(Bytes(list.bmp), "BMP").convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = qRgb(GetRValue(list.mask), GetGValue(list.mask), GetBValue(list.mask));
    for (int i = 0; i < list.count; ++i) {
        QImage part = strip.copy(i * list.cx, 0, list.cx, list.height);
        for (int y = 0; y < part.height(); ++y) {
            for (int x = 0; x < part.width(); ++x) {
                if (part.pixel(x, y) == transparent) {
                    part.setPixel(x, y, qRgba(0, 0, 0, 0));
                }
            }
        }
        icons.emplace_back(QPixmap::fromImage(part));
    }
    return icons;
}

// The rows of the operations list, row 0 on top, with their texts as the
// program gave them, each cell followed by a NUL in one string per row.
class ListModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(titles_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) {
            return {};
        }
        const Stored& row = rows_[static_cast<std::size_t>(index.row())];
        if (role == Qt::DisplayRole) {
            return FromLatin1(CellOf(row.texts, static_cast<std::size_t>(index.column())));
        }
        if (role == Qt::DecorationRole && index.column() == 0 && row.image >= 0 &&
            row.image < static_cast<int>(pictures_.size())) {
            return pictures_[static_cast<std::size_t>(row.image)];
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < columnCount()) {
            return titles_[static_cast<std::size_t>(section)];
        }
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    // Every row with fewer cells than there are columns now gets an empty one
    // at col (at its end when it has no cell col).
    void InsertColumn(int col, const QString& title) {
        beginInsertColumns(QModelIndex(), col, col);
        titles_.insert(titles_.begin() + col, title);
        for (Stored& row : rows_) {
            const auto cells =
                static_cast<std::size_t>(std::count(row.texts.begin(), row.texts.end(), '\0'));
            if (cells < titles_.size()) {
                row.texts.insert(
                    CellStart(row.texts, std::min(static_cast<std::size_t>(col), cells)), 1, '\0');
            }
        }
        endInsertColumns();
    }
    void InsertRow(int row, const std::string& text, int image) {
        Stored stored{std::string(), image};
        // Rows are filled cell by cell after their insertion, and one row is
        // much like the next: room for as much as the last row filled makes
        // one allocation of the right size.
        stored.texts.reserve(lastFilled_);
        stored.texts = text.c_str();
        stored.texts.append(std::max<std::size_t>(1, titles_.size()), '\0');
        beginInsertRows(QModelIndex(), row, row);
        // At the top this is a push_front: no row moves.
        rows_.insert(rows_.begin() + row, std::move(stored));
        endInsertRows();
    }
    void SetCell(int row, int col, const std::string& text) {
        std::string& texts = rows_[static_cast<std::size_t>(row)].texts;
        const std::size_t at = CellStart(texts, static_cast<std::size_t>(col));
        texts.replace(at, texts.find('\0', at) - at, text.c_str());
        lastFilled_ = texts.size();
        const QModelIndex changed = index(row, col);
        emit dataChanged(changed, changed);
    }
    std::string Cell(int row, int col) const {
        return CellOf(rows_[static_cast<std::size_t>(row)].texts, static_cast<std::size_t>(col));
    }
    void SetPictures(std::vector<QIcon> pictures) {
        pictures_ = std::move(pictures);
        if (!rows_.empty()) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
        }
    }

private:
    struct Stored {
        std::string texts;
        int image; // -1 for none
    };
    // The offset of cell col in texts (its length when there is no such cell).
    static std::size_t CellStart(const std::string& texts, std::size_t col) {
        std::size_t at = 0;
        for (; col > 0 && at < texts.size(); --col) {
            at = texts.find('\0', at) + 1;
        }
        return at;
    }
    static std::string CellOf(const std::string& texts, std::size_t col) {
        const std::size_t at = CellStart(texts, col);
        return texts.substr(at, texts.find('\0', at) - at);
    }

    std::deque<Stored> rows_;
    std::size_t lastFilled_ = 0; // the length of the row whose cell was set last
    std::vector<QString> titles_;
    std::vector<QIcon> pictures_;
};

class QtDialogWindow;
QtDialogWindow* g_running = nullptr;

// The QDialog of the layer's dialogs: Enter and Escape do nothing here, and
// the window takes the keyboard when it is shown.
class QuorvelDialog : public QDialog {
public:
    using QDialog::QDialog;

protected:
    void showEvent(QShowEvent* e) override {
        QDialog::showEvent(e);
        activateWindow();
    }
    void keyPressEvent(QKeyEvent* e) override {
        switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            e->accept();
            return;
        default:
            QDialog::keyPressEvent(e);
        }
    }
};

// Windows' radio button takes a click anywhere in its rectangle; Qt's only
// on its circle and its text.
class RadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A control of the running dialog.
class QtControl : public WindowRecord {
public:
    QtControl(const res::TemplateControl& t, QWidget* widget)
        : WindowRecord(t.id), kind(t.kind), widget(widget), text_(t.text) {
        if (kind == res::ControlKind::ListView) {
            rows_ = static_cast<ListModel*>(View()->model());
        }
    }

    std::string Text() const override {
        switch (kind) {
        case res::ControlKind::GroupBox:
            return ToLatin1(static_cast<QGroupBox*>(widget)->title());
        case res::ControlKind::Label:
            return ToLatin1(static_cast<QLabel*>(widget)->text());
        case res::ControlKind::Edit:
            return ToLatin1(static_cast<QLineEdit*>(widget)->text());
        case res::ControlKind::RadioButton:
            return ToLatin1(static_cast<QRadioButton*>(widget)->text());
        default:
            return text_;
        }
    }
    void SetText(const std::string& text) override {
        const QString q = FromLatin1(text);
        switch (kind) {
        case res::ControlKind::GroupBox:
            static_cast<QGroupBox*>(widget)->setTitle(q);
            break;
        case res::ControlKind::Label:
            static_cast<QLabel*>(widget)->setText(q);
            break;
        case res::ControlKind::Edit:
            static_cast<QLineEdit*>(widget)->setText(q);
            static_cast<QLineEdit*>(widget)->setCursorPosition(0);
            break;
        case res::ControlKind::RadioButton:
            static_cast<QRadioButton*>(widget)->setText(q);
            break;
        default:
            text_ = text;
        }
    }
    bool Enabled() const override { return widget->isEnabled(); }
    void SetEnabled(bool enabled) override {
        // Windows leaves no window with the focus; Qt would pass it on.
        if (!enabled && widget->window()->focusWidget() == widget) {
            widget->clearFocus();
        }
        widget->setEnabled(enabled);
    }
    void TakeFocus() override { widget->setFocus(Qt::OtherFocusReason); }
    void Invalidate(bool) override { widget->update(); }

    int Check() const override {
        auto* radio = qobject_cast<QRadioButton*>(widget);
        return radio != nullptr && radio->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    }
    void SetCheck(int check) override {
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            radio->setChecked(check == BST_CHECKED);
        }
    }

    void SetSelection(int start, int end) override {
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (start < 0) {
                edit->deselect();
            } else {
                edit->setSelection(start, end - start);
            }
        }
    }
    void ScrollCaret() override {
        // A QLineEdit always keeps its cursor in view: moving it there is enough.
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->update();
        }
    }
    void SetLimit(int maxChars) override {
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setMaxLength(maxChars);
        }
    }

    QTreeView* View() const { return static_cast<QTreeView*>(widget); }
    ListModel* Rows() const { return rows_; }
    int ColumnCount() const override { return Rows()->columnCount(); }
    void InsertColumn(int col, const std::string& title, int, int width) override {
        // A header draws its title as a label does: "&" marks a mnemonic.
        Rows()->InsertColumn(col, FromLatin1(dialog_manager::WithoutMnemonicMarks(title)));
        if (width >= 0) {
            View()->header()->resizeSection(col, width);
        }
    }
    void SetColumnWidth(int col, int cx) override { View()->header()->resizeSection(col, cx); }
    void SetSmallImages(const ImageListRecord* list) override {
        if (list != nullptr) {
            View()->setIconSize(QSize(list->cx, list->height));
        }
        Rows()->SetPictures(list != nullptr ? Pictures(*list) : std::vector<QIcon>());
    }
    int RowCount() const override { return Rows()->rowCount(); }
    void InsertRow(int row, const std::string& text, int image) override {
        Rows()->InsertRow(row, text, image);
    }
    void SetCell(int row, int col, const std::string& text) override {
        Rows()->SetCell(row, col, text);
    }
    std::string Cell(int row, int col) const override { return Rows()->Cell(row, col); }

    const res::ControlKind kind;
    QWidget* const widget; // owned by the dialog

private:
    std::string text_;          // of controls whose widget shows no text
    ListModel* rows_ = nullptr; // a list view's rows, owned by its view
};

// The running dialog's window.
class QtDialogWindow : public WindowRecord {
public:
    QtDialogWindow(CDialog& owner, const res::DialogTemplate& t)
        : WindowRecord(0), owner(owner),
          dialog(std::make_unique<QuorvelDialog>()), manager{owner, t, {}} {
        dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        dialog->setWindowTitle(QString::fromLatin1(t.caption));
        dialog->setFont(QtDialogFont(t.fontPoints));
        const DialogUnits du(dialog->font());
        dialog->setFixedSize(du.Rect(0, 0, t.cx, t.cy).size());
        for (std::size_t i = 0; i < t.controlCount; ++i) {
            const res::TemplateControl& c = t.controls[i];
            QWidget* w = CreateWidget(c, du);
            controls_.push_back(std::make_unique<QtControl>(c, w));
            widgets_[w] = controls_.back().get();
            manager.controls.push_back(controls_.back().get());
        }
        Arrange();
        SetSurface(QApplication::palette().color(QPalette::Window));
    }
    ~QtDialogWindow() override {
        timers_.clear();
        controls_.clear();
    }

    std::string Text() const override { return ToLatin1(dialog->windowTitle()); }
    void SetText(const std::string& text) override { dialog->setWindowTitle(FromLatin1(text)); }
    bool Enabled() const override { return dialog->isEnabled(); }
    void TakeFocus() override { dialog->setFocus(Qt::OtherFocusReason); }
    bool Iconic() const override { return dialog->isMinimized(); }
    HICON Icon(bool big) const override { return icons_[big ? 1 : 0]; }
    void SetIcon(HICON icon, bool big) override {
        icons_[big ? 1 : 0] = icon;
        // Qt has one window icon of several sizes: the last one set is it.
        dialog->setWindowIcon(IconOf(icon));
    }
    void Invalidate(bool erase) override {
        if (erase && !repaintQueued_) {
            // The colour is asked for when the loop gets to repainting, as on Windows.
            repaintQueued_ = true;
            QMetaObject::invokeMethod(
                dialog.get(), [this] { RefreshSurface(); }, Qt::QueuedConnection);
        }
        dialog->update();
    }

    WindowRecord* Child(int controlId) const override {
        for (const auto& c : controls_) {
            if (c->id == controlId) {
                return c.get();
            }
        }
        return nullptr;
    }
    bool SetTimer(UINT_PTR timerId, UINT elapse) override {
        auto& timer = timers_[timerId];
        if (!timer) {
            timer = std::make_unique<QTimer>();
            QObject::connect(timer.get(), &QTimer::timeout,
                             [this, timerId] { owner.OnTimer(timerId); });
        }
        timer->start(static_cast<int>(std::min<UINT>(elapse, 0x7FFFFFFF)));
        return true;
    }
    bool KillTimer(UINT_PTR timerId) override { return timers_.erase(timerId) > 0; }
    bool DialogKeyboard(const MSG& msg) override {
        // Shift as the keyboard holds it now, as Windows' dialog manager asks.
        const bool shift = (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier) != 0;
        return dialog_manager::Keyboard(manager, msg, shift);
    }
    bool PostClose() override {
        closePosted = true;
        QMetaObject::invokeMethod(
            dialog.get(),
            [d = dialog.get()] {
                if (d->isVisible()) {
                    d->close();
                }
            },
            Qt::QueuedConnection);
        return true;
    }

    // The window of a widget of this dialog, or null for any other widget.
    WindowRecord* WindowOf(QWidget* w) {
        if (w == dialog.get()) {
            return this;
        }
        auto it = widgets_.find(w);
        return it != widgets_.end() ? it->second : nullptr;
    }

    QWidget* WidgetOf(const WindowRecord* window) const {
        if (window == this) {
            return dialog.get();
        }
        for (const auto& c : controls_) {
            if (c.get() == window) {
                return c->widget;
            }
        }
        return nullptr;
    }

    void RefreshSurface() {
        repaintQueued_ = false;
        CDC dc;
        const HBRUSH brush = owner.OnCtlColor(&dc, &owner, CTLCOLOR_DLG);
        SetSurface(brush != nullptr ? ToQColor(platform_detail::BrushColor(brush, 0))
                                    : QApplication::palette().color(QPalette::Window));
    }

    void StopTimers() { timers_.clear(); }

    CDialog& owner;
    const std::unique_ptr<QuorvelDialog> dialog;
    dialog_manager::Dialog manager;
    bool closePosted = false;

private:
    QWidget* CreateWidget(const res::TemplateControl& c, const DialogUnits& du) {
        QWidget* parent = dialog.get();
        const QString text = QString::fromLatin1(c.text);
        QWidget* w = nullptr;
        switch (c.kind) {
        case res::ControlKind::GroupBox: {
            auto* box = new QGroupBox(text, parent);
            if ((c.style & BS_CENTER) == BS_CENTER) {
                box->setAlignment(Qt::AlignHCenter);
            }
            w = box;
            break;
        }
        case res::ControlKind::Label: {
            auto* label = new QLabel(parent);
            // Never rich text; and a label of its own buddy, so that Qt draws
            // an "&" as Windows does (the mnemonic itself is the layer's).
            label->setTextFormat(Qt::PlainText);
            label->setBuddy(label);
            label->setText(text);
            label->setAlignment(((c.style & SS_RIGHT) != 0 ? Qt::AlignRight : Qt::AlignLeft) |
                                Qt::AlignTop);
            w = label;
            break;
        }
        case res::ControlKind::Edit: {
            auto* edit = new QLineEdit(text, parent);
            edit->setAlignment((c.style & ES_RIGHT) != 0 ? Qt::AlignRight : Qt::AlignLeft);
            w = edit;
            break;
        }
        case res::ControlKind::RadioButton: {
            auto* radio = new RadioButton(text, parent);
            // Windows' automatic radio buttons: a click checks the button and
            // clears the others of its group; the program's SetCheck sets one
            // button only. Qt's own exclusivity would do the latter wrongly.
            radio->setAutoExclusive(false);
            QObject::connect(radio, &QRadioButton::clicked, [this, radio] { Clicked(radio); });
            w = radio;
            break;
        }
        case res::ControlKind::TabPanel: {
            auto* panel = new QFrame(parent);
            panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
            panel->setAutoFillBackground(true);
            w = panel;
            break;
        }
        case res::ControlKind::ListView: {
            // A report view: no tree lines, one row height, whole rows
            // selected one at a time, headers that do not sort.
            auto* view = new QTreeView(parent);
            view->setModel(new ListModel(view));
            view->setRootIsDecorated(false);
            view->setItemsExpandable(false);
            view->setUniformRowHeights(true);
            view->setSelectionMode(QAbstractItemView::SingleSelection);
            view->setSelectionBehavior(QAbstractItemView::SelectRows);
            view->header()->setSectionsClickable(false);
            view->header()->setStretchLastSection(false);
            view->header()->setSectionResizeMode(QHeaderView::Interactive);
            w = view;
            break;
        }
        case res::ControlKind::Picture: {
            auto* picture = new QLabel(parent);
            QPixmap pixmap;
            pixmap.loadFromData(Bytes(res::FindBitmap(c.bitmapId)), "BMP");
            picture->setPixmap(pixmap);
            w = picture;
            break;
        }
        }
        // The controls keep the face colour: only the dialog's own surface
        // takes the brush colour through the dialog's palette.
        QPalette own = w->palette();
        own.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
        w->setPalette(own);
        QRect r = du.Rect(c.x, c.y, c.cx, c.cy);
        if (c.kind == res::ControlKind::Picture) {
            // A bitmap static takes the size of its bitmap.
            r.setSize(static_cast<QLabel*>(w)->pixmap().size());
        }
        w->setGeometry(r);
        w->setAttribute(Qt::WA_TransparentForMouseEvents, dialog_manager::LetsClicksThrough(c));
        if (c.kind == res::ControlKind::RadioButton) {
            w->setFocusPolicy(Qt::ClickFocus);
        } else if ((c.style & WS_TABSTOP) != 0) {
            w->setFocusPolicy(Qt::StrongFocus);
        } else {
            w->setFocusPolicy(Qt::NoFocus);
        }
        return w;
    }

    // Stacking in template order, the first control on top; the panels
    // behind everything, so the controls of each half show on them. (Tab is
    // the layer's dialog manager's, in template order.)
    void Arrange() {
        for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
            (*it)->widget->raise();
        }
        for (const auto& c : controls_) {
            if (c->kind == res::ControlKind::TabPanel) {
                c->widget->lower();
            }
        }
    }

    void Clicked(QRadioButton* radio) {
        const QtControl* clicked = widgets_[radio];
        std::size_t at = 0;
        while (controls_[at].get() != clicked) {
            ++at;
        }
        dialog_manager::ClickRadio(manager, at);
    }

    void SetSurface(const QColor& color) {
        QPalette p = dialog->palette();
        if (p.color(QPalette::Window) != color) {
            p.setColor(QPalette::Window, color);
            dialog->setPalette(p);
        }
    }

    std::vector<std::unique_ptr<QtControl>> controls_;
    std::map<QWidget*, QtControl*> widgets_;
    std::map<UINT_PTR, std::unique_ptr<QTimer>> timers_;
    HICON icons_[2] = {nullptr, nullptr};
    bool repaintQueued_ = false;
};

UINT VirtualKey(int key) {
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return static_cast<UINT>(key); // the same codes as Windows' virtual keys
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0xFF; // Windows' code for a key with no virtual-key code
    }
}

// Hands key presses to the running dialog's PreTranslateMessage, a press
// with Alt held as WM_SYSKEYDOWN, as Windows does.
class KeyRouter : public QObject {
public:
    explicit KeyRouter(QtDialogWindow& window) : window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool press = event->type() == QEvent::KeyPress;
        if ((!press && event->type() != QEvent::ShortcutOverride) || !watched->isWidgetType()) {
            return false;
        }
        auto* w = static_cast<QWidget*>(watched);
        QDialog* dialog = window_.dialog.get();
        QWidget* first = dialog->focusWidget() != nullptr ? dialog->focusWidget() : dialog;
        if (w != first || w->window() != dialog) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool alt = (key->modifiers() & Qt::AltModifier) != 0;
        const UINT virtualKey = VirtualKey(key->key());
        if (!press) {
            // Alt with a letter or digit is a mnemonic of the layer's dialog
            // manager, never a Qt shortcut (the buttons' and group boxes'
            // own would act otherwise than Windows): claimed, so that it
            // comes here as a key press.
            const bool mnemonic = (virtualKey >= '0' && virtualKey <= '9') ||
                                  (virtualKey >= 'A' && virtualKey <= 'Z');
            if (alt && mnemonic) {
                event->accept();
                return true;
            }
            return false;
        }
        MSG msg{Handle(window_.WindowOf(w)), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 0};
        return window_.owner.PreTranslateMessage(&msg) != FALSE;
    }

private:
    QtDialogWindow& window_;
};

} // namespace

QFont QtDialogFont(int points) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(points);
    return font;
}

void QtSetUpApplication(QApplication& app) {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) {
        QApplication::setStyle(style);
        QApplication::setPalette(style->standardPalette());
    }
    app.setFont(QtDialogFont(8));
}

QWidget* QtWidget(HWND window) {
    if (g_running == nullptr || window == nullptr) {
        return nullptr;
    }
    return g_running->WidgetOf(Record(window));
}

QDialog* QtRunningDialog() {
    return g_running != nullptr ? g_running->dialog.get() : nullptr;
}

namespace backend {

INT_PTR RunModal(CDialog& dialog) {
    const res::DialogTemplate* t = res::FindDialogTemplate(dialog.m_nIDTemplate);
    if (t == nullptr || qApp == nullptr || g_running != nullptr || dialog.m_hWnd != nullptr) {
        return -1;
    }
    QtDialogWindow window(dialog, *t);
    dialog.Attach(Handle(&window));
    KeyRouter router(window);
    qApp->installEventFilter(&router);
    g_running = &window;
    if (dialog.OnInitDialog()) {
        dialog_manager::FocusNextTabStop(window.manager, -1);
    }
    window.RefreshSurface();
    if (!window.closePosted) {
        window.dialog->exec();
    }
    dialog.OnDestroy();
    window.StopTimers();
    qApp->removeEventFilter(&router);
    g_running = nullptr;
    return IDCANCEL;
}

WindowRecord* Focus() {
    QWidget* w = QApplication::focusWidget();
    if (w == nullptr && g_running != nullptr) {
        w = g_running->dialog->focusWidget();
    }
    return g_running != nullptr && w != nullptr ? g_running->WindowOf(w) : nullptr;
}

int MessageBox(const std::string& text, const std::string& caption, UINT type) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONEXCLAMATION:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONASTERISK:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QWidget* parent =
        g_running != nullptr && g_running->dialog->isVisible() ? g_running->dialog.get() : nullptr;
    QMessageBox box(icon, FromLatin1(caption), FromLatin1(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    if (icon == QMessageBox::Critical) {
        // The stop icon sounds the desk's alert on Windows.
        QApplication::beep();
    }
    box.exec();
    if (parent != nullptr) {
        // Without a window manager the keyboard would stay with nobody.
        parent->activateWindow();
    }
    return IDOK;
}

} // namespace backend
