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
int PosixFileOps::Lstat(const char* path, struct stat* st) { return ::lstat(path, st); }
int PosixFileOps::Fchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int PosixFileOps::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int PosixFileOps::Ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int PosixFileOps::Fsync(int fd) { return ::fsync(fd); }
int PosixFileOps::Fdatasync(int fd) { return ::fdatasync(fd); }
int PosixFileOps::Close(int fd) { return ::close(fd); }
int PosixFileOps::Rename(const char* from, const char* to) { return ::rename(from, to); }
int PosixFileOps::RenameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    if (::link(from, to) != 0) return -1;
    ::unlink(from);  // the file is in place under its new name either way
    return 0;
}
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
    const auto fail = [&](int err, std::string text) {
        why = std::move(text);
        if (fd >= 0) ops.Close(fd);
        errno = err;
        return -1;
    };
    const auto failed = [&] { return fail(errno, SystemText(errno)); };
    const auto notAFile = [&] {
        return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, NotAFileText(st.st_mode));
    };
    if (ops.Stat(path, &st) != 0) return failed();
    if (!S_ISREG(st.st_mode)) return notAFile();
    fd = ops.Open(path, access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (fd < 0) return failed();
    if (ops.Fstat(fd, &st) != 0) return failed();
    if (!S_ISREG(st.st_mode)) return notAFile();
    // F_SETFL 0 clears O_NONBLOCK, the only status flag the open set.
    if (ops.Fcntl(fd, F_SETFL, 0) != 0) return failed();
    return fd;
}

bool FaultyFileOps::Fault(const char* kind, int err, int* perKind, int failPerKindAt) {
    kinds.emplace_back(kind);
    const bool fail = perKind != nullptr && ++*perKind == failPerKindAt;
    if (++calls != failAnyAt && !fail) return false;
    errno = err;
    return true;
}

int FaultyFileOps::Open(const char* path, int flags, mode_t mode) {
    if (Fault("open", EACCES, &opens, failOpenAt)) return -1;
    return PosixFileOps::Open(path, flags, mode);
}

int FaultyFileOps::Stat(const char* path, struct stat* st) {
    if (Fault("stat", EIO)) return -1;
    return PosixFileOps::Stat(path, st);
}

int FaultyFileOps::Fcntl(int fd, int cmd, int arg) {
    if (Fault("fcntl", EINVAL)) return -1;
    return PosixFileOps::Fcntl(fd, cmd, arg);
}

ssize_t FaultyFileOps::PRead(int fd, void* dst, size_t n, off_t offset) {
    if (Fault("read", EIO)) return -1;
    return PosixFileOps::PRead(fd, dst, n, offset);
}

ssize_t FaultyFileOps::PWrite(int fd, const void* src, size_t n, off_t offset) {
    if (Fault("write", EIO, &writes, failWriteAt)) return -1;
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

int FaultyFileOps::Fstat(int fd, struct stat* st) {
    if (Fault("fstat", EIO)) return -1;
    return PosixFileOps::Fstat(fd, st);
}

int FaultyFileOps::Lstat(const char* path, struct stat* st) {
    if (Fault("lstat", EIO)) return -1;
    return PosixFileOps::Lstat(path, st);
}

int FaultyFileOps::Fchown(int fd, uid_t owner, gid_t group) {
    if (Fault("fchown", EPERM)) return -1;
    return PosixFileOps::Fchown(fd, owner, group);
}

int FaultyFileOps::Fchmod(int fd, mode_t mode) {
    if (Fault("fchmod", EPERM)) return -1;
    return PosixFileOps::Fchmod(fd, mode);
}

int FaultyFileOps::Ftruncate(int fd, off_t length) {
    if (Fault("ftruncate", EIO)) return -1;
    return PosixFileOps::Ftruncate(fd, length);
}

int FaultyFileOps::Fsync(int fd) {
    if (Fault("fsync", EIO, &fsyncs, failFsyncAt)) return -1;
    return PosixFileOps::Fsync(fd);
}

int FaultyFileOps::Fdatasync(int fd) {
    if (Fault("fdatasync", EIO, &fdatasyncs, failFdatasyncAt)) return -1;
    return PosixFileOps::Fdatasync(fd);
}

int FaultyFileOps::Close(int fd) {
    const int result = PosixFileOps::Close(fd);  // the descriptor is gone either way
    if (Fault("close", EIO, &closes, failCloseAt)) return -1;
    return result;
}

int FaultyFileOps::Rename(const char* from, const char* to) {
    if (Fault("rename", EXDEV, &renames, failRenameAt)) return -1;
    return PosixFileOps::Rename(from, to);
}

int FaultyFileOps::RenameNoReplace(const char* from, const char* to) {
    if (Fault("rename", EXDEV, &renames, failRenameAt)) return -1;
    return PosixFileOps::RenameNoReplace(from, to);
}

int FaultyFileOps::Unlink(const char* path) {
    if (Fault("unlink", EIO, &unlinks, 0)) return -1;
    return PosixFileOps::Unlink(path);
}

int SyncDirectory(FileOps& ops, const std::string& dir) {
    const int fd = ops.Open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return errno;
    const int err = ops.Fsync(fd) == 0 ? 0 : errno;
    ops.Close(fd);  // the flush is done or failed; closing changes nothing
    return err;
}

int PWriteAll(FileOps& ops, int fd, const uint8_t* data, uint64_t n, uint64_t offset,
              size_t chunk) {
    while (n > 0) {
        const size_t step = static_cast<size_t>(n < chunk ? n : chunk);
        const ssize_t done = ops.PWrite(fd, data, step, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) return errno;
        if (done == 0) return ENOSPC;
        data += done;
        n -= static_cast<uint64_t>(done);
        offset += static_cast<uint64_t>(done);
    }
    return 0;
}
