#pragma once

// Writes the benchmark database: `tables` tables of ten columns, each with one or two foreign keys
// to other tables and one index.

#include <sqlite3.h>
#include <stdexcept>
#include <string>

namespace ketterly::bench {

inline void writeGeneratedDatabase(const std::string& path, int tables) {
    std::remove(path.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create " + path);
    std::string sql = "BEGIN;";
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
    sql += "COMMIT;";
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    std::string error = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(error);
}

} // namespace ketterly::bench
