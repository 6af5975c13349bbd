#pragma once

// The benchmark databases, written with the sqlite3 C API: `tables` tables of ten columns, each
// with one or two foreign keys to other tables and one index; and a large file, a few such tables
// beside one table of blobs. Also the counts that check a reading against SQLite's own answer.

#include "model/DatabaseSchema.h"

#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace ketterly::bench {

namespace detail {

inline void run(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    std::string error = message ? message : "";
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        throw std::runtime_error(error);
}

class Database {
  public:
    Database(const std::string& path, int flags) {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            throw std::runtime_error("cannot open " + path);
        }
    }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database() { sqlite3_close(db_); }
    sqlite3* get() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

// Table i points at tables 7i+1 and (even i) 13i+5, modulo the count: never at itself, as both
// distances stay odd while the count is even.
inline std::string tablesSql(int tables) {
    std::string sql;
    for (int i = 0; i < tables; ++i) {
        const std::string name = "table_" + std::to_string(i);
        sql +=
            "CREATE TABLE " + name +
            " (id INTEGER PRIMARY KEY, name TEXT NOT NULL, code VARCHAR(20), amount REAL,"
            " created_at DATETIME DEFAULT CURRENT_TIMESTAMP, note TEXT, flag BOOLEAN DEFAULT 0, payload BLOB";
        sql += ", ref_a INTEGER REFERENCES table_" + std::to_string((i * 7 + 1) % tables) + "(id)";
        if (i % 2 == 0)
            sql += ", ref_b INTEGER REFERENCES table_" + std::to_string((i * 13 + 5) % tables) + "(id)";
        else
            sql += ", extra INTEGER";
        sql += ");CREATE INDEX idx_" + name + " ON " + name + "(code);";
    }
    return sql;
}

} // namespace detail

inline void writeGeneratedDatabase(const std::string& path, int tables) {
    if (tables < 2 || tables % 2 != 0)
        throw std::invalid_argument("the generated schema needs an even number of tables");
    std::remove(path.c_str());
    detail::Database db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    detail::run(db.get(), "BEGIN;" + detail::tablesSql(tables) + "COMMIT;");
}

// A database of about `mebibytes` MiB: a ten-table schema and the table `blobs`, one row of a
// zero-filled MiB per MiB. SQLite writes the zeros out page by page, so the file really is that
// large; it is synced before returning so that writeback does not run into the timings.
inline void writeLargeDatabase(const std::string& path, int mebibytes) {
    std::remove(path.c_str());
    {
        detail::Database db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        const std::string rows = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                 std::to_string(mebibytes) + ")";
        detail::run(db.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;" +
                                  detail::tablesSql(10) +
                                  "CREATE TABLE blobs (id INTEGER PRIMARY KEY, data BLOB NOT NULL);" + rows +
                                  " INSERT INTO blobs (data) SELECT zeroblob(1048576) FROM n; COMMIT;");
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        throw std::runtime_error("cannot sync " + path);
}

// What a reading of the schema must find.
struct SchemaCounts {
    long long tables = 0;
    long long columns = 0;
    long long foreignKeys = 0;
    long long indexes = 0;
    long long indexColumns = 0;
    bool operator==(const SchemaCounts&) const = default;
};

inline SchemaCounts countsOf(const std::vector<TableSchema>& tables) {
    SchemaCounts counts;
    counts.tables = static_cast<long long>(tables.size());
    for (const auto& table : tables) {
        counts.columns += static_cast<long long>(table.columns.size());
        counts.foreignKeys += static_cast<long long>(table.foreignKeys.size());
        counts.indexes += static_cast<long long>(table.indexes.size());
        for (const auto& index : table.indexes)
            counts.indexColumns += static_cast<long long>(index.columns.size());
    }
    return counts;
}

// SQLite's own answer, from its pragma functions in a single query.
inline SchemaCounts countsInDatabase(const std::string& path) {
    detail::Database db(path, SQLITE_OPEN_READONLY);
    static const char* const sql =
        "WITH t(name) AS (SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%')"
        " SELECT (SELECT count(*) FROM t),"
        " (SELECT count(*) FROM t, pragma_table_xinfo(t.name)),"
        " (SELECT count(DISTINCT t.name || '/' || k.id) FROM t, pragma_foreign_key_list(t.name) k),"
        " (SELECT count(*) FROM t, pragma_index_list(t.name)),"
        " (SELECT count(*) FROM t, pragma_index_list(t.name) i, pragma_index_info(i.name) c WHERE c.name"
        " IS NOT NULL)";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql, -1, &statement, nullptr) != SQLITE_OK ||
        sqlite3_step(statement) != SQLITE_ROW) {
        sqlite3_finalize(statement);
        throw std::runtime_error(std::string("cannot count the schema: ") + sqlite3_errmsg(db.get()));
    }
    SchemaCounts counts{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1),
                        sqlite3_column_int64(statement, 2), sqlite3_column_int64(statement, 3),
                        sqlite3_column_int64(statement, 4)};
    sqlite3_finalize(statement);
    return counts;
}

inline std::string toString(const SchemaCounts& counts) {
    return std::to_string(counts.tables) + " tables, " + std::to_string(counts.columns) + " columns, " +
           std::to_string(counts.foreignKeys) + " foreign keys, " + std::to_string(counts.indexes) +
           " indexes, " + std::to_string(counts.indexColumns) + " indexed columns";
}

} // namespace ketterly::bench
