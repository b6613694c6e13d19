// The text files of platform/file.h on POSIX systems: file descriptors, flock
// for the exclusive sharing mode and text mode done by hand (POSIX has none):
// a line feed is written as CR LF here, and the shared reading part drops a
// CR before a line feed.
//
// Windows has a text mode and sharing modes of its own and gets its own
// implementation (file_win32.cpp); platform/file.cpp is shared.
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs a system call again for as long as a signal interrupts it.
template <typename Call>
auto Retry(Call call) {
    auto r = call();
    while (r < 0 && errno == EINTR) {
        r = call();
    }
    return r;
}

// The system calls, each behind the seam. They return -1 with errno set on
// failure, as the calls themselves do.

int SysOpen(const char* name, int flags) {
    return FileInjected(FILE_OP_OPEN) ? -1 : Retry([&] { return ::open(name, flags, 0666); });
}

// One write call. An injected failure lets its first bytes through, as a disk
// that fills up halfway through a write would.
ssize_t SysWrite(int fd, const char* data, std::size_t size) {
    std::size_t through = 0;
    if (FileInjected(FILE_OP_WRITE, &through)) {
        const int error = errno;
        through = std::min(through, size);
        if (through > 0 && ::write(fd, data, through) < 0) {
            return -1;
        }
        errno = error;
        return -1;
    }
    return Retry([&] { return ::write(fd, data, size); });
}

int SysFsync(int fd) {
    return FileInjected(FILE_OP_FSYNC) ? -1 : Retry([&] { return ::fsync(fd); });
}

// The descriptor is gone afterwards whatever close reports (Linux releases it
// even on EINTR), so a close is never retried.
int SysClose(int fd) {
    const bool injected = FileInjected(FILE_OP_CLOSE);
    const int error = errno;
    const int r = ::close(fd);
    if (injected) {
        errno = error;
        return -1;
    }
    return r;
}

} // namespace

namespace file_system {

const bool kTextMode = false;

std::int64_t Read(int fd, char* buffer, std::size_t size) {
    return Retry([&] { return ::read(fd, buffer, size); });
}

std::int64_t ReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset) {
    return Retry([&] { return ::pread(fd, buffer, size, static_cast<off_t>(offset)); });
}

} // namespace file_system

// CFile.

CFile::~CFile() {
    if (m_fd >= 0) {
        SysClose(m_fd);
        m_fd = -1;
    }
}

BOOL CFile::GetStatus(const char* fileName, CFileStatus& status) {
    struct stat st;
    if (fileName == nullptr || ::stat(fileName, &st) != 0) {
        return FALSE;
    }
    status.m_size = static_cast<std::int64_t>(st.st_size);
    status.m_mtime = static_cast<std::int64_t>(st.st_mtime);
    return TRUE;
}

BOOL CFile::Open(const char* fileName, UINT openFlags) {
    if (m_fd >= 0) {
        return Fail(EBUSY);
    }
    if (fileName == nullptr) {
        return Fail(EINVAL);
    }
    int flags = O_CLOEXEC;
    switch (openFlags & 0x3) {
    case modeRead:
        flags |= O_RDONLY;
        break;
    case modeWrite:
        flags |= O_WRONLY;
        break;
    default:
        flags |= O_RDWR;
        break;
    }
    if (openFlags & modeCreate) {
        flags |= O_CREAT; // never O_TRUNC: see the header
    }
    const int fd = SysOpen(fileName, flags);
    if (fd < 0) {
        return Fail(errno);
    }
    const UINT share = openFlags & 0x70;
    if (share == shareExclusive || share == 0x20 || share == 0x30) {
        if (Retry([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
            const int error = errno;
            ::close(fd);
            return Fail(error);
        }
    }
    m_fd = fd;
    m_aheadPos = m_aheadLen = 0;
    return Succeed();
}

BOOL CFile::Close() {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    const int fd = m_fd;
    m_fd = -1;
    m_aheadPos = m_aheadLen = 0;
    if (SysClose(fd) != 0) {
        return Fail(errno);
    }
    return Succeed();
}

std::int64_t CFile::GetLength() const {
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t CFile::SeekTo(std::int64_t offset, int whence) {
    if (m_fd < 0) {
        Fail(EBADF);
        return -1;
    }
    m_aheadPos = m_aheadLen = 0;
    const off_t at = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (at < 0) {
        Fail(errno);
        return -1;
    }
    Succeed();
    return static_cast<std::int64_t>(at);
}

// CStdioFile.

BOOL CStdioFile::WriteString(const char* text) {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    std::string bytes;
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        if (*p == '\n') {
            bytes.push_back('\r');
        }
        bytes.push_back(*p);
    }
    m_aheadPos = m_aheadLen = 0; // the position moves to the end anyway
    const off_t before = ::lseek(m_fd, 0, SEEK_END);
    if (before < 0) {
        return Fail(errno);
    }
    int error = 0;
    const ssize_t n = SysWrite(m_fd, bytes.data(), bytes.size());
    if (n < 0) {
        error = errno;
    } else if (static_cast<std::size_t>(n) != bytes.size()) {
        error = ENOSPC;
    } else if (SysFsync(m_fd) != 0) {
        error = errno;
    }
    if (error == 0) {
        return Succeed();
    }
    // Leave no part of the text behind. Should even this fail, the error of
    // the write is still the one reported.
    if (::ftruncate(m_fd, before) == 0) {
        ::fsync(m_fd);
    }
    ::lseek(m_fd, before, SEEK_SET);
    return Fail(error);
}
