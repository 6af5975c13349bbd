#include "schema/SchemaLoader.h"

#include "model/Utf8.h"
#include "schema/SchemaPreparation.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sqlite3.h>

namespace ketterly {

using sqlite::Connection;
using sqlite::OpenMode;
using sqlite::Result;
using sqlite::SqliteError;

const char* const SchemaLoader::tableListStatement = "    SELECT name FROM sqlite_master \n"
                                                     "    WHERE type = 'table' \n"
                                                     "    AND name NOT LIKE 'sqlite_%'\n"
                                                     "    ORDER BY name";

SchemaLoaderError SchemaLoaderError::cannotOpenDatabase(std::string path) {
    return {Kind::cannotOpenDatabase, std::move(path),
            "The database may be locked, corrupted, or require WAL files (-shm, -wal) that are missing."};
}

std::string SchemaLoaderError::description() const {
    return "Cannot open database at '" + path + "'. " + hint;
}

std::string LoadError::description() const {
    return std::visit([](const auto& error) { return error.description(); }, cause);
}

std::string immutableUri(const std::string& path) {
    static constexpr std::string_view kept = "-._~!$&'()*+,;=:@/";
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size() + 16);
    for (unsigned char c : path) {
        const bool isAlnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (isAlnum || (c != 0 && kept.find(static_cast<char>(c)) != std::string_view::npos)) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 0xF];
        }
    }
    return "file:" + encoded + "?immutable=1";
}

Expected<Connection, SchemaLoaderError> SchemaLoader::openReadOnly() const {
    // A copied write-ahead log may hold committed transactions that the main file lacks yet;
    // immutable=1 would ignore it and show a stale schema, so read through the log first.
    // The copy is ours, so SQLite may create its -shm beside it.
    std::error_code ignored;
    if (std::filesystem::exists(filePath_ + "-wal", ignored)) {
        if (auto connection = Connection::open(filePath_, OpenMode::readOnly))
            return std::move(connection).value();
    }
    if (auto connection =
            Connection::open(immutableUri(filePath_), OpenMode::readOnly, sqlite::NameKind::uri))
        return std::move(connection).value();
    if (auto connection = Connection::open(filePath_, OpenMode::readOnly))
        return std::move(connection).value();
    if (auto connection = Connection::open(filePath_, OpenMode::readWriteCreate))
        return std::move(connection).value();
    return Unexpected{SchemaLoaderError::cannotOpenDatabase(filePath_)};
}

Result<std::vector<TableSchema>> SchemaLoader::loadTables(const Connection& connection) const {
    auto statement = connection.prepare(tableListStatement);
    if (!statement)
        return Unexpected{statement.error()};
    std::vector<std::string> names;
    for (;;) {
        auto row = statement->step();
        if (!row)
            return Unexpected{row.error()};
        if (!row.value())
            break;
        // Names go back to SQLite byte for byte, even when they are not valid UTF-8.
        if (auto name = statement->rawText("name"))
            names.push_back(std::move(*name));
    }
    std::vector<TableSchema> tables;
    tables.reserve(names.size());
    for (const auto& name : names) {
        if (name.starts_with("sqlite_"))
            continue;
        auto table = loadTable(name, connection);
        if (!table)
            return Unexpected{table.error()};
        tables.push_back(std::move(table).value());
    }
    return tables;
}

namespace {

// Runs a pragma and hands each row to `onRow`; stops at the first error.
template <typename OnRow>
Result<bool> eachRow(const Connection& connection, const std::string& sql, OnRow onRow) {
    auto statement = connection.prepare(sql);
    if (!statement)
        return Unexpected{statement.error()};
    for (;;) {
        auto row = statement->step();
        if (!row)
            return Unexpected{row.error()};
        if (!row.value())
            return true;
        onRow(*statement);
    }
}

struct ColumnRow {
    std::string name;
    std::string type;
    bool notNull = false;
    std::optional<std::string> defaultValue;
    std::int64_t pk = 0;
};

Result<std::vector<ColumnRow>> readColumns(const std::string& table, const Connection& connection) {
    // table_xinfo reports generated and hidden columns; it arrived in SQLite 3.26.0.
    const bool extended = sqlite3_libversion_number() >= 3026000;
    const std::string sql = std::string(extended ? "PRAGMA main.table_xinfo(" : "PRAGMA main.table_info(") +
                            sqlite::quoteIdentifier(table) + ")";
    std::vector<ColumnRow> columns;
    auto done = eachRow(connection, sql, [&](const sqlite::Statement& row) {
        if (extended && row.integer("hidden").value_or(0) == 1)
            return; // a virtual table's hidden column
        ColumnRow column;
        column.name = row.text("name").value_or("");
        column.type = row.text("type").value_or("");
        column.notNull = row.integer("notnull").value_or(0) != 0;
        column.defaultValue = row.text("dflt_value");
        column.pk = row.integer("pk").value_or(0);
        columns.push_back(std::move(column));
    });
    if (!done)
        return Unexpected{done.error()};
    return columns;
}

// The primary-key column names in key order; "rowid" for a table with only the implicit row id.
std::vector<std::string> primaryKeyOf(const std::vector<ColumnRow>& columns) {
    std::vector<const ColumnRow*> keyed;
    for (const auto& column : columns)
        if (column.pk != 0)
            keyed.push_back(&column);
    if (keyed.empty())
        return {"rowid"};
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const ColumnRow* a, const ColumnRow* b) { return a->pk < b->pk; });
    std::vector<std::string> names;
    for (const auto* column : keyed)
        names.push_back(column->name);
    return names;
}

struct KeyRows {
    std::string table;
    std::vector<std::pair<std::string, std::optional<std::string>>> pairs; // from, to
};

} // namespace

Result<TableSchema> SchemaLoader::loadTable(const std::string& name, const Connection& connection) const {
    auto columnRows = readColumns(name, connection);
    if (!columnRows)
        return Unexpected{columnRows.error()};
    const std::vector<std::string> primaryKey = primaryKeyOf(*columnRows);

    // Keys in the order SQLite lists them, each with its column pairs in seq order.
    std::vector<std::int64_t> keyOrder;
    std::map<std::int64_t, KeyRows> keys;
    auto keysDone = eachRow(connection, "PRAGMA main.foreign_key_list(" + sqlite::quoteIdentifier(name) + ")",
                            [&](const sqlite::Statement& row) {
                                const std::int64_t id = row.integer("id").value_or(0);
                                auto [it, inserted] = keys.try_emplace(id);
                                if (inserted) {
                                    keyOrder.push_back(id);
                                    it->second.table = row.rawText("table").value_or("");
                                }
                                it->second.pairs.emplace_back(row.text("from").value_or(""), row.text("to"));
                            });
    if (!keysDone)
        return Unexpected{keysDone.error()};

    struct IndexRow {
        std::string name;
        bool unique = false;
    };
    std::vector<IndexRow> indexRows;
    auto indexesDone = eachRow(
        connection, "PRAGMA main.index_list(" + sqlite::quoteIdentifier(name) + ")",
        [&](const sqlite::Statement& row) {
            indexRows.push_back({row.rawText("name").value_or(""), row.integer("unique").value_or(0) != 0});
        });
    if (!indexesDone)
        return Unexpected{indexesDone.error()};

    TableSchema table;
    table.name = toValidUtf8(name);
    table.id = table.name;
    table.primaryKeyColumns = primaryKey;
    for (auto& row : *columnRows) {
        ColumnSchema column;
        column.id = row.name;
        column.name = row.name;
        column.type = std::move(row.type);
        column.isNotNull = row.notNull;
        column.defaultValue = std::move(row.defaultValue);
        const auto found = std::find(primaryKey.begin(), primaryKey.end(), row.name);
        column.isPrimaryKey = found != primaryKey.end();
        if (column.isPrimaryKey)
            column.primaryKeyIndex = static_cast<int>(found - primaryKey.begin());
        table.columns.push_back(std::move(column));
    }

    for (std::int64_t id : keyOrder) {
        const KeyRows& key = keys[id];
        ForeignKeyInfo info;
        info.fromTable = table.name;
        info.toTable = toValidUtf8(key.table);
        info.toColumn = "id";
        if (!key.pairs.empty()) {
            info.fromColumn = key.pairs.front().first;
            if (key.pairs.front().second) {
                info.toColumn = *key.pairs.front().second;
            } else {
                // The key names only the table: it refers to that table's primary key.
                auto referenced = readColumns(key.table, connection);
                if (!referenced)
                    return Unexpected{referenced.error()};
                info.toColumn = primaryKeyOf(*referenced).front();
            }
        }
        info.id = foreignKeyId(info.fromTable, info.fromColumn, info.toTable, info.toColumn);
        table.foreignKeys.push_back(std::move(info));
    }

    for (auto& row : indexRows) {
        IndexInfo index;
        index.name = toValidUtf8(row.name);
        index.id = index.name;
        index.isUnique = row.unique;
        auto columnsDone =
            eachRow(connection, "PRAGMA main.index_info(" + sqlite::quoteIdentifier(row.name) + ")",
                    [&](const sqlite::Statement& info) {
                        // An indexed expression has no column name.
                        if (auto column = info.text("name"))
                            index.columns.push_back(std::move(*column));
                    });
        if (!columnsDone)
            return Unexpected{columnsDone.error()};
        table.indexes.push_back(std::move(index));
    }
    return table;
}

Expected<DatabaseSchema, LoadError> SchemaLoader::loadSchema() const {
    auto connection = openReadOnly();
    if (!connection)
        return Unexpected{LoadError{connection.error()}};
    auto tables = loadTables(*connection);
    if (!tables)
        return Unexpected{LoadError{tables.error()}};
    LayoutRandom random = seed_ ? LayoutRandom(*seed_) : LayoutRandom::fromEntropy();
    auto prepared = prepareTables(std::move(tables).value(), configuration_, random);
    return makeSchema(std::move(prepared), std::filesystem::path(filePath_).filename().string());
}

} // namespace ketterly
