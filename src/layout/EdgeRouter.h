#pragma once

#include "model/DatabaseSchema.h"
#include "model/LayoutConfiguration.h"

#include <vector>

namespace ketterly {

// A border of a table node; a route leaves and enters a node at the midpoint of one of them.
enum class Side { top, bottom, left, right };

// One edge per relationship whose two tables are found (by name, ignoring ASCII letter case; of
// names equal ignoring case the first table wins), in the order of the relationships. Routes are
// orthogonal polylines between border midpoints; a table referencing itself gets a fixed loop on
// its right side. Cheap enough to run on every drag step.
std::vector<RoutedEdge> routeEdges(const std::vector<ForeignKeyInfo>& relationships,
                                   const std::vector<TableSchema>& tables, LayoutDirection direction,
                                   double cornerRadius);

// The route between two opposite sides: straight when the points are less than one point apart
// across the route, else two bends halfway along it; simplified.
std::vector<Point> orthogonalWaypoints(Side start, Side end, Point s, Point e);

// Drops the points that are not bends, then the points within 5 points of the previous kept one.
// Fewer than three points are returned unchanged.
std::vector<Point> simplifyWaypoints(std::vector<Point> points);

} // namespace ketterly
