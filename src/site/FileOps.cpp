#include "site/FileOps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

int PosixFileOps::Open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
int PosixFileOps::Stat(const char* path, struct stat* st) { return ::stat(path, st); }
int PosixFileOps::Fcntl(int fd, int cmd, int arg) { return ::fcntl(fd, cmd, arg); }
ssize_t PosixFileOps::PRead(int fd, void* dst, size_t n, off_t offset) {
    return ::pread(fd, dst, n, offset);
}
ssize_t PosixFileOps::PWrite(int fd, const void* src, size_t n, off_t offset) {
    return ::pwrite(fd, src, n, offset);
}
int PosixFileOps::Fstat(int fd, struct stat* st) { return ::fstat(fd, st); }
int PosixFileOps::Fchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int PosixFileOps::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int PosixFileOps::Fsync(int fd) { return ::fsync(fd); }
int PosixFileOps::Close(int fd) { return ::close(fd); }
int PosixFileOps::Rename(const char* from, const char* to) { return ::rename(from, to); }
int PosixFileOps::Unlink(const char* path) { return ::unlink(path); }

namespace {

std::string SystemText(int err) { return std::system_category().message(err); }

}  // namespace

std::string NotAFileText(mode_t mode) {
    if (S_ISDIR(mode)) return SystemText(EISDIR);
    if (S_ISFIFO(mode)) return "This is a named pipe (FIFO), not a file.";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "This is a device, not a file.";
    if (S_ISSOCK(mode)) return "This is a socket, not a file.";
    return "This is not a regular file.";
}

int OpenRegularFile(FileOps& ops, const char* path, int access, struct stat& st, std::string& why) {
    int fd = -1;
    const auto fail = [&](std::string text) {
        why = std::move(text);
        if (fd >= 0) ops.Close(fd);
        return -1;
    };
    if (ops.Stat(path, &st) != 0) return fail(SystemText(errno));
    if (!S_ISREG(st.st_mode)) return fail(NotAFileText(st.st_mode));
    fd = ops.Open(path, access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (fd < 0) return fail(SystemText(errno));
    if (ops.Fstat(fd, &st) != 0) return fail(SystemText(errno));
    if (!S_ISREG(st.st_mode)) return fail(NotAFileText(st.st_mode));
    // F_SETFL 0 clears O_NONBLOCK, the only status flag the open set.
    if (ops.Fcntl(fd, F_SETFL, 0) != 0) return fail(SystemText(errno));
    return fd;
}

int FaultyFileOps::Open(const char* path, int flags, mode_t mode) {
    if (++opens == failOpenAt) {
        errno = EACCES;
        return -1;
    }
    return PosixFileOps::Open(path, flags, mode);
}

ssize_t FaultyFileOps::PWrite(int fd, const void* src, size_t n, off_t offset) {
    if (++writes == failWriteAt) {
        errno = EIO;
        return -1;
    }
    if (spaceLeft >= 0) {
        if (spaceLeft == 0) {
            errno = ENOSPC;
            return -1;
        }
        if (static_cast<int64_t>(n) > spaceLeft) n = static_cast<size_t>(spaceLeft);
    }
    const ssize_t done = PosixFileOps::PWrite(fd, src, n, offset);
    if (done > 0 && spaceLeft >= 0) spaceLeft -= done;
    return done;
}

int FaultyFileOps::Fsync(int fd) {
    if (++fsyncs == failFsyncAt) {
        errno = EIO;
        return -1;
    }
    return PosixFileOps::Fsync(fd);
}

int FaultyFileOps::Close(int fd) {
    const int result = PosixFileOps::Close(fd);  // the descriptor is gone either way
    if (++closes == failCloseAt) {
        errno = EIO;
        return -1;
    }
    return result;
}

int FaultyFileOps::Rename(const char* from, const char* to) {
    if (++renames == failRenameAt) {
        errno = EXDEV;
        return -1;
    }
    return PosixFileOps::Rename(from, to);
}

int FaultyFileOps::Unlink(const char* path) {
    ++unlinks;
    return PosixFileOps::Unlink(path);
}
