// The text files of platform/file.h on POSIX systems: file descriptors, flock
// for the exclusive sharing mode, text mode done by hand (POSIX has none), and
// the failure seam that stands between the layer and the system calls.
//
// Windows has a text mode and sharing modes of its own and gets its own
// implementation of the same header.
#include "platform/file.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Failure {
    int error = 0;
    std::size_t written = 0;
};

Failure g_failures[FILE_OP_COUNT];
std::uint64_t g_bytesRead = 0;

// True, with errno set to the armed error, when a failure of operation is
// armed; it is disarmed as it is taken.
bool Injected(FileOperation operation, std::size_t* written = nullptr) {
    Failure& f = g_failures[operation];
    if (f.error == 0) {
        return false;
    }
    errno = f.error;
    if (written != nullptr) {
        *written = f.written;
    }
    f = Failure{};
    return true;
}

// Runs a system call again for as long as a signal interrupts it.
template <typename Call>
auto Retry(Call call) {
    auto r = call();
    while (r < 0 && errno == EINTR) {
        r = call();
    }
    return r;
}

ssize_t Counted(ssize_t n) {
    if (n > 0) {
        g_bytesRead += static_cast<std::uint64_t>(n);
    }
    return n;
}

// The system calls, each behind the seam. They return -1 with errno set on
// failure, as the calls themselves do.

int SysOpen(const char* name, int flags) {
    return Injected(FILE_OP_OPEN) ? -1 : Retry([&] { return ::open(name, flags, 0666); });
}

ssize_t SysRead(int fd, char* buffer, std::size_t size) {
    return Injected(FILE_OP_READ) ? -1 : Counted(Retry([&] { return ::read(fd, buffer, size); }));
}

ssize_t SysReadAt(int fd, char* buffer, std::size_t size, off_t offset) {
    return Injected(FILE_OP_READ)
               ? -1
               : Counted(Retry([&] { return ::pread(fd, buffer, size, offset); }));
}

// One write call. An injected failure lets its first bytes through, as a disk
// that fills up halfway through a write would.
ssize_t SysWrite(int fd, const char* data, std::size_t size) {
    std::size_t through = 0;
    if (Injected(FILE_OP_WRITE, &through)) {
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
    return Injected(FILE_OP_FSYNC) ? -1 : Retry([&] { return ::fsync(fd); });
}

// The descriptor is gone afterwards whatever close reports (Linux releases it
// even on EINTR), so a close is never retried.
int SysClose(int fd) {
    const bool injected = Injected(FILE_OP_CLOSE);
    const int error = errno;
    const int r = ::close(fd);
    if (injected) {
        errno = error;
        return -1;
    }
    return r;
}

} // namespace

void FileFailNext(FileOperation operation, int error, std::size_t written) {
    if (operation < 0 || operation >= FILE_OP_COUNT) {
        return;
    }
    g_failures[operation] = Failure{error, error != 0 ? written : 0};
}

void FileClearFailures() {
    for (Failure& f : g_failures) {
        f = Failure{};
    }
}

std::uint64_t FileBytesRead() {
    return g_bytesRead;
}

// CFile.

CFile::~CFile() {
    if (m_fd >= 0) {
        SysClose(m_fd);
        m_fd = -1;
    }
}

BOOL CFile::Fail(int error) {
    m_error = error != 0 ? error : EIO;
    return FALSE;
}

BOOL CFile::Succeed() {
    m_error = 0;
    return TRUE;
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

BOOL CFile::SeekToBegin() {
    return SeekTo(0, SEEK_SET) == 0;
}

std::int64_t CFile::SeekToEnd() {
    return SeekTo(0, SEEK_END);
}

// CStdioFile.

BOOL CStdioFile::ReadString(std::string& line) {
    line.clear();
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    bool any = false;      // a byte of this line (or its end) was seen
    bool crBefore = false; // the last byte seen was a CR
    for (;;) {
        if (m_aheadPos == m_aheadLen) {
            const ssize_t n = SysRead(m_fd, m_ahead, readBlock);
            if (n < 0) {
                m_aheadPos = m_aheadLen = 0;
                line.clear();
                return Fail(errno);
            }
            m_aheadPos = 0;
            m_aheadLen = static_cast<std::size_t>(n);
            if (n == 0) {
                // End of the file: a last line without its line end.
                if (crBefore && line.size() < maxLineLength) {
                    line.push_back('\r');
                }
                Succeed();
                return any ? TRUE : FALSE;
            }
        }
        // A CR is held back until the next byte shows whether it ends the line.
        const char* start = m_ahead + m_aheadPos;
        const char* stop = m_ahead + m_aheadLen;
        const char* lf = std::find(start, stop, '\n');
        any = true;
        for (const char* p = start; p != lf; ++p) {
            if (crBefore && line.size() < maxLineLength) {
                line.push_back('\r');
            }
            crBefore = *p == '\r';
            if (!crBefore && line.size() < maxLineLength) {
                line.push_back(*p);
            }
        }
        if (lf != stop) {
            m_aheadPos = static_cast<std::size_t>(lf + 1 - m_ahead);
            return Succeed();
        }
        m_aheadPos = m_aheadLen;
    }
}

BOOL CStdioFile::ReadLastLine(std::string& line) {
    line.clear();
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    const std::int64_t length = GetLength();
    if (length < 0) {
        return Fail(errno);
    }
    char block[readBlock];
    std::int64_t blockStart = 0; // block holds bytes [blockStart, blockEnd)
    std::int64_t blockEnd = 0;
    // The byte at offset `at`, reading the block that ends right after it
    // when it is not in hand. Bytes are asked for from the end backwards.
    auto byteAt = [&](std::int64_t at, char* byte) -> bool {
        if (at < blockStart || at >= blockEnd) {
            blockEnd = at + 1;
            blockStart = std::max<std::int64_t>(0, blockEnd - static_cast<std::int64_t>(readBlock));
            const auto size = static_cast<std::size_t>(blockEnd - blockStart);
            const ssize_t n = SysReadAt(m_fd, block, size, static_cast<off_t>(blockStart));
            if (n != static_cast<ssize_t>(size)) {
                blockStart = blockEnd = 0;
                Fail(n < 0 ? errno : EIO); // the file shrank under us
                return false;
            }
        }
        *byte = block[at - blockStart];
        return true;
    };

    // Lines from the last one backwards: [start, stop) is a line without its
    // LF, `ended` when an LF follows it (so a CR before that LF is no content).
    std::int64_t stop = length;
    bool ended = false;
    while (stop > 0 || ended) {
        std::int64_t start = stop;
        char byte = 0;
        while (start > 0) {
            if (!byteAt(start - 1, &byte)) {
                return FALSE;
            }
            if (byte == '\n') {
                break;
            }
            --start;
        }
        std::int64_t contentEnd = stop;
        if (ended && contentEnd > start) {
            if (!byteAt(contentEnd - 1, &byte)) {
                return FALSE;
            }
            if (byte == '\r') {
                --contentEnd;
            }
        }
        if (contentEnd > start) {
            const std::int64_t keep = std::min<std::int64_t>(
                contentEnd - start, static_cast<std::int64_t>(maxLineLength));
            line.resize(static_cast<std::size_t>(keep));
            const ssize_t n = SysReadAt(m_fd, line.data(), line.size(), static_cast<off_t>(start));
            if (n != static_cast<ssize_t>(line.size())) {
                line.clear();
                return Fail(n < 0 ? errno : EIO);
            }
            return Succeed();
        }
        if (start == 0) {
            break;
        }
        stop = start - 1; // the LF that ends the line before
        ended = true;
    }
    Succeed();
    return FALSE;
}

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
