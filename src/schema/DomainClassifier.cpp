#include "schema/DomainClassifier.h"

#include "model/Utf8.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <string>

namespace ketterly {

namespace {

bool containsAny(std::string_view text, std::initializer_list<std::string_view> needles) {
    return std::any_of(needles.begin(), needles.end(), [text](std::string_view needle) {
        return text.find(needle) != std::string_view::npos;
    });
}

bool equalsAny(std::string_view text, std::initializer_list<std::string_view> candidates) {
    return std::find(candidates.begin(), candidates.end(), text) != candidates.end();
}

bool endsWithAny(std::string_view text, std::initializer_list<std::string_view> suffixes) {
    return std::any_of(suffixes.begin(), suffixes.end(),
                       [text](std::string_view suffix) { return text.ends_with(suffix); });
}

bool anyColumnNamed(const TableSchema& table, std::initializer_list<std::string_view> names) {
    return std::any_of(table.columns.begin(), table.columns.end(), [names](const ColumnSchema& column) {
        return equalsAny(toLowerAscii(column.name), names);
    });
}

// "customers" is the plural of "customer" when the difference is one trailing "s".
bool isPluralOf(std::string_view plural, std::string_view singular) {
    return plural.size() == singular.size() + 1 && plural.starts_with(singular) && plural.ends_with('s');
}

} // namespace

std::vector<TableSchema> classifyTables(std::vector<TableSchema> tables) {
    for (auto& table : tables)
        table.color = classifyTable(table);
    return tables;
}

TableColor classifyTable(const TableSchema& table) {
    const std::string name = toLowerAscii(table.name);
    // Signed, so that a table with more keys than columns still counts as a link table.
    const auto columns = static_cast<std::ptrdiff_t>(table.columns.size());
    const auto keys = static_cast<std::ptrdiff_t>(table.foreignKeys.size());

    if (keys >= 2 && columns - keys < 4)
        return TableColor::yellow;
    if (containsAny(name, {"_has_", "_to_", "_x_", "_link", "_map", "_rel"}))
        return TableColor::yellow;
    if (matchesKeywords(name, momentIntervalWords))
        return TableColor::pink;
    if (matchesKeywords(name, roleWords))
        return TableColor::yellow;
    if (matchesKeywords(name, descriptionWords) ||
        endsWithAny(name, {"_type", "_status", "_category", "_kind"}))
        return TableColor::blue;
    if (looksLikeMomentInterval(table))
        return TableColor::pink;
    if (looksLikeDescription(table))
        return TableColor::blue;
    return TableColor::green;
}

bool matchesKeywords(std::string_view lowerName, std::span<const std::string_view> words) {
    for (std::string_view word : words)
        if (lowerName.find(word) != std::string_view::npos)
            return true;

    // Only adds names that hold the singular of a plural word; everything else matched above.
    std::size_t start = 0;
    while (start <= lowerName.size()) {
        const std::size_t end = std::min(lowerName.find('_', start), lowerName.size());
        const std::string_view part = lowerName.substr(start, end - start);
        if (!part.empty())
            for (std::string_view word : words)
                if (part == word || isPluralOf(word, part) || isPluralOf(part, word))
                    return true;
        start = end + 1;
    }
    return false;
}

bool looksLikeMomentInterval(const TableSchema& table) {
    const bool hasTimeColumn =
        std::any_of(table.columns.begin(), table.columns.end(), [](const ColumnSchema& column) {
            const std::string name = toLowerAscii(column.name);
            return containsAny(name, {"timestamp", "created", "occurred", "logged"}) ||
                   equalsAny(name, {"at", "time", "date"});
        });
    return hasTimeColumn && table.columns.size() <= 8 && !table.foreignKeys.empty();
}

bool looksLikeDescription(const TableSchema& table) {
    return table.foreignKeys.empty() && table.columns.size() < 6 &&
           anyColumnNamed(table, {"name", "title", "code", "key"}) &&
           anyColumnNamed(table, {"description", "desc"});
}

} // namespace ketterly
