// The system calls of the text files on POSIX systems: file descriptors, and
// flock for the exclusive sharing mode; and file names between the core's
// ISO-8859-1 and UTF-8, the file system's encoding here.
#include "platform/file_system.h"

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

} // namespace

std::string FileNameFromText(std::string_view text) {
    std::string name;
    name.reserve(text.size() + text.size() / 4);
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            name.push_back(c);
        } else {
            name.push_back(static_cast<char>(0xC0 | code >> 6));
            name.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return name;
}

BOOL FileNameToText(std::string_view name, std::string* text) {
    text->clear();
    BOOL whole = TRUE;
    for (std::size_t i = 0; i < name.size();) {
        const auto lead = static_cast<unsigned char>(name[i]);
        if (lead < 0x80) {
            text->push_back(name[i]);
            ++i;
            continue;
        }
        // The sequence's length from its lead byte; 0 for a byte that cannot
        // lead one (a continuation byte, C0 and C1, F5 to FF).
        const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        std::size_t n = 1;
        while (length > 0 && n < length && i + n < name.size() &&
               (static_cast<unsigned char>(name[i + n]) & 0xC0) == 0x80) {
            ++n;
        }
        // Only a whole two-byte sequence can stand for U+0080 to U+00FF (leads
        // C2 and C3); anything else is a '?', one per character or stray byte.
        if (n == length && length == 2 && lead <= 0xC3) {
            text->push_back(static_cast<char>((lead & 0x03) << 6 | (name[i + 1] & 0x3F)));
        } else {
            text->push_back('?');
            whole = FALSE;
        }
        i += n == length ? n : 1;
    }
    return whole;
}

namespace file_system {

int Open(const char* name, int access, bool create, bool exclusive) {
    int flags = O_CLOEXEC;
    flags |= access == 0 ? O_RDONLY : access == 1 ? O_WRONLY : O_RDWR;
    if (create) {
        flags |= O_CREAT;
    }
    const int fd = Retry([&] { return ::open(name, flags, 0666); });
    if (fd < 0 || !exclusive) {
        return fd;
    }
    if (Retry([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Linux releases the descriptor even on EINTR, so a close is never retried.
int Close(int fd) {
    return ::close(fd);
}

std::int64_t Read(int fd, char* buffer, std::size_t size) {
    return Retry([&] { return ::read(fd, buffer, size); });
}

std::int64_t ReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset) {
    return Retry([&] { return ::pread(fd, buffer, size, static_cast<off_t>(offset)); });
}

std::int64_t Write(int fd, const char* data, std::size_t size) {
    return Retry([&] { return ::write(fd, data, size); });
}

int Sync(int fd) {
    return Retry([&] { return ::fsync(fd); });
}

int Truncate(int fd, std::int64_t size) {
    return Retry([&] { return ::ftruncate(fd, static_cast<off_t>(size)); });
}

std::int64_t Seek(int fd, std::int64_t offset, int whence) {
    return ::lseek(fd, static_cast<off_t>(offset), whence);
}

std::int64_t Length(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool Stat(const char* name, std::int64_t* size, std::int64_t* mtime) {
    struct stat st;
    if (::stat(name, &st) != 0) {
        return false;
    }
    *size = static_cast<std::int64_t>(st.st_size);
    *mtime = static_cast<std::int64_t>(st.st_mtime);
    return true;
}

} // namespace file_system
