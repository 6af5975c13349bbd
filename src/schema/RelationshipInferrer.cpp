#include "schema/RelationshipInferrer.h"

#include "model/Utf8.h"

namespace ketterly {

namespace {

std::optional<std::string> find(const NameLookup& lookup, std::string_view key) {
    const auto entry = lookup.find(key);
    if (entry == lookup.end())
        return std::nullopt;
    return entry->second;
}

bool isLowerAsciiLetter(char c) {
    return c >= 'a' && c <= 'z';
}

// Persistence-layer tables key their rows by Z_PK; everything else by id.
std::string primaryKeyOf(std::string_view table) {
    return !table.empty() && (table.front() == 'Z' || table.front() == 'z') ? "Z_PK" : "id";
}

// Only ASCII letters change case, so "int" in the lower-cased type is "INT" in the upper-cased one.
bool hasIntegerType(const ColumnSchema& column) {
    return toLowerAscii(column.type).find("int") != std::string::npos;
}

struct Target {
    std::string table;
    std::string column;
};

std::optional<Target> resolve(const ColumnSchema& column, const NameLookup& lookup) {
    const std::string col = toLowerAscii(column.name);
    if (auto table = targetFromIdSuffix(col, lookup))
        return Target{*table, "id"};

    auto named = find(lookup, col);
    if (!named && col.starts_with('z'))
        named = find(lookup, std::string_view(col).substr(1));
    if (!named && hasIntegerType(column)) {
        for (std::string_view suffix : {"_id", "_pk", "_ref", "_key", "id", "pk"}) {
            if (col.ends_with(suffix))
                named = find(lookup, std::string_view(col).substr(0, col.size() - suffix.size()));
            if (named)
                break;
        }
    }
    if (!named)
        return std::nullopt;
    return Target{*named, primaryKeyOf(*named)};
}

} // namespace

NameLookup buildNameLookup(const std::vector<TableSchema>& tables) {
    NameLookup lookup;
    for (const auto& table : tables) {
        const std::string n = toLowerAscii(table.name);
        const std::string_view view = n;
        const std::size_t c = codePointCount(n);
        lookup[n] = table.name;
        if (n.ends_with("s") && c >= 2)
            lookup[std::string(view.substr(0, n.size() - 1))] = table.name;
        if (n.ends_with("es") && c >= 3)
            lookup[std::string(view.substr(0, n.size() - 2))] = table.name;
        if (n.ends_with("ies") && c >= 4)
            lookup[std::string(view.substr(0, n.size() - 3)) + "y"] = table.name;
        if (n.starts_with("z") && c >= 2) {
            const std::string_view m = view.substr(1);
            lookup[std::string(m)] = table.name;
            if (m.ends_with("s"))
                lookup[std::string(m.substr(0, m.size() - 1))] = table.name;
        }
    }
    return lookup;
}

std::optional<std::string> targetFromIdSuffix(std::string_view lowerColumn, const NameLookup& lookup) {
    std::string_view base;
    if (lowerColumn.ends_with("_id")) {
        base = lowerColumn.substr(0, lowerColumn.size() - 3);
    } else if (lowerColumn.ends_with("id") && codePointCount(lowerColumn) >= 3) {
        base = lowerColumn.substr(0, lowerColumn.size() - 2);
        // Without the underscore only a letter may come before "id" (customerid, not item2id).
        if (!isLowerAsciiLetter(base.back()))
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    return find(lookup, toLowerAscii(base));
}

std::vector<TableSchema> inferRelationships(std::vector<TableSchema> tables) {
    const NameLookup lookup = buildNameLookup(tables);
    for (auto& table : tables) {
        if (!table.foreignKeys.empty())
            continue;
        std::vector<ForeignKeyInfo> found;
        for (const auto& column : table.columns) {
            if (column.isPrimaryKey)
                continue;
            const auto target = resolve(column, lookup);
            if (!target)
                continue;
            ForeignKeyInfo key;
            key.id = foreignKeyId(table.name, column.name, target->table, target->column);
            key.fromTable = table.name;
            key.fromColumn = column.name;
            key.toTable = target->table;
            key.toColumn = target->column;
            found.push_back(std::move(key));
        }
        table.foreignKeys = std::move(found);
    }
    return tables;
}

} // namespace ketterly
