// The part of the text files of platform/file.h that is the same on every
// system: reading lines forwards and the last line backwards, seeking to
// either end, error keeping and the failure seam. Opening, closing, writing
// and the system calls themselves are each system's (file_posix.cpp,
// file_win32.cpp, behind platform/file_system.h).
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>

namespace {

struct Failure {
    int error = 0;
    std::size_t written = 0;
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

} // namespace

bool FileInjected(FileOperation operation, std::size_t* written) {
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
            const std::int64_t n = SysRead(m_fd, m_ahead, readBlock);
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
            crBefore = *p == '\r' && !file_system::kTextMode;
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
            const std::int64_t n = SysReadAt(m_fd, block, size, blockStart);
            if (n != static_cast<std::int64_t>(size)) {
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
            const std::int64_t n = SysReadAt(m_fd, line.data(), line.size(), start);
            if (n != static_cast<std::int64_t>(line.size())) {
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
