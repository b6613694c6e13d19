// What quorvcheck asks of the system it runs on: who may write a folder, how
// text from the command line reads as UTF-8, and how UTF-8 reaches a console.
// One implementation per system (system_posix.cpp, system_win32.cpp), picked
// by the build; nothing else in the checker knows which system it is on.
#pragma once

#include <ostream>
#include <string>

// A work area as the account running the checker finds it.
struct FolderState {
    bool exists = false;   // something is there under that name
    bool isFolder = false; // and it is a folder
    // 1 when the account may create and write files in it, 0 when it may
    // not, -1 when the system could not tell.
    int writable = -1;
    // Whether the account may write every folder whatever its permissions
    // (root on POSIX), so that writable says nothing about a librarian's.
    bool privileged = false;
    std::string account; // the account's name, as the system gives it
    // POSIX: "owner root, group quorvel, mode 2770 (rwxrws---)"; empty
    // where the system has no such bits (Windows).
    std::string permissions;
    // Why the account may not write it, when the permissions tell
    // ("anna is not in group quorvel"); empty otherwise.
    std::string why;
};

// Looks at path (the name in the system's encoding, FileNameFromText of a
// work area) without changing anything.
FolderState InspectFolder(const std::string& path);

// A path or other text from the command line as UTF-8 for printing: on
// Windows it arrives in the ANSI code page and is converted; elsewhere it is
// passed on as it is (PrintablePath deals with bytes that are not UTF-8).
std::string CommandLineToUtf8(const std::string& text);

// The program's standard output and error for UTF-8 text. On a Windows
// console the text is handed over as wide characters, so that it reads
// correctly whatever the console's code page; a file or a pipe, and every
// other system, get the UTF-8 bytes unchanged.
std::ostream& StandardOutput();
std::ostream& StandardError();
// Hands over whatever the two still hold; call before the program ends.
void FlushStandardStreams();
