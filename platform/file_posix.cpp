// The system calls of the text files on POSIX systems: file descriptors, and
// flock for the exclusive sharing mode. POSIX has no text mode, so the shared
// part (platform/file.cpp) writes CR LF and drops the CR of a CR LF itself.
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

namespace file_system {

const bool kTextMode = false;

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
