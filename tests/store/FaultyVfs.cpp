#include "FaultyVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace faultyvfs {
namespace {

std::atomic<int64_t> g_calls{0};
std::atomic<int64_t> g_failAt{0};
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;

bool Fails() { return ++g_calls == g_failAt.load(); }

struct File {
    sqlite3_file base;
    sqlite3_file* real;  // right behind this struct
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

int Close(sqlite3_file* f) {
    const int rc = Real(f)->pMethods->xClose(Real(f));
    return rc;
}
int Read(sqlite3_file* f, void* p, int n, sqlite3_int64 off) {
    return Fails() ? SQLITE_IOERR_READ : Real(f)->pMethods->xRead(Real(f), p, n, off);
}
int Write(sqlite3_file* f, const void* p, int n, sqlite3_int64 off) {
    return Fails() ? SQLITE_FULL : Real(f)->pMethods->xWrite(Real(f), p, n, off);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    return Fails() ? SQLITE_IOERR_TRUNCATE : Real(f)->pMethods->xTruncate(Real(f), size);
}
// A sync is counted and can fail, but never waits for the disk: these tests
// are about failures, and a thousand runs of flushes would take minutes.
int Sync(sqlite3_file*, int) { return Fails() ? SQLITE_IOERR_FSYNC : SQLITE_OK; }
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
    return Fails() ? SQLITE_IOERR_FSTAT : Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level) {
    return Fails() ? SQLITE_IOERR_LOCK : Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReserved(sqlite3_file* f, int* out) {
    return Fails() ? SQLITE_IOERR_CHECKRESERVEDLOCK
                   : Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
    return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceChars(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
int ShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** pp) {
    return Fails() ? SQLITE_IOERR_SHMMAP
                   : Real(f)->pMethods->xShmMap(Real(f), page, size, extend, pp);
}
// Locks of the shared memory are the process's own business, not the
// disk's (SQLite waits ten seconds for one that fails before it gives up).
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int del) { return Real(f)->pMethods->xShmUnmap(Real(f), del); }
// Memory mapping is left out (version 2 methods): every read goes through Read.

const sqlite3_io_methods kMethods = {2,           Close,      Read,        Write,  Truncate,
                                     Sync,        FileSize,   Lock,        Unlock, CheckReserved,
                                     FileControl, SectorSize, DeviceChars, ShmMap, ShmLock,
                                     ShmBarrier,  ShmUnmap,   nullptr,     nullptr};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    File* file = reinterpret_cast<File*>(f);
    file->base.pMethods = nullptr;
    if (Fails()) return SQLITE_CANTOPEN;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    if (rc == SQLITE_OK)
        file->base.pMethods = &kMethods;
    else if (file->real->pMethods != nullptr)
        file->real->pMethods->xClose(file->real);
    return rc;
}
int Delete(sqlite3_vfs*, const char* name, int syncDir) {
    return Fails() ? SQLITE_IOERR_DELETE : g_real->xDelete(g_real, name, syncDir);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
    return Fails() ? SQLITE_IOERR_ACCESS : g_real->xAccess(g_real, name, flags, out);
}
int FullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
    return g_real->xFullPathname(g_real, name, n, out);
}

}  // namespace

void Register() {
    if (g_real != nullptr) return;
    g_real = sqlite3_vfs_find(nullptr);
    std::memcpy(&g_vfs, g_real, sizeof g_vfs);
    g_vfs.iVersion = 1;  // no system-call overrides
    g_vfs.szOsFile = static_cast<int>(sizeof(File)) + g_real->szOsFile;
    g_vfs.pNext = nullptr;
    g_vfs.zName = kName;
    g_vfs.xOpen = Open;
    g_vfs.xDelete = Delete;
    g_vfs.xAccess = Access;
    g_vfs.xFullPathname = FullPathname;
    sqlite3_vfs_register(&g_vfs, 0);
}

void FailCall(int64_t n) {
    g_calls = 0;
    g_failAt = n;
}

int64_t Calls() { return g_calls.load(); }

}  // namespace faultyvfs
