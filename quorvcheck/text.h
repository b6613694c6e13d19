// Text between the settings file's ISO-8859-1 and the administrator's
// terminal, which the checker takes to be UTF-8 whatever the locale: texts
// from the file are printed as UTF-8, and command-line arguments are read back
// into ISO-8859-1 the way a desk's window hands over what was typed.
#pragma once

#include <cstddef>
#include <string>

// text (ISO-8859-1, NUL-terminated; null as empty) as UTF-8 for printing.
// Control bytes cannot reach the terminal: TAB, LF and CR become \t, \n and
// \r, a backslash stays as it is, and the other bytes 00-1F and 7F-9F become
// \xHH (two upper-case hex digits).
std::string PrintableLatin1(const char* text);

// An argument as ISO-8859-1. Valid UTF-8 is decoded, with "?" in place of each
// character beyond U+00FF, as a desk's window does with a character it cannot
// hold; *replaced (may be null) tells whether that happened. Anything else
// (an argument typed on an ISO-8859-1 terminal) is taken byte for byte. Null
// is the empty text.
std::string ArgumentToLatin1(const char* argument, bool* replaced);

// Bytes that name a file (a path from the command line, already UTF-8 where
// the system gives another encoding) as UTF-8 for printing: valid UTF-8 is
// kept, its control characters escaped as PrintableLatin1 does; anything
// else is taken as ISO-8859-1 and printed with PrintableLatin1.
std::string PrintablePath(const std::string& bytes);

// Whether the size bytes at text hold at least one UTF-8 sequence of two or
// more bytes and every byte from 80 up belongs to such a valid sequence:
// text saved in UTF-8, which read as ISO-8859-1 shows "Ã©" for "é".
bool ReadsAsUtf8(const char* text, std::size_t size);
