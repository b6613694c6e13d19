// The window layer over the Qt backend, offscreen: the template's widgets,
// message boxes, the list view, and ISO-8859-1 text at the Qt boundary. (A
// librarian's clicks and keys, and the surface's colours, are the journey's
// of tests/shell/qt_journey_test.cpp.)
#include "desk_dialog.h"
#include "qt_main.h"

#include "res/dialog_template.h"

#include <QAbstractItemModelTester>
#include <QDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <functional>

namespace {

QWidget* Widget(CDialog& dialog, int id) {
    return QtWidget(dialog.GetDlgItem(id)->m_hWnd);
}

class QtDialog : public ::testing::Test {
protected:
    // Runs the dialog; `script` runs inside its modal loop, after which the
    // dialog is closed with its close command if still open.
    void Run(const std::function<void(QDialog*)>& script) {
        QTimer::singleShot(0, [&] {
            QDialog* q = QtRunningDialog();
            ASSERT_NE(q, nullptr);
            script(q);
            q->close();
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }

    DeskDialog dialog;
};

TEST_F(QtDialog, TheTemplateLaidOutLatin1TypedAndAMessageBoxInFrontThatKeepsItsKeys) {
    const res::DialogTemplate* t = res::FindDialogTemplate(IDD_QUORVELP_DIALOG);
    Run([&](QDialog* q) {
        const double sx = q->width() / 391.0, sy = q->height() / 270.0;
        for (const res::TemplateControl* c = t->controls; c != t->controls + t->controlCount; ++c) {
            if (c->id != IDC_STATIC && c->kind != res::ControlKind::Picture) {
                const QRectF got(Widget(dialog, c->id)->geometry()),
                    want(c->x * sx, c->y * sy, c->cx * sx, c->cy * sy);
                EXPECT_LE((got.topLeft() - want.topLeft()).manhattanLength() +
                              (got.bottomRight() - want.bottomRight()).manhattanLength(),
                          4)
                    << c->id;
            }
        }
        // Typed text leaves Qt as ISO-8859-1; what it cannot hold becomes "?".
        dialog.m_editItem.SetFocus();
        for (QChar ch : QStringLiteral("\u00D1o\u20AC")) {
            qt_handleKeyEvent(q->windowHandle(), QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        }
        std::string typed;
        dialog.m_editItem.GetWindowText(typed);
        EXPECT_EQ(typed, "\xD1o?");
        // The panels lie lowest, under the controls drawn on them.
        const QList<QWidget*> order = q->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        EXPECT_LT(order.indexOf(Widget(dialog, IDC_TAB_UPPER)),
                  order.indexOf(Widget(dialog, IDC_LIST_OPERATIONS)));
        // A message box shows its text as written, and takes its own Enter.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle() + box->text(),
                      QString::fromLatin1("platform_qt_tests<b>not bold</b>\n\xA1hola!"));
            EXPECT_TRUE(box->icon() == QMessageBox::Critical && box->textFormat() == Qt::PlainText);
            QTest::keyClick(box->windowHandle(), Qt::Key_Return);
        });
        EXPECT_EQ(AfxMessageBox("<b>not bold</b>\n\xA1hola!", MB_ICONHAND), IDOK);
    });
}

// Rows at the top as the desk inserts them, anywhere else, past the end,
// without a picture, and columns inserted among rows, with Qt's model tester
// watching every change announced to the view; texts in ISO-8859-1.
TEST_F(QtDialog, TheListShowsEveryRowItsCellsAndPictureInOrderAndAnnouncesEachChange) {
    // The colour in the middle of each picture of the strip.
    const QRgb middles[3] = {qRgb(128, 0, 0), qRgb(128, 128, 0), qRgb(128, 128, 128)};
    CImageList images;
    EXPECT_FALSE(images.Create(IDB_MODE_STRIP, 0, 0, 0)); // no width
    ASSERT_TRUE(images.Create(IDB_MODE_STRIP, 16, 0, RGB(192, 192, 192)));
    Run([&](QDialog*) {
        auto* view = qobject_cast<QTreeView*>(Widget(dialog, IDC_LIST_OPERATIONS));
        const QAbstractItemModel* rows = view->model();
        // A change announced wrongly ends the program.
        QAbstractItemModelTester tester(view->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        CListCtrl& list = dialog.m_list;
        list.InsertColumn(0, "Fecha");
        list.InsertColumn(1, "&Lector \xD1");
        EXPECT_TRUE(list.SetColumnWidth(1, 130));
        list.SetImageList(&images, LVSIL_SMALL);
        for (int i = 0; i < 3; ++i) {
            list.InsertItem(LVIF_TEXT | LVIF_IMAGE, 0, "", 0, 0, i, 0);
            list.SetItemText(0, 0, ("d" + std::to_string(i)).c_str());
            list.SetItemText(0, 1, ("caf\xE9 " + std::to_string(i)).c_str());
        }
        // Where rows and columns land, then what does not exist refused.
        EXPECT_EQ(
            (std::vector<int>{list.InsertItem(LVIF_TEXT, 9, "end", 0, 0, 2, 0),
                              list.InsertItem(2, "mid", 1), list.InsertColumn(1, "new"),
                              list.InsertColumn(9, "last"), list.SetItemText(4, 3, "set"),
                              list.SetItemText(5, 0, "no row"), list.SetItemText(0, 4, "no column"),
                              list.SetColumnWidth(4, 10), view->header()->sectionSize(2),
                              view->header()->sectionSize(1) > 0}),
            (std::vector<int>{3, 2, 1, 3, TRUE, FALSE, FALSE, FALSE, 130, true}));
        EXPECT_EQ(list.GetItemText(5, 0), "");
        EXPECT_TRUE(list.SetImageList(&images, LVSIL_SMALL) == &images &&
                    rows->headerData(2, Qt::Horizontal) == QStringLiteral("Lector \u00D1"));
        const char* const want[] = {"2 d2||caf\xE9 2|", "1 d1||caf\xE9 1|", "1 mid|||",
                                    "0 d0||caf\xE9 0|", "-1 end|||set"};
        ASSERT_TRUE(rows->rowCount() == 5 && rows->columnCount() == 4);
        for (int r = 0; r < 5; ++r) {
            const QVariant picture = rows->index(r, 0).data(Qt::DecorationRole);
            const QImage image = picture.value<QIcon>().pixmap(16, 15).toImage();
            // The mask colour is transparent.
            EXPECT_TRUE(!picture.isValid() || qAlpha(image.pixel(0, 0)) == 0) << r;
            std::string shown = std::to_string(
                picture.isValid() ? std::find(middles, middles + 3, image.pixel(7, 7)) - middles
                                  : -1);
            std::string read = shown += " ";
            for (int c = 0; c < 4; ++c) {
                shown += (c > 0 ? "|" : "") +
                         rows->index(r, c).data().toString().toLatin1().toStdString();
                read += (c > 0 ? "|" : "") + list.GetItemText(r, c);
            }
            EXPECT_EQ(shown + "/" + read, std::string(want[r]) + "/" + want[r]);
        }
    });
}

TEST_F(QtDialog, APostedCloseAtInitEndsTheDialogUnshown) {
    dialog.closeAtInit = true;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "destroy"}));
}

} // namespace
