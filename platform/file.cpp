// The text files of platform/file.h, the same on every system: opening with
// the sharing modes, writing a text whole or not at all, reading lines
// forwards and the last line backwards, error keeping and the failure seam.
// The system calls themselves are each system's (file_posix.cpp,
// file_win32.cpp, behind platform/file_system.h).
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct Failure {
    int error = 0;
    std::size_t written = 0;
    unsigned after = 0; // calls still let through before the failure
};

Failure g_failures[FILE_OP_COUNT];
std::uint64_t g_bytesRead = 0;

// The reads, each behind the seam and counted.

std::int64_t Counted(std::int64_t n) {
    if (n > 0) {
        g_bytesRead += static_cast<std::uint64_t>(n);
    }
    return n;
}

std::int64_t SysRead(int fd, char* buffer, std::size_t size) {
    return FileInjected(FILE_OP_READ) ? -1 : Counted(file_system::Read(fd, buffer, size));
}

std::int64_t SysReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset) {
    return FileInjected(FILE_OP_READ) ? -1 : Counted(file_system::ReadAt(fd, buffer, size, offset));
}

// The other calls behind the seam.

int SysOpen(const char* name, int access, bool create, bool exclusive) {
    return FileInjected(FILE_OP_OPEN) ? -1 : file_system::Open(name, access, create, exclusive);
}

// One write call. An injected failure lets its first bytes through, as a disk
// that fills up halfway through a write would.
std::int64_t SysWrite(int fd, const char* data, std::size_t size) {
    std::size_t through = 0;
    if (FileInjected(FILE_OP_WRITE, &through)) {
        const int error = errno;
        through = std::min(through, size);
        if (through > 0 && file_system::Write(fd, data, through) < 0) {
            return -1;
        }
        errno = error;
        return -1;
    }
    return file_system::Write(fd, data, size);
}

int SysSync(int fd) {
    return FileInjected(FILE_OP_FSYNC) ? -1 : file_system::Sync(fd);
}

// The descriptor is closed even when a failure is injected: it is gone
// afterwards whatever the system reports.
int SysClose(int fd) {
    const bool injected = FileInjected(FILE_OP_CLOSE);
    const int error = errno;
    const int r = file_system::Close(fd);
    if (injected) {
        errno = error;
        return -1;
    }
    return r;
}

} // namespace

bool FileInjected(FileOperation operation, std::size_t* written) {
    Failure& f = g_failures[operation];
    if (f.error == 0) {
        return false;
    }
    if (f.after > 0) {
        --f.after;
        return false;
    }
    errno = f.error;
    if (written != nullptr) {
        *written = f.written;
    }
    f = Failure{};
    return true;
}

void FileFailNext(FileOperation operation, int error, std::size_t written, unsigned after) {
    if (operation < 0 || operation >= FILE_OP_COUNT) {
        return;
    }
    g_failures[operation] = error != 0 ? Failure{error, written, after} : Failure{};
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

BOOL CFile::GetStatus(const char* fileName, CFileStatus& status) {
    std::int64_t size = 0;
    std::int64_t mtime = 0;
    if (fileName == nullptr ||
        !file_system::Stat(FileNameFromText(fileName).c_str(), &size, &mtime)) {
        return FALSE;
    }
    status.m_size = size;
    status.m_mtime = mtime;
    return TRUE;
}

BOOL CFile::Open(const char* fileName, UINT openFlags) {
    if (m_fd >= 0) {
        return Fail(EBUSY);
    }
    if (fileName == nullptr) {
        return Fail(EINVAL);
    }
    const UINT access = openFlags & 0x3;
    const UINT share = openFlags & 0x70;
    const bool exclusive = share == shareExclusive || share == 0x20 || share == 0x30;
    // Never truncating, even with modeCreate: see the header.
    const int fd = SysOpen(FileNameFromText(fileName).c_str(),
                           access == modeRead    ? 0
                           : access == modeWrite ? 1
                                                 : 2,
                           (openFlags & modeCreate) != 0, exclusive);
    if (fd < 0) {
        return Fail(errno);
    }
    m_fd = fd;
    m_aheadPos = m_aheadLen = 0;
    m_behindStart = m_behindEnd = 0;
    return Succeed();
}

BOOL CFile::Close() {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    const int fd = m_fd;
    m_fd = -1;
    m_aheadPos = m_aheadLen = 0;
    m_behindStart = m_behindEnd = 0;
    if (SysClose(fd) != 0) {
        return Fail(errno);
    }
    return Succeed();
}

std::int64_t CFile::GetLength() const {
    return m_fd >= 0 ? file_system::Length(m_fd) : -1;
}

std::int64_t CFile::SeekTo(std::int64_t offset, int whence) {
    if (m_fd < 0) {
        Fail(EBADF);
        return -1;
    }
    m_aheadPos = m_aheadLen = 0;
    const std::int64_t at = file_system::Seek(m_fd, offset, whence);
    if (at < 0) {
        Fail(errno);
        return -1;
    }
    Succeed();
    return at;
}

BOOL CFile::Fail(int error) {
    m_error = error != 0 ? error : EIO;
    return FALSE;
}

BOOL CFile::Succeed() {
    m_error = 0;
    return TRUE;
}

BOOL CFile::SeekToBegin() {
    return SeekTo(0, SEEK_SET) == 0;
}

std::int64_t CFile::SeekToEnd() {
    return SeekTo(0, SEEK_END);
}

std::int64_t CFile::GetPosition() {
    if (m_fd < 0) {
        Fail(EBADF);
        return -1;
    }
    const std::int64_t at = file_system::Seek(m_fd, 0, SEEK_CUR);
    if (at < 0) {
        Fail(errno);
        return -1;
    }
    return at - static_cast<std::int64_t>(m_aheadLen - m_aheadPos);
}

// CStdioFile.

BOOL CStdioFile::WriteString(const char* text) {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    const char* text8 = text != nullptr ? text : "";
    const std::size_t length = std::strlen(text8);
    std::string expanded; // each line feed as CR LF
    expanded.reserve(length + 2);
    for (std::size_t i = 0; i < length; ++i) {
        if (text8[i] == '\n') {
            expanded.push_back('\r');
        }
        expanded.push_back(text8[i]);
    }
    const char* bytes = expanded.data();
    const std::size_t size = expanded.size();
    m_aheadPos = m_aheadLen = 0; // the position moves to the end anyway
    m_behindStart = m_behindEnd = 0;
    const std::int64_t before = file_system::Seek(m_fd, 0, SEEK_END);
    if (before < 0) {
        return Fail(errno);
    }
    int error = 0;
    const std::int64_t n = SysWrite(m_fd, bytes, size);
    if (n < 0) {
        error = errno;
    } else if (static_cast<std::size_t>(n) != size) {
        error = ENOSPC;
    } else if (SysSync(m_fd) != 0) {
        error = errno;
    }
    if (error == 0) {
        return Succeed();
    }
    // Leave no part of the text behind. Should even this fail, the error of
    // the write is still the one reported.
    if (file_system::Truncate(m_fd, before) == 0) {
        file_system::Sync(m_fd);
    }
    file_system::Seek(m_fd, before, SEEK_SET);
    return Fail(error);
}

BOOL CStdioFile::ReadString(std::string& line) {
    line.clear();
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    bool any = false;          // a byte of this line (or its end) was seen
    bool crBefore = false;     // the last byte seen was a CR
    std::int64_t consumed = 0; // bytes of this line taken from the read-ahead
    for (;;) {
        if (m_aheadPos == m_aheadLen) {
            const std::int64_t n = SysRead(m_fd, m_ahead, readBlock);
            if (n < 0) {
                // Back to the line's start, so that reading can go on there.
                const int error = errno;
                m_aheadPos = m_aheadLen = 0;
                file_system::Seek(m_fd, -consumed, SEEK_CUR);
                line.clear();
                return Fail(error);
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
        consumed += stop - start;
        m_aheadPos = m_aheadLen;
    }
}

bool CStdioFile::LoadBehind(std::int64_t at) {
    if (at >= m_behindStart && at < m_behindEnd) {
        return true;
    }
    const std::int64_t end = at + 1;
    const std::int64_t start =
        std::max<std::int64_t>(0, end - static_cast<std::int64_t>(readBlock));
    const auto size = static_cast<std::size_t>(end - start);
    const std::int64_t n = SysReadAt(m_fd, m_behind, size, start);
    if (n != static_cast<std::int64_t>(size)) {
        m_behindStart = m_behindEnd = 0;
        Fail(n < 0 ? errno : EIO); // beyond the file, or it shrank under us
        return false;
    }
    m_behindStart = start;
    m_behindEnd = end;
    return true;
}

BOOL CStdioFile::ReadLineBefore(std::int64_t* end, std::string& line) {
    line.clear();
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    if (end == nullptr) {
        return Fail(EINVAL);
    }
    if (*end <= 0) {
        Succeed();
        return FALSE;
    }
    // [start, contentEnd) is the line without its LF, and without the CR
    // right before that LF.
    std::int64_t contentEnd = *end;
    if (!LoadBehind(contentEnd - 1)) {
        return FALSE;
    }
    if (m_behind[contentEnd - 1 - m_behindStart] == '\n') {
        --contentEnd;
        if (contentEnd > 0) {
            if (!LoadBehind(contentEnd - 1)) {
                return FALSE;
            }
            if (m_behind[contentEnd - 1 - m_behindStart] == '\r') {
                --contentEnd;
            }
        }
    }
    std::int64_t start = contentEnd;
    while (start > 0) {
        if (!LoadBehind(start - 1)) {
            return FALSE;
        }
        const char* first = m_behind;
        const char* p = m_behind + (start - m_behindStart);
        while (p != first && p[-1] != '\n') {
            --p;
        }
        start = m_behindStart + (p - first);
        if (p != first) {
            break; // the LF of the line before is at start - 1
        }
    }
    const std::int64_t keep =
        std::min<std::int64_t>(contentEnd - start, static_cast<std::int64_t>(maxLineLength));
    line.resize(static_cast<std::size_t>(keep));
    if (keep > 0 && start >= m_behindStart && start + keep <= m_behindEnd) {
        std::memcpy(line.data(), m_behind + (start - m_behindStart), line.size());
    } else if (keep > 0) {
        const std::int64_t n = SysReadAt(m_fd, line.data(), line.size(), start);
        if (n != keep) {
            line.clear();
            return Fail(n < 0 ? errno : EIO);
        }
    }
    *end = start;
    return Succeed();
}

BOOL CStdioFile::ReadLastLine(std::string& line) {
    line.clear();
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    std::int64_t end = GetLength();
    if (end < 0) {
        return Fail(errno);
    }
    while (ReadLineBefore(&end, line)) {
        if (!line.empty()) {
            return TRUE;
        }
    }
    return FALSE; // GetError() says whether it was the start of the file
}
