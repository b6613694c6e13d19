// Opens a day's file as a desk does, in a process of its own, for the text
// file tests: exit status 0 when another opening holds it, 1 when it could be
// opened (and closed), 2 for anything else.
#include "platform/file.h"

#include <cerrno>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    CStdioFile file;
    if (file.Open(argv[1], CFile::modeReadWrite | CFile::shareExclusive | CFile::modeNoTruncate)) {
        return file.Close() ? 1 : 2;
    }
    return file.GetError() == EWOULDBLOCK ? 0 : 2;
}
