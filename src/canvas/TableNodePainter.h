#pragma once

// Paints a table node: header, column rows, icons, tints, badges, selection ring and shadow.
// The canvas and every export format call these same functions.

#include "model/DatabaseSchema.h"

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <string>
#include <vector>

namespace ketterly::canvas {

// The lift of a node being dragged, 0 at rest and 1 fully lifted (the spring may overshoot):
// opacity 1 → 0.85, scale 1 → 1.03, an accent glow of opacity 0 → 0.4.
struct NodeLift {
    double amount = 0;
};

// The node's rectangle around its centre: exactly nodeSize (32 + 22 per column + 16 high).
QRectF tableNodeRect(const TableSchema& table, QPointF centre);

// How far the shadow, the glow and the selection ring reach beyond the node's rectangle on every
// side. A lifted node also grows by its scale: tableNodePaintedRect covers that.
double tableNodeShadowMargin();

// Everything paintTableNode touches, shadow, glow and lift included.
QRectF tableNodePaintedRect(const TableSchema& table, QPointF centre, NodeLift lift = {});

// Paints the node centred at `centre` in the painter's current coordinates, shadow included.
void paintTableNode(QPainter& painter, const TableSchema& table, QPointF centre, bool selected,
                    Appearance appearance, NodeLift lift = {});

// Whether a column is the source of one of the table's keys (exact, case-sensitive).
bool isForeignKeyColumn(const TableSchema& table, const ColumnSchema& column);

// A key marker at the end of a column's row.
struct ColumnBadge {
    const char* text; // "PK", "FK" or "NN"
    QColor color;     // the badge colour; its background and text are derived from it
};

// How a column's row is marked, as paintTableNode draws it.
struct ColumnRowStyle {
    std::string icon; // the symbol in the icon slot
    QColor iconColor; // opacity included
    QColor tint;      // the row's background over the fill; fully transparent when it has none
    bool semiboldName = false;
    std::vector<ColumnBadge> badges; // left to right
};

ColumnRowStyle columnRowStyle(const TableSchema& table, const ColumnSchema& column, Appearance appearance);

} // namespace ketterly::canvas
