// The main dialog in the real Qt window, offscreen, on the demonstration
// settings: the greeting before the window, the captions in ISO-8859-1, keys
// and clicks as real events, the surface colour per mode, and the picture of
// the window that the README shows.
#include "installation.h"

#include "circulation/barcode.h"
#include "platform/clock.h"
#include "platform/qt/qt.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"
#include "tests/circulation/model_list.h"

#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>
#include <regex>

namespace {

constexpr std::int64_t kMorning = 1772442303; // 2026-03-02 09:05:03 UTC

class QtDesk : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        StartEmptyList();
        ClockSetFixedTime(kMorning);
        const std::string demo = ReadFile(QUORVEL_SOURCE_DIR "/res/demo/Admin/quorvp.xml");
        install = std::make_unique<Installation>(
            std::regex_replace(demo, std::regex("<workarea value=\"[^\"]*\""),
                               "<workarea value=\"@WORK@\"")
                .c_str());
    }
    void TearDown() override { ClockUseSystemTime(); }

    template <typename W>
    W* Widget(int id) {
        return qobject_cast<W*>(QtWidget(dialog->GetDlgItem(id)->m_hWnd));
    }

    // Runs the dialog: every message box is noted and answered with OK, and
    // script runs once the window is on screen; then the window is closed.
    void Run(const std::function<void(QDialog*)>& script) {
        dialog = std::make_unique<CQuorvelPDlg>();
        bool ran = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back(box->text());
                windowShownUnderBox = QtRunningDialog()->isVisible();
                EXPECT_EQ(box->windowTitle(), "shell_qt_tests");
                EXPECT_EQ(box->icon(), QMessageBox::Information);
                box->accept();
            } else if (QDialog* q = QtRunningDialog(); !ran && q != nullptr && q->isVisible()) {
                ran = true;
                script(q);
                q->close();
            }
        });
        poll.start(10);
        dialog->DoModal();
        EXPECT_TRUE(ran);
    }

    std::unique_ptr<Installation> install;
    std::unique_ptr<CQuorvelPDlg> dialog;
    QStringList boxes;
    bool windowShownUnderBox = true;
};

TEST_F(QtDesk, TheGreetingComesFirstThenEveryCaptionFromTheCatalogue) {
    Run([&](QDialog* q) {
        EXPECT_EQ(q->windowTitle(), "QuorvelP");
        EXPECT_EQ(Widget<QRadioButton>(IDC_RADIO_LOAN)->text(), QStringLiteral("PR\u00C9STAMO"));
        EXPECT_TRUE(Widget<QRadioButton>(IDC_RADIO_LOAN)->isChecked());
        EXPECT_EQ(Widget<QRadioButton>(IDC_RADIO_RETURN)->text(),
                  QStringLiteral("DEVOLUCI\u00D3N"));
        EXPECT_EQ(Widget<QGroupBox>(IDC_GROUP_OPERATION)->title(), QStringLiteral("PR\u00C9STAMO"));
        EXPECT_EQ(Widget<QGroupBox>(IDC_GROUP_DATETIME)->title(), "FECHA Y HORA DEL SISTEMA");
        EXPECT_EQ(Widget<QLabel>(IDC_LABEL_PATRON)->text(), "Lector");
        EXPECT_EQ(Widget<QLabel>(IDC_STATIC_TIME)->text(), "09 : 05 : 03");
        const QAbstractItemModel* list = Widget<QTreeView>(IDC_LIST_OPERATIONS)->model();
        EXPECT_EQ(list->headerData(2, Qt::Horizontal), QStringLiteral("N\u00FAmero"));
        EXPECT_EQ(list->headerData(5, Qt::Horizontal), QStringLiteral("Operaci\u00F3n"));
        EXPECT_EQ(q->focusWidget(), Widget<QLineEdit>(IDC_EDIT_PATRON));
    });
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0],
              QStringLiteral("\nBienvenido al pr\u00E9stamo sin conexi\u00F3n\n\n02 - 03 - 2026\n"
                             "09 : 05 : 03"));
    EXPECT_FALSE(windowShownUnderBox);
}

TEST_F(QtDesk, KeysAndClicksRecordOperationsAndRepaintTheSurface) {
    Run([&](QDialog* q) {
        auto* patron = Widget<QLineEdit>(IDC_EDIT_PATRON);
        auto* item = Widget<QLineEdit>(IDC_EDIT_ITEM);
        const QAbstractItemModel* list = Widget<QTreeView>(IDC_LIST_OPERATIONS)->model();
        const QPoint edge(q->width() * 2 / 391, q->height() * 60 / 270);
        auto surface = [&] {
            QApplication::processEvents();
            return QColor(q->grab().toImage().pixel(edge));
        };
        EXPECT_EQ(surface(), QColor(220, 0, 0));

        QTest::keyClicks(patron, "12345674");
        QTest::keyClick(patron, Qt::Key_Return);
        EXPECT_EQ(q->focusWidget(), item);
        QTest::keyClicks(item, "4006381333931");
        QTest::keyClick(item, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(list->rowCount(), 1);
        EXPECT_EQ(q->focusWidget(), patron);

        QTest::mouseClick(Widget<QRadioButton>(IDC_RADIO_RETURN), Qt::LeftButton);
        EXPECT_EQ(surface(), QColor(138, 211, 138));
        EXPECT_FALSE(patron->isEnabled());
        QTest::mouseClick(item, Qt::LeftButton);
        QTest::keyClicks(item, "9780306406157");
        QTest::keyClick(item, Qt::Key_Return);
        EXPECT_EQ(list->index(0, 5).data(), QStringLiteral("DEVOLUCI\u00D3N"));
        QTest::keyClicks(item, "typo");
        QTest::keyClick(item, Qt::Key_Escape);
        EXPECT_EQ(item->text(), "");
        EXPECT_EQ(q->focusWidget(), item);

        QTest::mouseClick(Widget<QRadioButton>(IDC_RADIO_REQUEST), Qt::LeftButton);
        EXPECT_EQ(surface(), QColor(138, 138, 211));
        ClockSetFixedTime(kMorning + 725);
        QTest::mouseClick(patron, Qt::LeftButton);
        QTest::keyClicks(patron, "87654323");
        QTest::keyClick(patron, Qt::Key_Return);
        QTest::keyClicks(item, "B1234567");
        QTest::keyClick(item, Qt::Key_Return);
        EXPECT_EQ(list->rowCount(), 3);

        QTest::mouseClick(Widget<QRadioButton>(IDC_RADIO_LOAN), Qt::LeftButton);
        EXPECT_EQ(surface(), QColor(220, 0, 0));
        QTest::mouseClick(patron, Qt::LeftButton);
        QTest::keyClicks(patron, "12345674");
        QTest::keyClick(patron, Qt::Key_Return);
        EXPECT_TRUE(q->isVisible());
        dialog->UpdateClock();
        EXPECT_TRUE(q->grab().save(QUORVEL_SCREENSHOT));
    });
    EXPECT_EQ(boxes.size(), 1); // the greeting; nothing was refused
    const std::string day = ReadFile(install->DayFile("20260302"));
    EXPECT_EQ(day.size(), 3u * 132);
    EXPECT_EQ(day.substr(129, 1) + day.substr(132 + 129, 1) + day.substr(264 + 129, 1), "PDT");
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
