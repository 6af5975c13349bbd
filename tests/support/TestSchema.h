#pragma once

// Tables for layout tests: `columns` columns named col0, col1, ... and one key per reference,
// from column <target>_id to <target>.id.

#include "model/DatabaseSchema.h"

#include <string>
#include <vector>

namespace ketterly::test {

inline TableSchema tableWithKeys(const std::string& name, const std::vector<std::string>& references = {},
                                 int columns = 1) {
    TableSchema table;
    table.id = table.name = name;
    for (int c = 0; c < columns; ++c) {
        ColumnSchema column;
        column.id = column.name = "col" + std::to_string(c);
        table.columns.push_back(column);
    }
    for (const auto& target : references)
        table.foreignKeys.push_back(
            {foreignKeyId(name, target + "_id", target, "id"), name, target + "_id", target, "id"});
    return table;
}

} // namespace ketterly::test
