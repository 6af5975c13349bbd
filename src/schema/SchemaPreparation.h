#pragma once

#include "layout/LayoutRandom.h"
#include "model/DatabaseSchema.h"
#include "model/LayoutConfiguration.h"

#include <vector>

namespace ketterly {

// Turns the tables as read into the tables the diagram shows (same length and order): keys
// inferred from names when the file declares none, a domain colour each, a position each.
std::vector<TableSchema> prepareTables(std::vector<TableSchema> tables,
                                       const LayoutConfiguration& configuration, LayoutRandom& random);

} // namespace ketterly
