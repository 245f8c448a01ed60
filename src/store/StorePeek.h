#pragma once
// A look at the survey store beside a site file, taken on Open's points
// thread while the plan is read and before the surveyor has answered Open's
// questions: the store opened as Open opens it, and its live file points
// read in one read transaction. Nothing is made, written or told: a store
// that is not there, not of this program's version, not in WAL mode or not
// readable gives no peek, and Open opens it itself as before.
//
// CSurveyStore::Opened takes the peek's connection, and its rows only while
// no other connection has committed to the store since (PRAGMA
// data_version changes with every such commit), so a peek never stands for
// a store that has changed under it.

#include <cstdint>
#include <memory>
#include <string>

#include "store/StorePoints.h"

namespace sqlite {
class Db;
}

struct StorePeek {
    StorePeek();
    ~StorePeek();
    StorePeek(const StorePeek&) = delete;
    StorePeek& operator=(const StorePeek&) = delete;

    std::string path;                // the store's file
    std::unique_ptr<sqlite::Db> db;  // null once Opened has taken it
    int64_t dataVersion = 0;         // PRAGMA data_version when `live` was read
    storepoints::LiveFilePoints live;
};

// The peek of the store beside `sitePath`, through the SQLite VFS `vfs`
// (empty: the default), or null. Safe on any thread; never throws.
std::unique_ptr<StorePeek> PeekStore(const std::string& sitePath, const std::string& vfs);
