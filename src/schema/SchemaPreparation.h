#pragma once

#include "model/DatabaseSchema.h"
#include "model/LayoutConfiguration.h"

#include <vector>

namespace ketterly {

// Turns the tables as read into the tables the diagram shows (same length and order).
std::vector<TableSchema> prepareTables(std::vector<TableSchema> tables, const LayoutConfiguration& configuration);

} // namespace ketterly
