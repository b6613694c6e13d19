// Program entry of the Qt backend: the QApplication, then the application
// object's InitInstance. The program takes no command line; Qt's own options
// (-platform and the like) are still honoured.
#include "platform/qt/qt.h"
#include "platform/window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QtSetUpApplication(app);
    CWinApp* application = AfxGetApp();
    if (application == nullptr) {
        return 1;
    }
    // FALSE ends the program here, with the status the application gives;
    // TRUE asks for a message loop of our own.
    if (!application->InitInstance()) {
        return application->ExitInstance();
    }
    return QApplication::exec();
}
