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

// A method of the real file behind `f`; with an error, the call counts
// and fails with it when its turn comes.
template <auto Method, int Error = SQLITE_OK, class... A>
int Pass(sqlite3_file* f, A... a) {
    if (Error != SQLITE_OK && Fails()) return Error;
    return (Real(f)->pMethods->*Method)(Real(f), a...);
}
// A sync is counted and can fail, but never waits for the disk: these tests
// are about failures, and a thousand runs of flushes would take minutes.
int Sync(sqlite3_file*, int) { return Fails() ? SQLITE_IOERR_FSYNC : SQLITE_OK; }
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }

using M = sqlite3_io_methods;
// Locks of the shared memory are the process's own business, not the
// disk's (SQLite waits ten seconds for one that fails before it gives up).
// Memory mapping is left out (version 2 methods): every read goes through xRead.
// clang-format off
const sqlite3_io_methods kMethods = {
    2, Pass<&M::xClose>, Pass<&M::xRead, SQLITE_IOERR_READ>, Pass<&M::xWrite, SQLITE_FULL>,
    Pass<&M::xTruncate, SQLITE_IOERR_TRUNCATE>, Sync, Pass<&M::xFileSize, SQLITE_IOERR_FSTAT>,
    Pass<&M::xLock, SQLITE_IOERR_LOCK>, Pass<&M::xUnlock>,
    Pass<&M::xCheckReservedLock, SQLITE_IOERR_CHECKRESERVEDLOCK>, Pass<&M::xFileControl>,
    Pass<&M::xSectorSize>, Pass<&M::xDeviceCharacteristics>,
    Pass<&M::xShmMap, SQLITE_IOERR_SHMMAP>, Pass<&M::xShmLock>, ShmBarrier, Pass<&M::xShmUnmap>,
    nullptr, nullptr};
// clang-format on

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
