#pragma once

// A small RAII layer over libsqlite3: a connection, its prepared statements and the errors
// SQLite reports, as values.

#include "model/Expected.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace ketterly::sqlite {

// What SQLite said when something failed: its result code and message.
struct SqliteError {
    int code = 0;
    std::string message;

    // "SQLite error 1: no such table: x", the text shown to the user.
    std::string description() const;
};

template <typename T> using Result = Expected<T, SqliteError>;

enum class StorageClass { integer, real, text, blob, null };

enum class OpenMode {
    readOnly,        // SQLITE_OPEN_READONLY
    readWriteCreate, // SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, SQLite's default access
};

// How a name is read: a plain file path, or a "file:" URI with parameters such as immutable=1.
enum class NameKind { path, uri };

class Statement;

class Connection {
  public:
    // Opens `name` and checks that the file is a database by reading the schema table once.
    static Result<Connection> open(const std::string& name, OpenMode mode, NameKind kind = NameKind::path);

    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    Result<Statement> prepare(std::string_view sql) const;

    // Runs statements that return no rows of interest.
    Result<bool> execute(std::string_view sql) const;

    SqliteError lastError() const;
    sqlite3* handle() const { return db_; }

  private:
    explicit Connection(sqlite3* db) : db_(db) {}
    sqlite3* db_ = nullptr;
};

class Statement {
  public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Binds a 1-based integer parameter.
    Result<bool> bind(int index, std::int64_t value);

    // Advances to the next row: true when there is one, false when done.
    Result<bool> step();
    Result<bool> reset();

    int columnCount() const;
    std::string columnName(int column) const;
    // The index of the result column with this name, if any.
    std::optional<int> columnIndex(std::string_view name) const;

    StorageClass storageClass(int column) const;
    bool isNull(int column) const { return storageClass(column) == StorageClass::null; }
    std::int64_t integer(int column) const;
    double real(int column) const;
    // The value as text (valid UTF-8; invalid sequences replaced), absent for NULL.
    std::optional<std::string> text(int column) const;
    std::vector<unsigned char> blob(int column) const;
    // The text's bytes exactly as stored, for handing a name back to SQLite; absent for NULL.
    std::optional<std::string> rawText(int column) const;

    // The same, looked up by result column name; absent when there is no such column.
    std::optional<std::string> text(std::string_view name) const;
    std::optional<std::int64_t> integer(std::string_view name) const;
    std::optional<std::string> rawText(std::string_view name) const;

  private:
    friend class Connection;
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    SqliteError error(int code) const;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    mutable std::vector<std::string> columnNames_;
};

// Quotes an identifier with double quotes, doubling inner ones.
std::string quoteIdentifier(std::string_view name);

} // namespace ketterly::sqlite
