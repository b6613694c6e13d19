// A librarian's day at the Qt desk, offscreen, through the window system's
// own input path: pointer clicks at the places of the top-level window where
// a librarian clicks (the middle of a control, from the template and the
// dialog's font), keys to whichever window has the keyboard, each message
// box answered with its own Enter, and the day's file checked byte for byte.
// So stacking, hit testing, focus and activation are what the day goes
// through. The restart also draws the README's picture of the window.
#include "installation.h"

#include "platform/clock.h"
#include "platform/qt/qt.h"
#include "res/dialog_template.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"
#include "tests/circulation/model_list.h"

#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <regex>
#include <utility>

namespace {

constexpr std::int64_t kMorning = 1772442303; // 2026-03-02 09:05:03 UTC
constexpr char kPatron[] = "12345674";
constexpr char kItem[] = "4006381333931";
constexpr char kBook[] = "9780306406157";

std::string Line(const char* number, const char* patron, const char* item, char letter) {
    std::string line = std::string("2026-03-02 09:05:03 ") + number + " " + patron;
    line.resize(77, ' ');
    line += std::string(" ") + item;
    line.resize(128, ' ');
    return line + " " + letter + "\r\n";
}

// The hands of a librarian: one step per turn of whichever event loop runs
// (the dialog's, or a message box's while one is open), each tried again at
// the next turn until it is done. A step that is not done within two seconds
// fails the test, which then closes whatever is open.
class Hands {
public:
    using Step = std::function<bool()>; // false: not yet

    void Add(std::string what, Step step) { steps_.emplace_back(std::move(what), std::move(step)); }

    // At the middle of the control's template rectangle, converted to pixels
    // with the dialog font's base units as Windows converts them.
    void Click(int id) {
        Add("click " + std::to_string(id), [id] {
            QDialog* q = QtRunningDialog();
            if (q == nullptr || !q->isVisible() || BoxOpen()) {
                return false;
            }
            const QFontMetrics font(q->font());
            const int baseX =
                (font.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                       "abcdefghijklmnopqrstuvwxyz")) /
                     26 +
                 1) /
                2;
            const res::DialogTemplate& t = *res::FindDialogTemplate(IDD_QUORVELP_DIALOG);
            const res::TemplateControl* c = t.controls;
            while (c->id != id) {
                ++c;
            }
            const QPoint middle(((c->x + c->cx / 2) * baseX + 2) / 4,
                                ((c->y + c->cy / 2) * font.height() + 4) / 8);
            QTest::mouseClick(q->windowHandle(), Qt::LeftButton, {}, middle);
            return true;
        });
    }
    // Keys go to the window that has the keyboard: with none they would go
    // nowhere.
    void Keys(std::string what, std::function<void(QWindow*)> press) {
        Add(std::move(what), [press] {
            QWindow* w = QGuiApplication::focusWindow();
            if (w == nullptr || BoxOpen()) {
                return false;
            }
            press(w);
            return true;
        });
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Keys("key " + std::to_string(key),
             [key, modifiers](QWindow* w) { QTest::keyClick(w, key, modifiers); });
    }
    void Type(const std::string& text) {
        Keys("type " + text, [text](QWindow* w) {
            for (char c : text) {
                QTest::keyClick(w, c);
            }
        });
    }
    // A scanner: the text, then Enter.
    void Scan(const std::string& text) {
        Type(text);
        Key(Qt::Key_Return);
    }
    // Reads the open message box and answers it with Enter: the box must have
    // the keyboard. The greeting comes before the window is shown; every
    // other box stands in front of it.
    void Answer(const QString& text, bool windowBehind = true) {
        Add("answer " + text.toStdString(), [text, windowBehind] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || QGuiApplication::focusWindow() != box->windowHandle()) {
                return false;
            }
            EXPECT_EQ(box->text(), text);
            EXPECT_EQ(QtRunningDialog()->isVisible(), windowBehind);
            QTest::keyClick(box->windowHandle(), Qt::Key_Return);
            return true;
        });
    }
    // Looks at the window once it has the keyboard.
    void Check(std::function<void(QDialog&)> look) {
        Add("check", [look] {
            QDialog* q = QtRunningDialog();
            if (q == nullptr || BoxOpen() || QGuiApplication::focusWindow() != q->windowHandle()) {
                return false;
            }
            look(*q);
            return true;
        });
    }

    // Runs the dialog until every step is taken, then closes it.
    void Run(CDialog& dialog) {
        Check([](QDialog& q) { q.close(); });
        QTimer::singleShot(0, [this] { Turn(); });
        dialog.DoModal();
        EXPECT_TRUE(steps_.empty()) << "left from: " << steps_.front().first;
    }

private:
    static bool BoxOpen() { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }

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
        const bool wasBusy = std::exchange(busy_, true);
        const bool done = next.second();
        busy_ = wasBusy;
        if (done) {
            tries_ = 0;
        } else if (++tries_ < 400) {
            steps_.push_front(std::move(next));
        } else {
            ADD_FAILURE() << "never done: " << next.first;
            steps_.clear();
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
            if (QDialog* q = QtRunningDialog()) {
                q->close();
            }
        }
    }

    std::deque<std::pair<std::string, Step>> steps_;
    bool busy_ = false;
    int tries_ = 0;
};

class QtJourney : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        StartEmptyList();
        ClockSetFixedTime(kMorning);
        demo = std::regex_replace(ReadFile(QUORVEL_SOURCE_DIR "/res/demo/Admin/quorvp.xml"),
                                  std::regex("<workarea value=\"[^\"]*\""),
                                  "<workarea value=\"@WORK@\"");
    }
    void TearDown() override { ClockUseSystemTime(); }

    static std::string Replaced(std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    }
    template <typename W = QWidget>
    W* Widget(int id) {
        return qobject_cast<W*>(QtWidget(dialog->GetDlgItem(id)->m_hWnd));
    }
    static QColor Surface(QDialog& q) {
        QApplication::processEvents();
        return QColor(q.grab().toImage().pixel(q.width() * 2 / 391, q.height() * 60 / 270));
    }
    // How wide the dark pixels of a widget spread.
    static int InkWidth(QWidget* w) {
        const QImage shot = w->grab().toImage();
        int left = shot.width();
        int right = -1;
        for (int at = 0; at < shot.width() * shot.height(); ++at) {
            if (qGray(shot.pixel(at % shot.width(), at / shot.width())) < 100) {
                left = std::min(left, at % shot.width());
                right = std::max(right, at % shot.width());
            }
        }
        return right - left + 1;
    }

    std::string demo;
    std::unique_ptr<CQuorvelPDlg> dialog;
};

TEST_F(QtJourney, ADayOfLoansReturnsRequestsAndRefusalsThenARestart) {
    // Mnemonics in two mode texts, and a label text that looks like HTML.
    std::string settings = Replaced(demo, "text=\"DEVOLUCI", "text=\"&DEVOLUCI");
    settings = Replaced(settings, "text=\"PETICI", "text=\"PE&TICI");
    settings = Replaced(settings, "<msg ID=\"col4\" text=\"Lector\"/>",
                        "<msg ID=\"col4\" html=\"y\"><![CDATA[<b>Lector</b>]]></msg>");
    Installation install(settings.c_str());
    const QString missing = QString::fromLatin1("Falta un c\xF3"
                                                "digo de barras");
    const QString invalid = QString::fromLatin1("C\xF3"
                                                "digo de barras no v\xE1lido");
    const QString greeting = QStringLiteral(
        "\nBienvenido al pr\u00E9stamo sin conexi\u00F3n\n\n02 - 03 - 2026\n09 : 05 : 03");
    dialog = std::make_unique<CQuorvelPDlg>();
    Hands hands;

    // Start: the greeting before the window, then the desk has the keyboard.
    hands.Answer(greeting, false);
    hands.Check([&](QDialog& q) {
        EXPECT_EQ(q.focusWidget(), Widget(IDC_EDIT_PATRON));
        EXPECT_EQ(Surface(q), QColor(220, 0, 0));
        // Shown as written, not as bold rich text.
        EXPECT_GE(InkWidth(Widget(IDC_LABEL_PATRON)),
                  QFontMetrics(q.font()).horizontalAdvance("<b>Lector</b>") - 4);
    });
    // A loan in the scanner's rhythm.
    hands.Scan(kPatron);
    hands.Scan(kItem);
    // A return: its button, the item field, a scan. The frame around the
    // buttons and the "operation" box lie above them and let clicks through.
    // A card left in the patron field is not the return's.
    hands.Type("87654325");
    hands.Click(IDC_RADIO_RETURN);
    hands.Check([&](QDialog& q) {
        EXPECT_EQ(Surface(q), QColor(138, 211, 138));
        EXPECT_FALSE(Widget(IDC_EDIT_PATRON)->isEnabled());
        EXPECT_EQ(Widget<QGroupBox>(IDC_GROUP_OPERATION)->title(),
                  QStringLiteral("&DEVOLUCI\u00D3N"));
    });
    hands.Click(IDC_EDIT_ITEM);
    hands.Scan(kBook);
    // A request likewise, patron first.
    hands.Click(IDC_RADIO_REQUEST);
    hands.Check([&](QDialog& q) { EXPECT_EQ(Surface(q), QColor(138, 138, 211)); });
    hands.Click(IDC_EDIT_PATRON);
    hands.Scan(kPatron);
    hands.Scan(kItem);
    // A loan with the fields clicked in the other order and the mode chosen
    // last: a mode click leaves the entry alone, and Enter on the button
    // records it.
    hands.Click(IDC_EDIT_ITEM);
    hands.Type(kItem);
    hands.Click(IDC_EDIT_PATRON);
    hands.Type(kPatron);
    hands.Click(IDC_RADIO_LOAN);
    hands.Key(Qt::Key_Return);
    // Each refusal: the box has the keyboard, then the desk has it again,
    // with the field to fix selected, so the next scan replaces it.
    hands.Key(Qt::Key_Return);
    hands.Answer(missing);
    hands.Scan("12345675");
    hands.Answer(invalid);
    hands.Scan(kPatron);
    hands.Key(Qt::Key_Return);
    hands.Answer(missing);
    hands.Scan("4006381333932");
    hands.Answer(invalid);
    hands.Scan(kItem);
    // Escape empties the entry.
    hands.Type("junk");
    hands.Key(Qt::Key_Escape);
    // The arrows go round the three mode buttons, each one a click.
    hands.Click(IDC_RADIO_REQUEST);
    hands.Key(Qt::Key_Right);
    hands.Check([&](QDialog& q) {
        EXPECT_EQ(q.focusWidget(), Widget(IDC_RADIO_LOAN));
        EXPECT_EQ(Surface(q), QColor(220, 0, 0));
    });
    hands.Key(Qt::Key_Left);
    hands.Key(Qt::Key_Up);
    hands.Check([&](QDialog& q) {
        EXPECT_EQ(q.focusWidget(), Widget(IDC_RADIO_RETURN));
        EXPECT_EQ(Surface(q), QColor(138, 211, 138));
    });
    hands.Key(Qt::Key_Return);
    hands.Answer(missing);
    hands.Scan(kBook);
    // Tab stops at the list and the item field only (the patron field is
    // off in return mode); Escape from the list empties the entry and goes
    // to the item field.
    hands.Key(Qt::Key_Tab);
    hands.Check([&](QDialog& q) { EXPECT_EQ(q.focusWidget(), Widget(IDC_LIST_OPERATIONS)); });
    hands.Key(Qt::Key_Escape);
    hands.Check([&](QDialog& q) { EXPECT_EQ(q.focusWidget(), Widget(IDC_EDIT_ITEM)); });
    // Mnemonics: Alt+T from a field, the letter alone on a mode button.
    hands.Key(Qt::Key_T, Qt::AltModifier);
    hands.Key(Qt::Key_D);
    hands.Key(Qt::Key_T);
    hands.Check([&](QDialog& q) {
        EXPECT_EQ(q.focusWidget(), Widget(IDC_RADIO_REQUEST));
        EXPECT_EQ(Surface(q), QColor(138, 138, 211));
    });
    // Shift+Tab from a mode button: the tab stop before it in the template.
    hands.Key(Qt::Key_Backtab, Qt::ShiftModifier);
    hands.Check([&](QDialog& q) { EXPECT_EQ(q.focusWidget(), Widget(IDC_EDIT_ITEM)); });
    hands.Key(Qt::Key_Escape);
    hands.Scan(kPatron);
    hands.Scan(kItem);
    hands.Run(*dialog);
    const std::string day = Line("000001", kPatron, kItem, 'P') + Line("000002", "", kBook, 'D') +
                            Line("000003", kPatron, kItem, 'T') +
                            Line("000004", kPatron, kItem, 'P') +
                            Line("000005", kPatron, kItem, 'P') + Line("000006", "", kBook, 'D') +
                            Line("000007", kPatron, kItem, 'T');
    EXPECT_EQ(ReadFile(install.DayFile("20260302")), day);

    // Started again, on the demonstration texts: the day is back in the list
    // and the numbering goes on.
    std::ofstream(install.Root() + "/Admin/quorvp.xml", std::ios::binary)
        << Replaced(demo, "@WORK@", install.Work());
    StartEmptyList();
    dialog = std::make_unique<CQuorvelPDlg>();
    Hands again;
    again.Answer(greeting, false);
    again.Check([&](QDialog&) {
        const QAbstractItemModel* rows = Widget<QTreeView>(IDC_LIST_OPERATIONS)->model();
        EXPECT_EQ(rows->rowCount(), 7);
        EXPECT_EQ(rows->index(0, 2).data(), "000007");
        EXPECT_EQ(rows->index(0, 5).data(), QStringLiteral("PETICI\u00D3N"));
    });
    again.Scan(kPatron);
    again.Scan(kItem);
    again.Check([&](QDialog& q) { EXPECT_TRUE(q.grab().save(QUORVEL_SCREENSHOT)); });
    again.Run(*dialog);
    EXPECT_EQ(ReadFile(install.DayFile("20260302")), day + Line("000008", kPatron, kItem, 'P'));
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_SCALE_FACTOR", "1", 0);
    QApplication app(argc, argv);
    QtSetUpApplication(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
