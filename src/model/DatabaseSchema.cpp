#include "model/DatabaseSchema.h"

#include "model/LayoutConfiguration.h"
#include "model/Utf8.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ketterly {

std::string foreignKeyId(std::string_view fromTable, std::string_view fromColumn, std::string_view toTable,
                         std::string_view toColumn) {
    std::string id;
    id.reserve(fromTable.size() + fromColumn.size() + toTable.size() + toColumn.size() + 4);
    id.append(fromTable)
        .append(".")
        .append(fromColumn)
        .append("->")
        .append(toTable)
        .append(".")
        .append(toColumn);
    return id;
}

DatabaseSchema makeSchema(std::vector<TableSchema> tables, std::string fileName) {
    DatabaseSchema schema;
    for (const auto& table : tables)
        schema.relationships.insert(schema.relationships.end(), table.foreignKeys.begin(),
                                    table.foreignKeys.end());
    schema.tables = std::move(tables);
    schema.fileName = std::move(fileName);
    return schema;
}

std::string columnIcon(const ColumnSchema& column) {
    if (column.isPrimaryKey)
        return "key.fill";
    // Compared in lower case, ASCII only: std::toupper would follow the locale Qt sets at start.
    const std::string type = toLowerAscii(column.type);
    const auto contains = [&](std::initializer_list<std::string_view> needles) {
        return std::any_of(needles.begin(), needles.end(),
                           [&](std::string_view needle) { return type.find(needle) != std::string::npos; });
    };
    if (contains({"int"}))
        return "number";
    if (contains({"text", "varchar", "char"}))
        return "textformat";
    if (contains({"real", "float", "double"}))
        return "function";
    if (contains({"blob"}))
        return "doc.fill";
    if (contains({"date", "time"}))
        return "calendar";
    if (contains({"bool"}))
        return "checkmark.square";
    return "questionmark.circle";
}

std::vector<TableSchema> referencingTables(std::string_view name, const std::vector<TableSchema>& tables) {
    std::vector<TableSchema> result;
    for (const auto& table : tables) {
        if (std::any_of(table.foreignKeys.begin(), table.foreignKeys.end(),
                        [&](const ForeignKeyInfo& key) { return key.toTable == name; }))
            result.push_back(table);
    }
    return result;
}

namespace {

struct ColorPair {
    Rgba fillLight, fillDark, headerLight, headerDark;
};

const ColorPair& colorsOf(TableColor color) {
    static const std::array<ColorPair, 4> table = {{
        {{0.973, 0.733, 0.851}, {0.761, 0.094, 0.357}, {0.914, 0.518, 0.686}, {0.608, 0.075, 0.286}},
        {{1.0, 0.961, 0.616}, {0.976, 0.659, 0.145}, {0.957, 0.847, 0.369}, {0.780, 0.527, 0.116}},
        {{0.565, 0.792, 0.976}, {0.098, 0.463, 0.824}, {0.361, 0.624, 0.906}, {0.078, 0.370, 0.659}},
        {{0.647, 0.839, 0.655}, {0.220, 0.557, 0.235}, {0.455, 0.714, 0.463}, {0.176, 0.446, 0.188}},
    }};
    return table[static_cast<std::size_t>(color)];
}

// Looks a text up among the texts of an enumeration's cases.
template <typename Enum, std::size_t N>
std::optional<Enum> caseForText(const Enum (&cases)[N], std::string_view text) {
    for (Enum value : cases)
        if (toText(value) == text)
            return value;
    return std::nullopt;
}

} // namespace

Rgba fillColor(TableColor color, Appearance appearance) {
    const auto& pair = colorsOf(color);
    return appearance == Appearance::dark ? pair.fillDark : pair.fillLight;
}

Rgba headerColor(TableColor color, Appearance appearance) {
    const auto& pair = colorsOf(color);
    return appearance == Appearance::dark ? pair.headerDark : pair.headerLight;
}

std::string_view toText(ForeignKeyAction action) {
    switch (action) {
    case ForeignKeyAction::noAction:
        return "NO ACTION";
    case ForeignKeyAction::restrict:
        return "RESTRICT";
    case ForeignKeyAction::setNull:
        return "SET NULL";
    case ForeignKeyAction::setDefault:
        return "SET DEFAULT";
    case ForeignKeyAction::cascade:
        return "CASCADE";
    }
    return {};
}

std::string_view toText(TableColor color) {
    switch (color) {
    case TableColor::pink:
        return "pink";
    case TableColor::yellow:
        return "yellow";
    case TableColor::blue:
        return "blue";
    case TableColor::green:
        return "green";
    }
    return {};
}

std::string_view toText(ViewMode mode) {
    return mode == ViewMode::erd ? "ERD" : "Data";
}

std::string_view toText(SourceType source) {
    return source == SourceType::database ? "database" : "modelsFolder";
}

std::string_view toText(LayoutDirection direction) {
    return direction == LayoutDirection::topToBottom ? "Top to Bottom" : "Left to Right";
}

template <> std::optional<ForeignKeyAction> fromText<ForeignKeyAction>(std::string_view text) {
    return caseForText(allForeignKeyActions, text);
}
template <> std::optional<TableColor> fromText<TableColor>(std::string_view text) {
    return caseForText(allTableColors, text);
}
template <> std::optional<ViewMode> fromText<ViewMode>(std::string_view text) {
    return caseForText(allViewModes, text);
}
template <> std::optional<LayoutDirection> fromText<LayoutDirection>(std::string_view text) {
    return caseForText(allLayoutDirections, text);
}

} // namespace ketterly
