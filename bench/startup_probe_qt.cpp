// Probe mode "startup qt FOLDER DAY RECORDS" of the probe programs linked with
// the Qt window backend: the desk client as the program starts it (the
// QApplication, then the main dialog), offscreen, from cold, over the
// installation as in startup_probe.cpp, up to the dialog being ready: shown,
// its list laid out and painted once. The greeting, a
// modal box before the window, is answered as soon as it is shown, as the
// window tests answer it. The detail is the rows shown.
#include "bench/desk_files.h"
#include "bench/probe.h"

#include "platform/qt/qt.h"
#include "shell/quorvelp_dlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

// Qt's warnings about the offscreen platform (no runtime folder, no size
// hints) would fall into the table's output; failures still show.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
}

// Answers the greeting when it shows, and ends the measurement once the
// operations list has painted itself for the first time: by then the dialog
// is shown and the list laid out. The end is taken when the paint is over,
// from the event queue.
class ReadyWatch : public QObject {
public:
    explicit ReadyWatch(int* rows) : rows_(rows) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                QMetaObject::invokeMethod(box, &QMessageBox::accept, Qt::QueuedConnection);
            }
        } else if (event->type() == QEvent::Paint && !painted_ && watched->isWidgetType()) {
            auto* view = qobject_cast<QAbstractItemView*>(static_cast<QWidget*>(watched)->parent());
            QDialog* dialog = QtRunningDialog();
            if (view != nullptr && dialog != nullptr && view->window() == dialog) {
                painted_ = true;
                QMetaObject::invokeMethod(
                    dialog,
                    [this, view, dialog] {
                        ProbeEnd();
                        *rows_ = view->model()->rowCount();
                        dialog->close();
                    },
                    Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    int* rows_;
    bool painted_ = false;
};

int ProbeStartUp(const std::vector<std::string>& arguments, std::string* detail) {
    if (arguments.size() != 4 || arguments[0] != "qt") {
        std::fprintf(stderr, "usage: quorvel_bench_probe_qt startup qt FOLDER DAY RECORDS\n");
        return 2;
    }
    const int day = std::atoi(arguments[2].c_str());
    const long records = std::atol(arguments[3].c_str());
    std::string failure;
    if (!MakeDeskInstallation(arguments[1], &failure) ||
        !MakeDeskDay(arguments[1], day, records, &failure)) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 1;
    }
    UseDeskInstallation(arguments[1], day);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(QuietMessages);
    int rows = -1;
    ProbeBegin();
    static char name[] = "quorvelp";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    QApplication app(argc, argv);
    QtSetUpApplication(app);
    ReadyWatch watch(&rows);
    app.installEventFilter(&watch);
    // Should the list never paint, the run ends after a minute instead of
    // holding up the table: every window is closed until the dialog returns.
    QTimer giveUp;
    QObject::connect(&giveUp, &QTimer::timeout, [&giveUp] {
        giveUp.setInterval(1000);
        QApplication::closeAllWindows();
    });
    giveUp.start(60000);
    {
        CQuorvelPDlg dialog;
        dialog.DoModal();
    }
    app.removeEventFilter(&watch);
    if (rows != records) {
        std::fprintf(stderr, "the dialog was not ready with the day's records\n");
        return 1;
    }
    *detail = std::to_string(rows) + " rows";
    return 0;
}

} // namespace

QUORVEL_PROBE_MODE("startup", ProbeStartUp)
