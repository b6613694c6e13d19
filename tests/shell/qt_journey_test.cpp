// A librarian's day at the Qt desk, offscreen, through the window system's
// own input path: pointer clicks where a librarian clicks (the middle of a
// control of the top-level window, from the template and the dialog's font),
// keys to whichever window has the keyboard, each message box answered with
// its own Enter, and the day's file checked byte for byte. So stacking, hit
// testing, focus and activation are what the day goes through. The restart
// also draws the README's picture of the window.
#include "installation.h"
#include "tests/platform/qt_main.h"

#include "platform/clock.h"
#include "res/dialog_template.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"
#include "tests/circulation/model_list.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <deque>
#include <functional>
#include <utility>

namespace {

constexpr char kPatron[] = "12345674";
constexpr char kItem[] = "4006381333931";
constexpr char kBook[] = "9780306406157";
const QColor kLoan(220, 0, 0), kReturn(138, 211, 138), kRequest(138, 138, 211);

bool BoxOpen() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

// The middle of a control's template rectangle, in pixels from the dialog
// font's base units as Windows converts them.
QPoint Middle(const QWidget& q, int id) {
    const QFontMetrics font(q.font());
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (font.horizontalAdvance(letters) / 26 + 1) / 2;
    const res::TemplateControl* c = res::FindDialogTemplate(IDD_QUORVELP_DIALOG)->controls;
    for (; c->id != id; ++c) {
    }
    return {((c->x + c->cx / 2) * baseX + 2) / 4, ((c->y + c->cy / 2) * font.height() + 4) / 8};
}

QColor Surface(QWidget& q) {
    QApplication::processEvents();
    return QColor(q.grab().toImage().pixel(q.width() * 2 / 391, q.height() * 60 / 270));
}

// The hands of a librarian at one run of the desk: one step per turn of
// whichever event loop runs (the dialog's, or a message box's while one is
// open), each tried again at the next turn until it can be done. A step not
// done within two seconds fails the test, which then closes whatever is open.
class Hands {
public:
    // What a step waits for: a message box that has the keyboard; the window
    // up with no box open; that window with the keyboard, as keys would go
    // nowhere else.
    static constexpr int kBox = 0, kWindow = 1, kKeyboard = 2;

    Hands& Add(std::string what, int wait, std::function<void(QWidget&)> act) {
        steps_.emplace_back(std::move(what), [wait, act] {
            QWidget* box = BoxOpen() ? QApplication::activeModalWidget() : nullptr;
            QDialog* q = QtRunningDialog();
            QWidget* at = wait == kBox ? box : q && q->isVisible() && !box ? q : nullptr;
            if (at == nullptr ||
                (wait != kWindow && QGuiApplication::focusWindow() != at->windowHandle())) {
                return false;
            }
            act(*at);
            return true;
        });
        return *this;
    }
    Hands& Click(int id) {
        return Add("click " + std::to_string(id), kWindow, [id](QWidget& q) {
            QTest::mouseClick(q.windowHandle(), Qt::LeftButton, {}, Middle(q, id));
        });
    }
    Hands& Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return Add("key " + std::to_string(key), kKeyboard,
                   [=](QWidget& q) { QTest::keyClick(q.windowHandle(), key, modifiers); });
    }
    Hands& Type(const std::string& text) {
        return Add("type " + text, kKeyboard, [text](QWidget& q) {
            for (char c : text) {
                QTest::keyClick(q.windowHandle(), c);
            }
        });
    }
    // A scanner: the text, then Enter.
    Hands& Scan(const std::string& text) { return Type(text).Key(Qt::Key_Return); }
    Hands& Check(std::function<void(QWidget&)> look) { return Add("check", kKeyboard, look); }
    // Which control has the keyboard, and the surface's colour.
    Hands& Look(int focus, QColor surface) {
        return Add("look " + std::to_string(focus), kKeyboard, [this, focus, surface](QWidget& q) {
            EXPECT_TRUE(q.focusWidget() == Widget(focus) && Surface(q) == surface);
        });
    }
    // Reads the box and answers it with its Enter. The greeting comes before
    // the window is shown; every other box stands in front of it.
    Hands& Answer(const QString& text, bool windowBehind = true) {
        return Add("answer " + text.toStdString(), kBox, [text, windowBehind](QWidget& box) {
            EXPECT_TRUE(static_cast<QMessageBox&>(box).text() == text &&
                        QtRunningDialog()->isVisible() == windowBehind);
            QTest::keyClick(box.windowHandle(), Qt::Key_Return);
        });
    }
    template <typename W = QWidget>
    W* Widget(int id) {
        return qobject_cast<W*>(QtWidget(dialog_.GetDlgItem(id)->m_hWnd));
    }

    // Runs the dialog until every step is taken, then closes it.
    void Run() {
        Check([](QWidget& q) { q.close(); });
        QTimer::singleShot(0, [this] { Turn(); });
        dialog_.DoModal();
        EXPECT_TRUE(steps_.empty()) << "left from: " << steps_.front().first;
    }

private:
    void Turn() {
        if (steps_.empty()) {
            return;
        }
        QTimer::singleShot(5, [this] { Turn(); });
        // A step that waits on a box runs inside the box's loop; any other
        // waits for the step before it to end.
        if (busy_ && !BoxOpen()) {
            return;
        }
        auto next = std::move(steps_.front());
        steps_.pop_front();
        SCOPED_TRACE(next.first);
        const bool wasBusy = std::exchange(busy_, true), done = next.second();
        busy_ = wasBusy;
        if (done) {
            tries_ = 0;
        } else if (++tries_ < 400) {
            steps_.push_front(std::move(next));
        } else {
            ADD_FAILURE() << "never done";
            steps_.clear();
            for (QWidget* open :
                 {QApplication::activeModalWidget(), static_cast<QWidget*>(QtRunningDialog())}) {
                if (open != nullptr) {
                    open->close();
                }
            }
        }
    }

    CQuorvelPDlg dialog_;
    std::deque<std::pair<std::string, std::function<bool()>>> steps_;
    bool busy_ = false;
    int tries_ = 0;
};

TEST(QtJourney, ADayOfLoansReturnsRequestsAndRefusalsThenARestart) {
    test_system::UseUtc();
    StartEmptyList();
    ClockSetFixedTime(1772442303); // 2026-03-02 09:05:03 UTC
    // Mnemonics in two mode texts, and a label text that looks like HTML.
    std::string settings = ReadFile(QUORVEL_SOURCE_DIR "/res/demo/Admin/quorvp.xml");
    for (const auto& [from, to] : std::initializer_list<std::pair<std::string, std::string>>{
             {"/opt/quorvel/Work", "@WORK@"},
             {"text=\"DEVOLUCI", "text=\"&DEVOLUCI"},
             {"text=\"PETICI", "text=\"PE&TICI"},
             {"<msg ID=\"col4\" text=\"Lector\"/>",
              "<msg ID=\"col4\" html=\"y\"><![CDATA[<b>Lector</b>]]></msg>"}}) {
        settings.replace(settings.find(from), from.size(), to);
    }
    Installation install(settings.c_str());
    const QString missing = QStringLiteral("Falta un c\u00F3digo de barras");
    const QString invalid = QStringLiteral("C\u00F3digo de barras no v\u00E1lido");
    const QString greeting = QStringLiteral(
        "\nBienvenido al pr\u00E9stamo sin conexi\u00F3n\n\n02 - 03 - 2026\n09 : 05 : 03");
    Hands day;
    // The greeting before the window, then the desk has the keyboard; the
    // label is shown as written, not as bold rich text.
    day.Answer(greeting, false).Look(IDC_EDIT_PATRON, kLoan).Check([&](QWidget&) {
        const QLabel* label = day.Widget<QLabel>(IDC_LABEL_PATRON);
        EXPECT_TRUE(label->text() == "<b>Lector</b>" && label->textFormat() == Qt::PlainText);
    });
    // A loan in the scanner's rhythm. A return: its button, the item field, a
    // scan; the frame around the buttons and the "operation" box lie above
    // them and let clicks through, and a card left in the patron field is not
    // the return's. A request likewise, patron first.
    day.Scan(kPatron).Scan(kItem).Type("87654325").Click(IDC_RADIO_RETURN);
    day.Look(IDC_RADIO_RETURN, kReturn).Check([&](QWidget&) {
        EXPECT_TRUE(!day.Widget(IDC_EDIT_PATRON)->isEnabled() &&
                    day.Widget<QGroupBox>(IDC_GROUP_OPERATION)->title() == "&DEVOLUCI\u00D3N");
    });
    day.Click(IDC_EDIT_ITEM).Scan(kBook).Click(IDC_RADIO_REQUEST).Look(IDC_RADIO_REQUEST, kRequest);
    day.Click(IDC_EDIT_PATRON).Scan(kPatron).Scan(kItem);
    // The fields clicked in the other order and the mode chosen last: a mode
    // click leaves the entry alone, and Enter on the button records it.
    day.Click(IDC_EDIT_ITEM).Type(kItem).Click(IDC_EDIT_PATRON).Type(kPatron);
    day.Click(IDC_RADIO_LOAN).Key(Qt::Key_Return);
    // Each refusal: the box has the keyboard, then the desk has it again,
    // with the field to fix selected, so the next scan replaces it.
    day.Key(Qt::Key_Return).Answer(missing).Scan("12345675").Answer(invalid).Scan(kPatron);
    day.Key(Qt::Key_Return).Answer(missing).Scan("4006381333932").Answer(invalid).Scan(kItem);
    // Escape empties the entry; the arrows go round the three mode buttons,
    // each one a click.
    day.Type("junk").Key(Qt::Key_Escape).Click(IDC_RADIO_REQUEST).Key(Qt::Key_Right);
    day.Look(IDC_RADIO_LOAN, kLoan).Key(Qt::Key_Left).Key(Qt::Key_Up);
    day.Look(IDC_RADIO_RETURN, kReturn).Key(Qt::Key_Return).Answer(missing).Scan(kBook);
    // Tab stops at the list and the item field only (the patron field is off
    // in return mode); Escape from the list empties the entry and goes to the
    // item field.
    day.Key(Qt::Key_Tab).Look(IDC_LIST_OPERATIONS, kReturn);
    day.Key(Qt::Key_Escape).Look(IDC_EDIT_ITEM, kReturn);
    // Mnemonics: Alt+T from a field, the letter alone on a mode button; then
    // Shift+Tab from a mode button, the tab stop before it in the template.
    day.Key(Qt::Key_T, Qt::AltModifier).Key(Qt::Key_D).Key(Qt::Key_T);
    day.Look(IDC_RADIO_REQUEST, kRequest).Key(Qt::Key_Backtab, Qt::ShiftModifier);
    day.Look(IDC_EDIT_ITEM, kRequest).Key(Qt::Key_Escape).Scan(kPatron).Scan(kItem).Run();
    std::string file;
    for (int n = 1; n <= 7; ++n) {
        const char letter = "PDTPPDT"[n - 1];
        file += RecordLine(n, letter == 'D' ? "" : kPatron, letter == 'D' ? kBook : kItem, letter);
    }
    EXPECT_EQ(ReadFile(install.DayFile("20260302")), file);

    // Started again: the day is back in the list and the numbering goes on.
    StartEmptyList();
    Hands again;
    again.Answer(greeting, false).Check([&](QWidget&) {
        const QAbstractItemModel* rows = again.Widget<QTreeView>(IDC_LIST_OPERATIONS)->model();
        EXPECT_EQ(QString::number(rows->rowCount()) + rows->index(0, 2).data().toString() +
                      rows->index(0, 5).data().toString(),
                  QStringLiteral("7000007PE&TICI\u00D3N"));
    });
    again.Scan(kPatron).Scan(kItem).Check(
        [&](QWidget& q) { EXPECT_TRUE(q.grab().save(QUORVEL_SCREENSHOT)); });
    again.Run();
    EXPECT_EQ(ReadFile(install.DayFile("20260302")), file + RecordLine(8, kPatron, kItem, 'P'));
    ClockUseSystemTime();
}

} // namespace
