// Inside the text-file layer: the system calls that the shared part
// (platform/file.cpp) asks of each system's part (file_posix.cpp,
// file_win32.cpp), and the failure seam in front of them. Not for code
// outside platform/file*.cpp.
#pragma once

#include "platform/file.h"

#include <cstddef>
#include <cstdint>

// True, with errno set to the armed error, when a failure of operation is
// armed and the calls it lets through first have gone; it is disarmed as it
// is taken. *written (when given) gets how many
// bytes an armed write lets through first.
bool FileInjected(FileOperation operation, std::size_t* written = nullptr);

namespace file_system {

// Each call below is one system call (again while a signal interrupts it);
// failures are -1 with errno set, as the calls themselves report them. Names
// are the system's own (FileNameFromText has been applied). Every call sees
// the bytes as they are on disk: the shared part adds and drops the CR of a
// CR LF itself.

// Opens name for access 0 (read), 1 (write) or 2 (both), creating a missing
// file when create is set and never truncating. With exclusive set, another
// opening that is exclusive too is refused with EWOULDBLOCK. The descriptor
// is not inherited by child processes.
int Open(const char* name, int access, bool create, bool exclusive);

// The descriptor is gone afterwards whatever the result.
int Close(int fd);

// One read of up to size bytes at the descriptor's position. The count read,
// 0 at the end of the file.
std::int64_t Read(int fd, char* buffer, std::size_t size);

// Reads up to size bytes from offset on, and leaves the descriptor's position
// where it was. Same results as Read.
std::int64_t ReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset);

// One write of size bytes at the position; the count of bytes taken.
std::int64_t Write(int fd, const char* data, std::size_t size);

// Flushes what was written to the disk.
int Sync(int fd);

// Cuts the file to size bytes.
int Truncate(int fd, std::int64_t size);

// Moves the position; the new position.
std::int64_t Seek(int fd, std::int64_t offset, int whence);

// The size of the open file in bytes.
std::int64_t Length(int fd);

// Size and last change (seconds since 1970-01-01 00:00:00 UTC) of a named
// file; false when it cannot be looked at.
bool Stat(const char* name, std::int64_t* size, std::int64_t* mtime);

} // namespace file_system
