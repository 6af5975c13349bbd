#include "layout/DiagramLayout.h"

#include "layout/LayerAssignment.h"
#include "layout/LayerOrdering.h"
#include "model/Utf8.h"

#include <algorithm>
#include <limits>

namespace ketterly {

namespace {
constexpr double characterWidth = 8;
constexpr double widthPadding = 100;
constexpr double minimumWidth = 180;
constexpr double headerHeight = 32;
constexpr double rowHeight = 22;
constexpr double bottomMargin = 16;
constexpr double boundsMargin = 50;
constexpr double overlapMargin = 20;
constexpr double overlapPush = 15;
constexpr int overlapPasses = 30;
constexpr double origin = 100;
} // namespace

Size nodeSize(const TableSchema& table) {
    std::size_t longest = 10;
    if (!table.columns.empty()) {
        longest = 0;
        for (const auto& column : table.columns)
            longest = std::max(longest, codePointCount(column.name));
    }
    const double width = std::max(characterWidth * static_cast<double>(longest) + widthPadding, minimumWidth);
    const double height = rowHeight * static_cast<double>(table.columns.size()) + headerHeight + bottomMargin;
    return {width, height};
}

Rect diagramBounds(const std::vector<TableSchema>& tables) {
    if (tables.empty())
        return {};
    double left = std::numeric_limits<double>::infinity(), top = left;
    double right = -left, bottom = -left;
    for (const auto& table : tables) {
        const Size size = nodeSize(table);
        left = std::min(left, table.position.x - size.width / 2);
        top = std::min(top, table.position.y - size.height / 2);
        right = std::max(right, table.position.x + size.width / 2);
        bottom = std::max(bottom, table.position.y + size.height / 2);
    }
    return {left - boundsMargin, top - boundsMargin, right - left + 2 * boundsMargin,
            bottom - top + 2 * boundsMargin};
}

std::vector<Point> assignCoordinates(const std::vector<std::vector<int>>& layers,
                                     const std::vector<TableSchema>& tables, LayoutDirection direction,
                                     double layerSeparation, double nodeSeparation) {
    const bool topToBottom = direction == LayoutDirection::topToBottom;
    std::vector<Size> sizes;
    sizes.reserve(tables.size());
    for (const auto& table : tables)
        sizes.push_back(nodeSize(table));
    const auto along = [&](int node) {
        return topToBottom ? sizes[std::size_t(node)].height : sizes[std::size_t(node)].width;
    };
    const auto across = [&](int node) {
        return topToBottom ? sizes[std::size_t(node)].width : sizes[std::size_t(node)].height;
    };

    std::vector<double> thickness, breadth;
    for (const auto& layer : layers) {
        double thick = 0, broad = 0;
        for (std::size_t i = 0; i < layer.size(); ++i) {
            thick = std::max(thick, along(layer[i]));
            broad += across(layer[i]) + (i > 0 ? nodeSeparation : 0);
        }
        thickness.push_back(thick);
        breadth.push_back(broad);
    }
    const double widest = breadth.empty() ? 0 : *std::max_element(breadth.begin(), breadth.end());

    std::vector<Point> centres(tables.size());
    double alongOffset = 0;
    for (std::size_t k = 0; k < layers.size(); ++k) {
        double acrossOffset = (widest - breadth[k]) * 0.5;
        for (int node : layers[k]) {
            const double centreAlong = alongOffset + thickness[k] * 0.5;
            const double centreAcross = acrossOffset + across(node) * 0.5;
            centres[std::size_t(node)] =
                topToBottom ? Point{centreAcross, centreAlong} : Point{centreAlong, centreAcross};
            acrossOffset += across(node) + nodeSeparation;
        }
        alongOffset += thickness[k] + layerSeparation;
    }
    return centres;
}

namespace {

struct Box {
    double left, top, right, bottom;
};

// Whether any two grown node rectangles overlap, by a sweep over their left edges; most layouts
// have none, and this spares them the pairwise passes.
bool anyOverlap(const std::vector<Point>& centres, const std::vector<Size>& grown) {
    std::vector<Box> boxes;
    boxes.reserve(centres.size());
    for (std::size_t i = 0; i < centres.size(); ++i)
        boxes.push_back({centres[i].x - grown[i].width / 2, centres[i].y - grown[i].height / 2,
                         centres[i].x + grown[i].width / 2, centres[i].y + grown[i].height / 2});
    std::sort(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.left < b.left; });
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size() && boxes[j].left < boxes[i].right; ++j)
            if (boxes[j].top < boxes[i].bottom && boxes[i].top < boxes[j].bottom)
                return true;
    return false;
}

} // namespace

void resolveOverlaps(std::vector<Point>& centres, const std::vector<TableSchema>& tables,
                     LayoutDirection direction) {
    std::vector<Size> grown;
    grown.reserve(tables.size());
    for (const auto& table : tables) {
        const Size size = nodeSize(table);
        grown.push_back({size.width + 2 * overlapMargin, size.height + 2 * overlapMargin});
    }
    if (!anyOverlap(centres, grown))
        return;
    const bool topToBottom = direction == LayoutDirection::topToBottom;
    for (int pass = 0; pass < overlapPasses; ++pass) {
        bool changed = false;
        for (std::size_t j = 0; j < centres.size(); ++j) {
            for (std::size_t k = j + 1; k < centres.size(); ++k) {
                Point& a = centres[j];
                Point& b = centres[k];
                const double overlapX = (grown[j].width + grown[k].width) * 0.5 - std::abs(a.x - b.x);
                const double overlapY = (grown[j].height + grown[k].height) * 0.5 - std::abs(a.y - b.y);
                if (overlapX <= 0 || overlapY <= 0)
                    continue;
                const bool pushX = topToBottom ? overlapX < 1.5 * overlapY : !(overlapY < 1.5 * overlapX);
                if (pushX) {
                    const double d = a.x > b.x ? overlapPush : -overlapPush;
                    a.x += d;
                    b.x -= d;
                } else {
                    const double d = a.y > b.y ? overlapPush : -overlapPush;
                    a.y += d;
                    b.y -= d;
                }
                changed = true;
            }
        }
        if (!changed)
            break;
    }
}

void normalizePositions(std::vector<Point>& centres) {
    if (centres.empty())
        return;
    double minX = centres[0].x, minY = centres[0].y;
    for (const auto& c : centres) {
        minX = std::min(minX, c.x);
        minY = std::min(minY, c.y);
    }
    const double dx = origin - minX, dy = origin - minY;
    for (auto& c : centres) {
        c.x += dx;
        c.y += dy;
    }
}

std::vector<TableSchema> layoutTables(std::vector<TableSchema> tables, LayoutDirection direction,
                                      double layerSeparation, double nodeSeparation, LayoutRandom& random) {
    if (tables.empty())
        return tables;
    const auto nameIndex = buildNameIndex(tables);
    const auto layers = orderLayers(assignLayers(tables, nameIndex), tables, nameIndex, random);
    auto centres = assignCoordinates(layers, tables, direction, layerSeparation, nodeSeparation);
    resolveOverlaps(centres, tables, direction);
    normalizePositions(centres);
    for (std::size_t i = 0; i < tables.size(); ++i)
        tables[i].position = centres[i];
    return tables;
}

} // namespace ketterly
