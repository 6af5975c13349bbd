#include "canvas/EdgePainter.h"

#include "model/Utf8.h"
#include "ui/Palette.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ketterly::canvas {

namespace {

constexpr double lineWidth = 2;
constexpr double highlightedLineWidth = 3;
constexpr double arrowSide = 10;
constexpr double highlightedArrowSide = 12;
constexpr double dotDiameter = 8;
constexpr double highlightedDotDiameter = 10;

QPointF toQ(Point point) {
    return {point.x, point.y};
}

double distance(Point a, Point b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// The point `length` from `from` towards `to`.
QPointF towards(Point from, Point to, double length) {
    const double whole = distance(from, to);
    return {from.x + (to.x - from.x) * length / whole, from.y + (to.y - from.y) * length / whole};
}

// Everything an edge paints lies within its waypoints' box grown by this: the arrow reaches one
// side back from the tip, the dot and the line less.
constexpr double paintedReach = highlightedArrowSide + 1;

QRectF waypointBounds(const std::vector<Point>& waypoints) {
    double left = waypoints.front().x, right = left, top = waypoints.front().y, bottom = top;
    for (const Point& p : waypoints) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom))
        .adjusted(-paintedReach, -paintedReach, paintedReach, paintedReach);
}

} // namespace

QPainterPath orthogonalPath(const std::vector<Point>& waypoints, double cornerRadius) {
    QPainterPath path;
    if (waypoints.size() < 2)
        return path;
    path.moveTo(toQ(waypoints.front()));
    for (std::size_t i = 1; i + 1 < waypoints.size(); ++i) {
        const Point a = waypoints[i - 1], b = waypoints[i], n = waypoints[i + 1];
        const double in = distance(a, b), out = distance(b, n);
        if (in == 0 || out == 0) {
            path.lineTo(toQ(b));
            continue;
        }
        const double radius = std::min({cornerRadius, in / 2, out / 2});
        path.lineTo(towards(b, a, radius));
        path.quadTo(toQ(b), towards(b, n, radius));
    }
    path.lineTo(toQ(waypoints.back()));
    return path;
}

QPainterPath arrowHead(QPointF tip, QPointF from, bool highlighted) {
    const double side = highlighted ? highlightedArrowSide : arrowSide;
    const double angle = std::atan2(tip.y() - from.y(), tip.x() - from.x());
    const double spread = std::numbers::pi / 6;
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip - side * QPointF(std::cos(angle - spread), std::sin(angle - spread)));
    path.lineTo(tip - side * QPointF(std::cos(angle + spread), std::sin(angle + spread)));
    path.closeSubpath();
    return path;
}

bool isHighlighted(const RoutedEdge& edge, const std::optional<TableSchema>& selectedTable) {
    // The same ASCII-only case folding as the router's table matching, so that an edge lights up
    // for exactly the tables it was routed between.
    return selectedTable && (equalIgnoringAsciiCase(selectedTable->name, edge.relationship.fromTable) ||
                             equalIgnoringAsciiCase(selectedTable->name, edge.relationship.toTable));
}

QColor edgeColor(bool highlighted, Appearance appearance) {
    if (highlighted)
        return ui::accentColor(appearance);
    return ui::withOpacity(ui::namedColor(ui::NamedColor::gray, appearance),
                           appearance == Appearance::dark ? 0.8 : 0.7);
}

namespace {

// An edge's line into `lines`, its arrow head and end dot into `heads`.
void addEdge(QPainterPath& lines, QPainterPath& heads, const RoutedEdge& edge, bool highlighted) {
    lines.addPath(orthogonalPath(edge.waypoints, edge.cornerRadius));
    const QPointF tip = toQ(edge.waypoints.back());
    const QPointF from = toQ(edge.waypoints[edge.waypoints.size() - 2]);
    heads.addPath(arrowHead(tip, from, highlighted));
    const double radius = (highlighted ? highlightedDotDiameter : dotDiameter) / 2;
    heads.addEllipse(tip, radius, radius);
}

// Strokes the lines (round caps and joins), then fills the heads, in the edge colour.
void drawEdgeShapes(QPainter& painter, const QPainterPath& lines, QPainterPath heads, bool highlighted,
                    Appearance appearance) {
    const QColor color = edgeColor(highlighted, appearance);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, highlighted ? highlightedLineWidth : lineWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(lines);
    heads.setFillRule(Qt::WindingFill);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(heads);
    painter.restore();
}

} // namespace

void paintEdge(QPainter& painter, const RoutedEdge& edge, bool highlighted, Appearance appearance) {
    if (edge.waypoints.size() < 2)
        return;
    QPainterPath lines, heads;
    addEdge(lines, heads, edge, highlighted);
    drawEdgeShapes(painter, lines, heads, highlighted, appearance);
}

void paintEdges(QPainter& painter, const std::vector<RoutedEdge>& edges,
                const std::optional<TableSchema>& selectedTable, Appearance appearance,
                const QRectF& visible) {
    // The plain edges go down as one path of lines and one of arrow heads and dots, then the
    // highlighted ones over them: a few large shapes draw far faster than thousands of small
    // ones, and overlapping lines of one colour no longer darken each other.
    const bool cull = !visible.isEmpty();
    for (bool highlighted : {false, true}) {
        QPainterPath lines, heads;
        bool any = false;
        for (const RoutedEdge& edge : edges) {
            if (edge.waypoints.size() < 2 || isHighlighted(edge, selectedTable) != highlighted)
                continue;
            if (cull && !visible.intersects(waypointBounds(edge.waypoints)))
                continue;
            any = true;
            addEdge(lines, heads, edge, highlighted);
        }
        if (any)
            drawEdgeShapes(painter, lines, heads, highlighted, appearance);
    }
}

} // namespace ketterly::canvas
