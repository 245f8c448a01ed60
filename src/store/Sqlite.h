#pragma once
// A thin layer over the SQLite C interface for the survey store: a handle
// that closes itself, prepared statements that finalise themselves, and one
// exception type that carries SQLite's result code and text. The store turns
// every such failure into one message at its own boundary; nothing above it
// sees an exception.

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sqlite {

class Error : public std::runtime_error {
public:
    Error(int code, const std::string& text) : std::runtime_error(text), m_code(code) {}
    int Code() const { return m_code; }
    int Primary() const { return m_code & 0xFF; }
    // The file is no database, or its pages do not hold together.
    bool Damaged() const { return Primary() == SQLITE_CORRUPT || Primary() == SQLITE_NOTADB; }

private:
    int m_code;
};

class Db {
public:
    Db() = default;
    ~Db() { Close(); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Opens (flags as sqlite3_open_v2; `vfs` null: the default one).
    void Open(const std::string& path, int flags, const char* vfs);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    sqlite3* Handle() const { return m_db; }

    void Exec(const char* sql);
    int64_t LastInsertId() const { return sqlite3_last_insert_rowid(m_db); }
    int Changes() const { return sqlite3_changes(m_db); }
    [[noreturn]] void Throw(int rc) const;

private:
    sqlite3* m_db = nullptr;
};

class Stmt {
public:
    Stmt(Db& db, const char* sql);
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& Bind(int i, int64_t v);
    Stmt& Bind(int i, double v);
    Stmt& Bind(int i, const std::string& v);
    Stmt& BindBlob(int i, const void* data, int n);
    Stmt& BindNull(int i);
    // True while a row is there; false when done. Throws on failure.
    bool Step();
    // Steps to the end (an INSERT, UPDATE or DELETE) and makes the statement
    // ready to run again.
    void Run();
    void Reset();

    int64_t Int(int col) const { return sqlite3_column_int64(m_stmt, col); }
    double Real(int col) const { return sqlite3_column_double(m_stmt, col); }
    bool IsNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    std::string Text(int col) const;
    std::vector<uint8_t> Blob(int col) const;

private:
    Db& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// One transaction: BEGIN IMMEDIATE at construction, COMMIT by Commit(),
// ROLLBACK when it is left without (an exception on the way).
class Transaction {
public:
    explicit Transaction(Db& db);
    ~Transaction();
    void Commit();

private:
    Db& m_db;
    bool m_open = true;
};

// The one value of a query of one row and column, or nothing.
std::optional<int64_t> QueryInt(Db& db, const char* sql);

}  // namespace sqlite
