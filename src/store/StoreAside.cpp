#include "store/StoreAside.h"

#include <sys/stat.h>

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

bool StoreIsThere(const std::string& storePath) {
    return Exists(storePath) || Exists(storePath + "-wal");
}

JournalStatus SetStoreAside(const std::string& storePath, time_t now, std::string& aside) {
    PosixFileOps ops;
    // A log without its store would be read into the next one made there.
    if (!Exists(storePath)) return SetJournalAside(ops, storePath + "-wal", now, &aside);
    const JournalStatus moved = SetJournalAside(ops, storePath, now, &aside);
    if (!moved.ok) return moved;
    for (const char* suffix : {"-wal", "-shm"})
        if (Exists(storePath + suffix))
            ops.Rename((storePath + suffix).c_str(), (aside + suffix).c_str());
    return moved;
}
