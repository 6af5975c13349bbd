#pragma once

// Paints relationship edges: the rounded orthogonal path, the arrow head and the end dot, grey or
// in the accent colour for the selected table's edges. Shared by the canvas and export.

#include "model/DatabaseSchema.h"
#include "model/LayoutConfiguration.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <optional>
#include <vector>

namespace ketterly::canvas {

// Straight segments with each interior bend rounded by a quadratic curve of at most
// cornerRadius (less where a segment is short); empty for fewer than two points.
QPainterPath orthogonalPath(const std::vector<Point>& waypoints, double cornerRadius);

// The closed triangle at `tip` pointing along from → tip, sides 12 (highlighted) or 10.
QPainterPath arrowHead(QPointF tip, QPointF from, bool highlighted);

// The selected table's name equals the edge's from- or to-table, ignoring letter case.
bool isHighlighted(const RoutedEdge& edge, const std::optional<TableSchema>& selectedTable);

// The accent colour when highlighted, else the system grey at 0.8 (dark) or 0.7 (light) opacity.
QColor edgeColor(bool highlighted, Appearance appearance);

// One edge: path (3 or 2 wide, round caps and joins), arrow head, end dot (10 or 8).
void paintEdge(QPainter& painter, const RoutedEdge& edge, bool highlighted, Appearance appearance);

// Every edge in order; edges whose bounds miss `visible` (diagram coordinates) are skipped when
// `visible` is not empty.
void paintEdges(QPainter& painter, const std::vector<RoutedEdge>& edges,
                const std::optional<TableSchema>& selectedTable, Appearance appearance,
                const QRectF& visible = {});

} // namespace ketterly::canvas
