#pragma once

#include "layout/LayoutRandom.h"
#include "model/DatabaseSchema.h"
#include "model/LayoutConfiguration.h"

#include <vector>

namespace ketterly {

// The size of a table's node: as wide as its longest column name needs (at least 180),
// a 32-point header, 22 points per column and a 16-point margin.
Size nodeSize(const TableSchema& table);

// The smallest rectangle holding every node, grown by 50 points on each side; zero when empty.
Rect diagramBounds(const std::vector<TableSchema>& tables);

// Places every table: layers along the foreign keys, crossing reduction within layers, fixed
// separations, overlaps pushed apart, the top-left-most centre at (100, 100). Returns the tables
// in input order with only their positions changed.
std::vector<TableSchema> layoutTables(std::vector<TableSchema> tables, LayoutDirection direction,
                                      double layerSeparation, double nodeSeparation, LayoutRandom& random);

// The steps after the ordering, each over centres indexed like `tables`.
std::vector<Point> assignCoordinates(const std::vector<std::vector<int>>& layers,
                                     const std::vector<TableSchema>& tables, LayoutDirection direction,
                                     double layerSeparation, double nodeSeparation);
void resolveOverlaps(std::vector<Point>& centres, const std::vector<TableSchema>& tables,
                     LayoutDirection direction);
void normalizePositions(std::vector<Point>& centres);

} // namespace ketterly
