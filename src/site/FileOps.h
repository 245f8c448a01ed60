#pragma once
// The file calls that open a site file, save one or keep the survey journal,
// behind an interface, so that tests can make any one of them fail.
// PosixFileOps is the real thing; FaultyFileOps passes through to it and
// fails the Nth call of a kind, the Nth call of any kind, or runs out of
// space. Every call returns what its POSIX namesake returns and sets errno.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int Open(const char* path, int flags, mode_t mode) = 0;
    virtual int Stat(const char* path, struct stat* st) = 0;
    virtual int Fcntl(int fd, int cmd, int arg) = 0;
    virtual ssize_t PRead(int fd, void* dst, size_t n, off_t offset) = 0;
    virtual ssize_t PWrite(int fd, const void* src, size_t n, off_t offset) = 0;
    virtual int Fstat(int fd, struct stat* st) = 0;
    virtual int Fchown(int fd, uid_t owner, gid_t group) = 0;
    virtual int Lstat(const char* path, struct stat* st) = 0;
    virtual int Fchmod(int fd, mode_t mode) = 0;
    virtual int Ftruncate(int fd, off_t length) = 0;
    virtual int Fsync(int fd) = 0;
    virtual int Fdatasync(int fd) = 0;
    virtual int Close(int fd) = 0;
    virtual int Rename(const char* from, const char* to) = 0;
    // rename() that fails with EEXIST instead of replacing a file at `to`.
    virtual int RenameNoReplace(const char* from, const char* to) = 0;
    virtual int Unlink(const char* path) = 0;
};

class PosixFileOps : public FileOps {
public:
    int Open(const char* path, int flags, mode_t mode) override;
    int Stat(const char* path, struct stat* st) override;
    int Fcntl(int fd, int cmd, int arg) override;
    ssize_t PRead(int fd, void* dst, size_t n, off_t offset) override;
    ssize_t PWrite(int fd, const void* src, size_t n, off_t offset) override;
    int Fstat(int fd, struct stat* st) override;
    int Fchown(int fd, uid_t owner, gid_t group) override;
    int Lstat(const char* path, struct stat* st) override;
    int Fchmod(int fd, mode_t mode) override;
    int Ftruncate(int fd, off_t length) override;
    int Fsync(int fd) override;
    int Fdatasync(int fd) override;
    int Close(int fd) override;
    int Rename(const char* from, const char* to) override;
    // renameat2(RENAME_NOREPLACE); where the file system lacks it, a hard
    // link to the new name and the removal of the old one.
    int RenameNoReplace(const char* from, const char* to) override;
    int Unlink(const char* path) override;
};

// Opens `path` with `access` (O_RDONLY or O_RDWR) when it is a regular file,
// and never blocks: a FIFO would hold the caller in open() until some writer
// came, and a device is no file to read a site from (opening one can have
// effects of its own), so both are refused from stat() before they are
// opened. The open itself is non-blocking and checked again with fstat, in
// case the path changed in between; the descriptor returned blocks as usual.
// `st` receives the file's status. On failure returns -1 with errno set, and
// `why` says what is wrong: the system's text, or what the path names instead
// of a file.
[[nodiscard]] int OpenRegularFile(FileOps& ops, const char* path, int access, struct stat& st,
                                  std::string& why);
// What a path of this mode names instead of a regular file, for messages
// ("This is a device, not a file."); a directory gets the system's text.
std::string NotAFileText(mode_t mode);

// Calls are counted from 1 per kind; 0 means "never fail". `failAnyAt`
// counts every call of every kind together (`calls`, with the kind of each in
// `kinds`). `spaceLeft` is the number of bytes all writes together may still
// put down before they fail with ENOSPC (a write that crosses the limit is
// cut short first, as a full disk does).
class FaultyFileOps : public PosixFileOps {
public:
    int failOpenAt = 0;
    int failWriteAt = 0;
    int failFsyncAt = 0;
    int failFdatasyncAt = 0;
    int failCloseAt = 0;
    int failRenameAt = 0;
    int failAnyAt = 0;
    int64_t spaceLeft = -1;  // -1: unlimited

    int opens = 0, writes = 0, fsyncs = 0, fdatasyncs = 0, closes = 0, renames = 0, unlinks = 0;
    int calls = 0;
    std::vector<std::string> kinds;

    int Open(const char* path, int flags, mode_t mode) override;
    int Stat(const char* path, struct stat* st) override;
    int Fcntl(int fd, int cmd, int arg) override;
    ssize_t PRead(int fd, void* dst, size_t n, off_t offset) override;
    ssize_t PWrite(int fd, const void* src, size_t n, off_t offset) override;
    int Fstat(int fd, struct stat* st) override;
    int Lstat(const char* path, struct stat* st) override;
    int Fchown(int fd, uid_t owner, gid_t group) override;
    int Fchmod(int fd, mode_t mode) override;
    int Ftruncate(int fd, off_t length) override;
    int Fsync(int fd) override;
    int Fdatasync(int fd) override;
    int Close(int fd) override;
    int Rename(const char* from, const char* to) override;
    int RenameNoReplace(const char* from, const char* to) override;  // counted as a rename
    int Unlink(const char* path) override;

private:
    // Counts the call; true (errno set to `err`) when it is to fail.
    bool Fault(const char* kind, int err, int* perKind = nullptr, int failPerKindAt = 0);
};

// Writes all `n` bytes at `offset`, going on after short and interrupted
// writes, at most `chunk` bytes per call. 0, or the errno of the failing
// call (ENOSPC for a write that put down nothing).
[[nodiscard]] int PWriteAll(FileOps& ops, int fd, const uint8_t* data, uint64_t n, uint64_t offset,
                            size_t chunk = size_t{1} << 20);

// Flushes the directory `dir`, so that files created, renamed or removed in
// it stay so after a crash. 0, or the errno of the failing call.
[[nodiscard]] int SyncDirectory(FileOps& ops, const std::string& dir);
