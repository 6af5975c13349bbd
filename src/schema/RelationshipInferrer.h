#pragma once

// Guesses relationships from column and table names for files that declare no foreign keys:
// convention-named columns (customer_id, customerId) and persistence-layer tables (ZPERSON, Z_PK).

#include "model/DatabaseSchema.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ketterly {

// Lower-case name variants (plural stripped, "Z" prefix stripped) to the table name as written.
using NameLookup = std::map<std::string, std::string, std::less<>>;

// The same tables in the same order. A table without keys gets one key per column that resolves to a
// table, in column order; a table that has keys is returned unchanged.
std::vector<TableSchema> inferRelationships(std::vector<TableSchema> tables);

// Every variant of every table's name; for equal variants the later table wins.
NameLookup buildNameLookup(const std::vector<TableSchema>& tables);

// The table that `lowerColumn` names through an "_id" or "id" ending, if any.
std::optional<std::string> targetFromIdSuffix(std::string_view lowerColumn, const NameLookup& lookup);

} // namespace ketterly
