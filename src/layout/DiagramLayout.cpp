#include "layout/DiagramLayout.h"

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
    return {left - boundsMargin, top - boundsMargin, right - left + 2 * boundsMargin, bottom - top + 2 * boundsMargin};
}

} // namespace ketterly
