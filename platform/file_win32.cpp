// The system calls of the text files on Windows: the run-time library's
// descriptors in binary mode, the system's sharing modes for the exclusive
// opening, _commit to flush a write to the disk and _chsize_s to cut a failed
// write back. File names go to the ANSI calls as the core spells them.
//
// Binary, not the library's text mode: text mode ends reading at a 1A byte
// and, in Microsoft's library, cuts a 1A that ends a file opened for reading
// and writing (wine's keeps it). The shared part does the CR LF work as on
// every other system, so a day's file reads the same everywhere.
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

namespace {

unsigned IoSize(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
}

} // namespace

std::string FileNameFromText(std::string_view text) {
    return std::string(text);
}

BOOL FileNameToText(std::string_view name, std::string* text) {
    text->assign(name);
    return TRUE;
}

namespace file_system {

// Another opening's sharing mode that keeps this one out is reported as
// EWOULDBLOCK, as the lock of the other systems is, not as the EACCES of a
// refused permission.
int Open(const char* name, int access, bool create, bool exclusive) {
    int flags = _O_BINARY | _O_NOINHERIT;
    flags |= access == 0 ? _O_RDONLY : access == 1 ? _O_WRONLY : _O_RDWR;
    if (create) {
        flags |= _O_CREAT;
    }
    int fd = -1;
    const errno_t error =
        _sopen_s(&fd, name, flags, exclusive ? _SH_DENYRW : _SH_DENYNO, _S_IREAD | _S_IWRITE);
    if (error == 0) {
        return fd;
    }
    const unsigned long system = _doserrno;
    errno =
        system == ERROR_SHARING_VIOLATION || system == ERROR_LOCK_VIOLATION ? EWOULDBLOCK : error;
    return -1;
}

int Close(int fd) {
    return _close(fd);
}

std::int64_t Read(int fd, char* buffer, std::size_t size) {
    return _read(fd, buffer, IoSize(size));
}

// The library has no pread: a seek there and back around one read.
std::int64_t ReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset) {
    const __int64 here = _telli64(fd);
    if (here < 0) {
        return -1;
    }
    int n = -1;
    if (_lseeki64(fd, offset, SEEK_SET) >= 0) {
        n = _read(fd, buffer, IoSize(size));
    }
    const int error = errno;
    _lseeki64(fd, here, SEEK_SET);
    errno = error;
    return n;
}

// A text the run-time library cannot take in one call is refused rather than
// cut.
std::int64_t Write(int fd, const char* data, std::size_t size) {
    if (size > INT_MAX) {
        errno = EFBIG;
        return -1;
    }
    return _write(fd, data, static_cast<unsigned>(size));
}

int Sync(int fd) {
    return _commit(fd);
}

int Truncate(int fd, std::int64_t size) {
    const errno_t error = _chsize_s(fd, size);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

std::int64_t Seek(int fd, std::int64_t offset, int whence) {
    return _lseeki64(fd, offset, whence);
}

std::int64_t Length(int fd) {
    return _filelengthi64(fd);
}

bool Stat(const char* name, std::int64_t* size, std::int64_t* mtime) {
    struct _stat64 st;
    if (_stat64(name, &st) != 0) {
        return false;
    }
    *size = static_cast<std::int64_t>(st.st_size);
    *mtime = static_cast<std::int64_t>(st.st_mtime);
    return true;
}

} // namespace file_system
