#include "store/Sqlite.h"

namespace sqlite {

void Db::Open(const std::string& path, int flags, const char* vfs) {
    Close();
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, vfs);
    if (rc != SQLITE_OK) {
        const std::string text = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        Close();
        throw Error(rc, text);
    }
    sqlite3_extended_result_codes(m_db, 1);
}

void Db::Close() {
    if (m_db == nullptr) return;
    // Every statement is finalised by its owner before; close_v2 would keep
    // the handle alive behind one forgotten.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void Db::Exec(const char* sql) {
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Throw(rc);
}

void Db::Throw(int rc) const {
    const int code = m_db != nullptr ? sqlite3_extended_errcode(m_db) : rc;
    throw Error(code != 0 ? code : rc, m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
}

Stmt::Stmt(Db& db, const char* sql) : m_db(db) {
    const int rc = sqlite3_prepare_v2(db.Handle(), sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK) m_db.Throw(rc);
}

Stmt& Stmt::Bind(int i, int64_t v) {
    if (const int rc = sqlite3_bind_int64(m_stmt, i, v); rc != SQLITE_OK) m_db.Throw(rc);
    return *this;
}

Stmt& Stmt::Bind(int i, double v) {
    if (const int rc = sqlite3_bind_double(m_stmt, i, v); rc != SQLITE_OK) m_db.Throw(rc);
    return *this;
}

Stmt& Stmt::Bind(int i, const std::string& v) {
    const int rc =
        sqlite3_bind_text(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) m_db.Throw(rc);
    return *this;
}

Stmt& Stmt::BindBlob(int i, const void* data, int n) {
    if (const int rc = sqlite3_bind_blob(m_stmt, i, data, n, SQLITE_TRANSIENT); rc != SQLITE_OK)
        m_db.Throw(rc);
    return *this;
}

Stmt& Stmt::BindNull(int i) {
    if (const int rc = sqlite3_bind_null(m_stmt, i); rc != SQLITE_OK) m_db.Throw(rc);
    return *this;
}

bool Stmt::Step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(m_stmt);
    m_db.Throw(rc);
}

void Stmt::Run() {
    while (Step()) {
    }
    Reset();
}

void Stmt::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::string Stmt::Text(int col) const {
    const auto* p = sqlite3_column_text(m_stmt, col);
    return p != nullptr ? std::string(reinterpret_cast<const char*>(p),
                                      static_cast<size_t>(sqlite3_column_bytes(m_stmt, col)))
                        : std::string();
}

std::vector<uint8_t> Stmt::Blob(int col) const {
    const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(m_stmt, col));
    return p != nullptr ? std::vector<uint8_t>(p, p + sqlite3_column_bytes(m_stmt, col))
                        : std::vector<uint8_t>();
}

Transaction::Transaction(Db& db) : m_db(db) { m_db.Exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
    if (m_open) sqlite3_exec(m_db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
    m_db.Exec("COMMIT");
    m_open = false;
}

std::optional<int64_t> QueryInt(Db& db, const char* sql) {
    Stmt s(db, sql);
    if (!s.Step() || s.IsNull(0)) return std::nullopt;
    return s.Int(0);
}

}  // namespace sqlite
