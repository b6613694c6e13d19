// Prints where the client area of a running program's window lies, for the
// scripts that click into it as a librarian would: its width and height and
// its offset from the window's top-left corner, in pixels.
//
//     client_area.exe QuorvelP     ->     782 540 3 22
//
// The window is the top-level window of that title (Windows compares titles
// without regard to case, so no other window of the name may be open).
// Exit status 0, or 1 when there is no such window.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    const HWND window = argc == 2 ? FindWindowA(nullptr, argv[1]) : nullptr;
    if (window == nullptr) {
        return 1;
    }
    RECT frame;
    RECT client;
    POINT origin{0, 0};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    ClientToScreen(window, &origin);
    std::printf("%ld %ld %ld %ld\n", client.right, client.bottom, origin.x - frame.left,
                origin.y - frame.top);
    return 0;
}
