#include "sqlite/Connection.h"

#include "model/Utf8.h"

#include <sqlite3.h>
#include <utility>

namespace ketterly::sqlite {

std::string SqliteError::description() const {
    return "SQLite error " + std::to_string(code) + ": " + message;
}

namespace {

SqliteError errorOf(sqlite3* db, int code) {
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return {code, toValidUtf8(message ? message : sqlite3_errstr(code))};
}

} // namespace

Result<Connection> Connection::open(const std::string& name, OpenMode mode, NameKind kind) {
    // A connection is only ever used by one thread at a time, so SQLite's own locking is not needed.
    int flags = SQLITE_OPEN_NOMUTEX | (kind == NameKind::uri ? SQLITE_OPEN_URI : 0);
    flags |= mode == OpenMode::readOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        SqliteError error = errorOf(db, rc);
        sqlite3_close_v2(db);
        return Unexpected{std::move(error)};
    }
    Connection connection(db);
    // A connection counts only once it can read: this rejects files that are not databases.
    auto check = connection.prepare("SELECT * FROM sqlite_master LIMIT 1");
    if (!check)
        return Unexpected{check.error()};
    if (auto stepped = check->step(); !stepped)
        return Unexpected{stepped.error()};
    return connection;
}

Connection::Connection(Connection&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        sqlite3_close_v2(db_);
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

Connection::~Connection() {
    sqlite3_close_v2(db_);
}

Result<Statement> Connection::prepare(std::string_view sql) const {
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return Unexpected{errorOf(db_, rc)};
    }
    return Statement(db_, stmt);
}

Result<bool> Connection::execute(std::string_view sql) const {
    std::string text(sql);
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        SqliteError error{rc, toValidUtf8(message ? message : sqlite3_errstr(rc))};
        sqlite3_free(message);
        return Unexpected{std::move(error)};
    }
    return true;
}

SqliteError Connection::lastError() const {
    return errorOf(db_, sqlite3_errcode(db_));
}

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)),
      columnNames_(std::move(other.columnNames_)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
        columnNames_ = std::move(other.columnNames_);
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

SqliteError Statement::error(int code) const {
    return errorOf(db_, code);
}

Result<bool> Statement::bind(int index, std::int64_t value) {
    const int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK)
        return Unexpected{error(rc)};
    return true;
}

Result<bool> Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    return Unexpected{error(rc)};
}

Result<bool> Statement::reset() {
    const int rc = sqlite3_reset(stmt_);
    if (rc != SQLITE_OK)
        return Unexpected{error(rc)};
    return true;
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

std::string Statement::columnName(int column) const {
    const char* name = sqlite3_column_name(stmt_, column);
    return name ? toValidUtf8(name) : std::string();
}

std::optional<int> Statement::columnIndex(std::string_view name) const {
    // Looked up for every row of a pragma: the names are read once per statement.
    if (columnNames_.empty()) {
        const int count = columnCount();
        for (int i = 0; i < count; ++i) {
            const char* columnName = sqlite3_column_name(stmt_, i);
            columnNames_.emplace_back(columnName ? columnName : "");
        }
    }
    for (std::size_t i = 0; i < columnNames_.size(); ++i)
        if (columnNames_[i] == name)
            return static_cast<int>(i);
    return std::nullopt;
}

StorageClass Statement::storageClass(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
        return StorageClass::integer;
    case SQLITE_FLOAT:
        return StorageClass::real;
    case SQLITE_TEXT:
        return StorageClass::text;
    case SQLITE_BLOB:
        return StorageClass::blob;
    default:
        return StorageClass::null;
    }
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

double Statement::real(int column) const {
    return sqlite3_column_double(stmt_, column);
}

std::optional<std::string> Statement::rawText(int column) const {
    if (isNull(column))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int length = sqlite3_column_bytes(stmt_, column);
    if (!bytes)
        return std::string();
    return std::string(bytes, static_cast<std::size_t>(length));
}

std::optional<std::string> Statement::text(int column) const {
    auto raw = rawText(column);
    if (raw)
        return toValidUtf8(*raw);
    return raw;
}

std::vector<unsigned char> Statement::blob(int column) const {
    const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(stmt_, column));
    const int length = sqlite3_column_bytes(stmt_, column);
    if (!bytes)
        return {};
    return std::vector<unsigned char>(bytes, bytes + length);
}

std::optional<std::string> Statement::text(std::string_view name) const {
    if (auto index = columnIndex(name))
        return text(*index);
    return std::nullopt;
}

std::optional<std::string> Statement::rawText(std::string_view name) const {
    if (auto index = columnIndex(name))
        return rawText(*index);
    return std::nullopt;
}

std::optional<std::int64_t> Statement::integer(std::string_view name) const {
    if (auto index = columnIndex(name); index && !isNull(*index))
        return integer(*index);
    return std::nullopt;
}

std::string quoteIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

} // namespace ketterly::sqlite
