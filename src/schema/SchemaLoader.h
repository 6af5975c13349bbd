#pragma once

// Reads one SQLite database file (the working copy) into a DatabaseSchema without modifying it.

#include "model/DatabaseSchema.h"
#include "model/Expected.h"
#include "model/LayoutConfiguration.h"
#include "sqlite/Connection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ketterly {

struct SchemaLoaderError {
    enum class Kind { cannotOpenDatabase };
    Kind kind = Kind::cannotOpenDatabase;
    std::string path;
    std::string hint;

    static SchemaLoaderError cannotOpenDatabase(std::string path);
    std::string description() const;
    auto operator<=>(const SchemaLoaderError&) const = default;
};

// Whatever ended a load: the loader's own error or the database's.
struct LoadError {
    std::variant<SchemaLoaderError, sqlite::SqliteError> cause;
    std::string description() const;
};

class SchemaLoader {
  public:
    // `seed` fixes the layout's shuffles; without one they are seeded at random.
    SchemaLoader(std::string filePath, LayoutConfiguration configuration,
                 std::optional<std::uint64_t> seed = std::nullopt)
        : filePath_(std::move(filePath)), configuration_(configuration), seed_(seed) {}

    // The whole load: open, read every table, prepare, name the schema after the file.
    // Blocking; callers run it off the UI thread.
    Expected<DatabaseSchema, LoadError> loadSchema() const;

    Expected<sqlite::Connection, SchemaLoaderError> openReadOnly() const;
    sqlite::Result<std::vector<TableSchema>> loadTables(const sqlite::Connection& connection) const;
    // `name` is the table's name as stored, byte for byte.
    sqlite::Result<TableSchema> loadTable(const std::string& name,
                                          const sqlite::Connection& connection) const;

    // The exact statement that lists the user tables.
    static const char* const tableListStatement;

  private:
    std::string filePath_;
    LayoutConfiguration configuration_;
    std::optional<std::uint64_t> seed_;
};

// "file:" + the path with every character outside the URL path set percent-encoded + "?immutable=1".
std::string immutableUri(const std::string& path);

} // namespace ketterly
