#pragma once
// The survey store's schema, one step per version (docs/survey-store.md has
// every table). `PRAGMA user_version` says which steps a store has had: a
// newer program runs the missing ones in one transaction, an older one
// refuses a store of a version it does not know rather than misread it.

#include <cstdint>

namespace sqlite {
class Db;
}

namespace storeschema {

// The version this program writes and the last one it reads.
inline constexpr int64_t kVersion = 2;

// Brings an empty store or one of version `from` (0 < from < to) to version
// `to` (at most kVersion) inside the caller's transaction, and sets
// user_version. Tests stop at an older version to make an old store.
void Migrate(sqlite::Db& db, int64_t from, int64_t to);

// What every connection to a store is set to (its file keeps the WAL mode;
// these are the connection's own): full syncs, foreign keys, and how long
// it waits on another program's transaction.
void SetUpConnection(sqlite::Db& db);

}  // namespace storeschema
