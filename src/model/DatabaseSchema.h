#pragma once

// The in-memory description of one opened document: tables, columns, keys, indexes and
// relationships, plus the enumerations and derived helpers the views share.

#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ketterly {

struct Point {
    double x = 0;
    double y = 0;
    auto operator<=>(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    auto operator<=>(const Size&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    auto operator<=>(const Rect&) const = default;
};

enum class ForeignKeyAction { noAction, restrict, setNull, setDefault, cascade };

enum class TableColor { pink, yellow, blue, green };

enum class SourceType { database, modelsFolder };

enum class ViewMode { erd, data };

struct ColumnSchema {
    std::string id;
    std::string name;
    std::string type;
    bool isNotNull = false;
    std::optional<std::string> defaultValue;
    bool isPrimaryKey = false;
    std::optional<int> primaryKeyIndex;
    auto operator<=>(const ColumnSchema&) const = default;
};

struct ForeignKeyInfo {
    std::string id;
    std::string fromTable;
    std::string fromColumn;
    std::string toTable;
    std::string toColumn;
    ForeignKeyAction onDelete = ForeignKeyAction::noAction;
    ForeignKeyAction onUpdate = ForeignKeyAction::noAction;
    auto operator<=>(const ForeignKeyInfo&) const = default;
};

struct IndexInfo {
    std::string id;
    std::string name;
    std::vector<std::string> columns;
    bool isUnique = false;
    auto operator<=>(const IndexInfo&) const = default;
};

struct TableSchema {
    std::string id;
    std::string name;
    std::vector<ColumnSchema> columns;
    std::vector<std::string> primaryKeyColumns;
    std::vector<ForeignKeyInfo> foreignKeys;
    std::vector<IndexInfo> indexes;
    TableColor color = TableColor::green;
    Point position;
    auto operator<=>(const TableSchema&) const = default;
};

struct DatabaseSchema {
    std::vector<TableSchema> tables;
    std::vector<ForeignKeyInfo> relationships;
    std::string fileName;
    auto operator<=>(const DatabaseSchema&) const = default;
};

// The id of a relationship: fromTable.fromColumn->toTable.toColumn.
std::string foreignKeyId(std::string_view fromTable, std::string_view fromColumn, std::string_view toTable,
                         std::string_view toColumn);

// The only way a schema is built: relationships are every table's keys, table by table.
DatabaseSchema makeSchema(std::vector<TableSchema> tables, std::string fileName);

// The icon name shown beside a column; the first rule that applies wins.
std::string columnIcon(const ColumnSchema& column);

// The tables of `tables`, in order, with a key whose toTable equals `name` exactly.
std::vector<TableSchema> referencingTables(std::string_view name, const std::vector<TableSchema>& tables);

enum class Appearance { light, dark };

// sRGB components in 0...1 with an opacity.
struct Rgba {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    auto operator<=>(const Rgba&) const = default;
};

Rgba fillColor(TableColor color, Appearance appearance);
Rgba headerColor(TableColor color, Appearance appearance);

// Each enumeration has one fixed text per case; building from text accepts exactly those texts.
std::string_view toText(ForeignKeyAction action);
std::string_view toText(TableColor color);
std::string_view toText(ViewMode mode);
std::string_view toText(SourceType source);
template <typename Enum> std::optional<Enum> fromText(std::string_view text);
template <> std::optional<ForeignKeyAction> fromText<ForeignKeyAction>(std::string_view text);
template <> std::optional<TableColor> fromText<TableColor>(std::string_view text);
template <> std::optional<ViewMode> fromText<ViewMode>(std::string_view text);

inline constexpr ForeignKeyAction allForeignKeyActions[] = {
    ForeignKeyAction::noAction, ForeignKeyAction::restrict, ForeignKeyAction::setNull,
    ForeignKeyAction::setDefault, ForeignKeyAction::cascade};
inline constexpr TableColor allTableColors[] = {TableColor::pink, TableColor::yellow, TableColor::blue,
                                                TableColor::green};
inline constexpr ViewMode allViewModes[] = {ViewMode::erd, ViewMode::data};

} // namespace ketterly
