#include "store/StorePeek.h"

#include "store/Sqlite.h"
#include "store/StoreBinding.h"
#include "store/StoreSchema.h"

StorePeek::StorePeek() = default;
StorePeek::~StorePeek() = default;

std::unique_ptr<StorePeek> PeekStore(const std::string& sitePath, const std::string& vfs) {
    try {
        auto peek = std::make_unique<StorePeek>();
        peek->path = StorePathFor(sitePath);
        peek->db = std::make_unique<sqlite::Db>();
        sqlite::Db& db = *peek->db;
        // Without SQLITE_OPEN_CREATE: a missing store is Open's to make.
        db.Open(peek->path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW,
                vfs.empty() ? nullptr : vfs.c_str());
        if (sqlite3_db_readonly(db.Handle(), "main") == 1) return nullptr;
        if (sqlite::QueryInt(db, "PRAGMA user_version").value_or(0) != storeschema::kVersion)
            return nullptr;  // to be migrated, or a newer program's: Open decides
        {
            sqlite::Stmt mode(db, "PRAGMA journal_mode");
            if (!mode.Step() || mode.Text(0) != "wal") return nullptr;
        }
        storeschema::SetUpConnection(db);
        db.Exec("BEGIN");
        storepoints::ReadMeta(db);  // a damaged page: Open sets the store aside
        peek->live = storepoints::ReadLiveFilePoints(db);
        peek->dataVersion = sqlite::QueryInt(db, "PRAGMA data_version").value_or(-1);
        db.Exec("COMMIT");
        return peek;
    } catch (...) {  // on the points thread: no peek, and Open finds why itself
        return nullptr;
    }
}
