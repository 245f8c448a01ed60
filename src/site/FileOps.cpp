#include "site/FileOps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int PosixFileOps::Open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
ssize_t PosixFileOps::PRead(int fd, void* dst, size_t n, off_t offset) {
    return ::pread(fd, dst, n, offset);
}
ssize_t PosixFileOps::PWrite(int fd, const void* src, size_t n, off_t offset) {
    return ::pwrite(fd, src, n, offset);
}
int PosixFileOps::Fstat(int fd, struct stat* st) { return ::fstat(fd, st); }
int PosixFileOps::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int PosixFileOps::Fsync(int fd) { return ::fsync(fd); }
int PosixFileOps::Close(int fd) { return ::close(fd); }
int PosixFileOps::Rename(const char* from, const char* to) { return ::rename(from, to); }
int PosixFileOps::Unlink(const char* path) { return ::unlink(path); }

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
