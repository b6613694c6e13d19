// Prints where the client area of a running program's window lies, for the
// scripts that click into it as a librarian would: its width and height and
// its offset from the window's top-left corner, in pixels.
//
//     client_area.exe QuorvelP     ->     782 540 3 22
//
// The window is the visible top-level window whose title is exactly the
// argument. Exit status 0; 1 when there is no such window; 2 for a wrong
// command line.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

struct Search {
    const char* title;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<Search*>(search);
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    if (IsWindowVisible(window) != FALSE && std::strcmp(title, s->title) == 0) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: client_area TITLE\n");
        return 2;
    }
    Search search{argv[1], nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
        return 1;
    }
    RECT window;
    RECT client;
    POINT origin{0, 0};
    GetWindowRect(search.found, &window);
    GetClientRect(search.found, &client);
    ClientToScreen(search.found, &origin);
    std::printf("%ld %ld %ld %ld\n", client.right, client.bottom, origin.x - window.left,
                origin.y - window.top);
    return 0;
}
