// Inside the text-file layer: what the shared part (platform/file.cpp) asks
// of each system's part (file_posix.cpp, file_win32.cpp), and the failure
// seam that both go through. Not for code outside platform/file*.cpp.
#pragma once

#include "platform/file.h"

#include <cstddef>
#include <cstdint>

// True, with errno set to the armed error, when a failure of operation is
// armed; it is disarmed as it is taken. *written (when given) gets how many
// bytes an armed write lets through first.
bool FileInjected(FileOperation operation, std::size_t* written = nullptr);

namespace file_system {

// True when Read delivers text through the system's own text mode, where a
// CR LF already arrives as a line feed and every CR left is content; false
// when it delivers the bytes as they are and the shared part drops the CR of
// a CR LF itself.
extern const bool kTextMode;

// One read of up to size bytes at the descriptor's position, as the file was
// opened (on Windows: its text mode). The count read, 0 at the end of the
// file, -1 with errno set on failure.
std::int64_t Read(int fd, char* buffer, std::size_t size);

// Reads up to size bytes exactly as they are on disk, from offset on, and
// leaves the descriptor's position where it was. Same results as Read.
std::int64_t ReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset);

} // namespace file_system
