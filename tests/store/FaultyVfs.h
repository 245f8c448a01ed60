#pragma once
// An SQLite VFS ("faulty") that passes every call to the default one and
// fails the Nth call that can fail (open, delete, access, read, write,
// truncate, sync, size, lock, mapping shared memory) with the error a disk gives.
// Counting goes on in every run, so a run without a fault tells how many
// calls a piece of work makes. Syncs are counted but skipped.

#include <cstdint>

namespace faultyvfs {

inline constexpr const char* kName = "faulty";
// Registers the VFS once (not as the default).
void Register();
// Fails call number `n` (from 1) from now on; 0: none. Resets the count.
void FailCall(int64_t n);
int64_t Calls();

}  // namespace faultyvfs
