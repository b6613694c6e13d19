// The text files of platform/file.h on Windows: the run-time library's
// descriptors in the platform's text mode (a line feed written becomes CR LF,
// a CR LF read becomes a line feed, and a 1A byte ends what is read), the
// system's sharing modes for shareExclusive, _commit to flush a write to the
// disk and _chsize_s to cut a failed write back.
//
// platform/file.cpp, shared with the other systems, reads the lines.
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

namespace {

// Opens behind the seam. Another opening's sharing mode that keeps this one
// out is reported as EWOULDBLOCK, as the lock of the other systems is, not as
// the EACCES of a refused permission.
int SysOpen(const char* name, int flags, int share) {
    if (FileInjected(FILE_OP_OPEN)) {
        return -1;
    }
    int fd = -1;
    const errno_t error = _sopen_s(&fd, name, flags, share, _S_IREAD | _S_IWRITE);
    if (error == 0) {
        return fd;
    }
    const unsigned long system = _doserrno;
    errno =
        system == ERROR_SHARING_VIOLATION || system == ERROR_LOCK_VIOLATION ? EWOULDBLOCK : error;
    return -1;
}

// One write call, in text mode. An injected failure lets the first bytes of
// the text through, as a disk that fills up halfway through a write would.
int SysWrite(int fd, const char* data, unsigned size) {
    std::size_t through = 0;
    if (FileInjected(FILE_OP_WRITE, &through)) {
        const int error = errno;
        through = std::min<std::size_t>(through, size);
        if (through > 0 && _write(fd, data, static_cast<unsigned>(through)) < 0) {
            return -1;
        }
        errno = error;
        return -1;
    }
    return _write(fd, data, size);
}

int SysCommit(int fd) {
    return FileInjected(FILE_OP_FSYNC) ? -1 : _commit(fd);
}

// The descriptor is gone afterwards whatever the closing reports.
int SysClose(int fd) {
    const bool injected = FileInjected(FILE_OP_CLOSE);
    const int error = errno;
    const int r = _close(fd);
    if (injected) {
        errno = error;
        return -1;
    }
    return r;
}

unsigned ReadSize(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
}

} // namespace

namespace file_system {

const bool kTextMode = true;

std::int64_t Read(int fd, char* buffer, std::size_t size) {
    return _read(fd, buffer, ReadSize(size));
}

// The bytes as they are on disk: the descriptor leaves text mode for the
// read, and mode and position are put back afterwards.
std::int64_t ReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset) {
    const __int64 here = _telli64(fd);
    if (here < 0) {
        return -1;
    }
    const int mode = _setmode(fd, _O_BINARY);
    if (mode < 0) {
        return -1;
    }
    int n = -1;
    if (_lseeki64(fd, offset, SEEK_SET) >= 0) {
        n = _read(fd, buffer, ReadSize(size));
    }
    const int error = errno;
    _setmode(fd, mode);
    _lseeki64(fd, here, SEEK_SET);
    errno = error;
    return n;
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
    struct _stat64 st;
    if (fileName == nullptr || _stat64(fileName, &st) != 0) {
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
    int flags = _O_TEXT | _O_NOINHERIT;
    switch (openFlags & 0x3) {
    case modeRead:
        flags |= _O_RDONLY;
        break;
    case modeWrite:
        flags |= _O_WRONLY;
        break;
    default:
        flags |= _O_RDWR;
        break;
    }
    if (openFlags & modeCreate) {
        flags |= _O_CREAT; // never _O_TRUNC: see the header
    }
    const UINT share = openFlags & 0x70;
    const bool exclusive = share == shareExclusive || share == 0x20 || share == 0x30;
    const int fd = SysOpen(fileName, flags, exclusive ? _SH_DENYRW : _SH_DENYNO);
    if (fd < 0) {
        return Fail(errno);
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
    return m_fd >= 0 ? static_cast<std::int64_t>(_filelengthi64(m_fd)) : -1;
}

std::int64_t CFile::SeekTo(std::int64_t offset, int whence) {
    if (m_fd < 0) {
        Fail(EBADF);
        return -1;
    }
    m_aheadPos = m_aheadLen = 0;
    const __int64 at = _lseeki64(m_fd, offset, whence);
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
    const char* bytes = text != nullptr ? text : "";
    const std::size_t size = std::strlen(bytes);
    if (size > INT_MAX) {
        return Fail(EFBIG);
    }
    m_aheadPos = m_aheadLen = 0; // the position moves to the end anyway
    const __int64 before = _lseeki64(m_fd, 0, SEEK_END);
    if (before < 0) {
        return Fail(errno);
    }
    int error = 0;
    const int n = SysWrite(m_fd, bytes, static_cast<unsigned>(size));
    if (n < 0) {
        error = errno;
    } else if (static_cast<std::size_t>(n) != size) {
        error = ENOSPC;
    } else if (SysCommit(m_fd) != 0) {
        error = errno;
    }
    if (error == 0) {
        return Succeed();
    }
    // Leave no part of the text behind. Should even this fail, the error of
    // the write is still the one reported.
    if (_chsize_s(m_fd, before) == 0) {
        _commit(m_fd);
    }
    _lseeki64(m_fd, before, SEEK_SET);
    return Fail(error);
}
