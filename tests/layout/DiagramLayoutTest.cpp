#include "layout/DiagramLayout.h"

#include <gtest/gtest.h>

using namespace ketterly;

TEST(NodeSize, CountsCodePointsOfTheLongestColumnName) {
    TableSchema table;
    EXPECT_EQ(nodeSize(table), (Size{180, 48})); // no columns: the minimum width
    ColumnSchema column;
    column.name = "a_rather_long_name"; // 18 characters
    table.columns.push_back(column);
    EXPECT_EQ(nodeSize(table), (Size{244, 70}));
    table.columns[0].name = "\xC3\xA9t\xC3\xA9_\xC3\xA9t\xC3\xA9_\xC3\xA9t\xC3\xA9"; // 11 code points, 17 bytes
    EXPECT_EQ(nodeSize(table).width, 188);
}

TEST(DiagramBounds, GrowsTheNodesBoxByFiftyPoints) {
    EXPECT_EQ(diagramBounds({}), Rect{});
    TableSchema a, b;
    a.position = {100, 100}; // 180 x 48
    b.position = {400, 300};
    EXPECT_EQ(diagramBounds({a, b}), (Rect{-40, 26, 580, 348}));
}
