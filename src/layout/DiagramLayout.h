#pragma once

#include "model/DatabaseSchema.h"

#include <vector>

namespace ketterly {

// The size of a table's node: as wide as its longest column name needs (at least 180),
// a 32-point header, 22 points per column and a 16-point margin.
Size nodeSize(const TableSchema& table);

// The smallest rectangle holding every node, grown by 50 points on each side; zero when empty.
Rect diagramBounds(const std::vector<TableSchema>& tables);

} // namespace ketterly
