// Program entry of the Windows backend: the application object's
// InitInstance and, when it asks for one, a message loop until the program
// is told to quit. The program takes no command line.
#include "platform/window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CWinApp* application = AfxGetApp();
    if (application == nullptr) {
        return 1;
    }
    // FALSE ends the program here, with the status the application gives;
    // TRUE asks for a message loop of our own.
    if (!application->InitInstance()) {
        return application->ExitInstance();
    }
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
