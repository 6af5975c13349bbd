#include "layout/DiagramLayout.h"

#include "layout/LayerAssignment.h"
#include "layout/LayerOrdering.h"
#include "support/TestSchema.h"

#include <gtest/gtest.h>

using namespace ketterly;

TEST(NodeSize, CountsCodePointsOfTheLongestColumnName) {
    TableSchema table;
    EXPECT_EQ(nodeSize(table), (Size{180, 48})); // no columns: the minimum width
    ColumnSchema column;
    column.name = "a_rather_long_name"; // 18 characters
    table.columns.push_back(column);
    EXPECT_EQ(nodeSize(table), (Size{244, 70}));
    table.columns[0].name =
        "\xC3\xA9t\xC3\xA9_\xC3\xA9t\xC3\xA9_\xC3\xA9t\xC3\xA9"; // 11 code points, 17 bytes
    EXPECT_EQ(nodeSize(table).width, 188);
}

TEST(DiagramBounds, GrowsTheNodesBoxByFiftyPoints) {
    EXPECT_EQ(diagramBounds({}), Rect{});
    TableSchema a, b;
    a.position = {100, 100}; // 180 x 48
    b.position = {400, 300};
    EXPECT_EQ(diagramBounds({a, b}), (Rect{-40, 26, 580, 348}));
}

namespace {

using test::tableWithKeys;

std::vector<Point> positions(const std::vector<TableSchema>& tables) {
    std::vector<Point> result;
    for (const auto& t : tables)
        result.push_back(t.position);
    return result;
}

std::vector<TableSchema> layout(const std::vector<TableSchema>& tables,
                                LayoutDirection direction = LayoutDirection::topToBottom) {
    LayoutRandom random(1);
    return layoutTables(tables, direction, 180, 60, random);
}

} // namespace

TEST(LayoutTables, PlacesTablesWithoutKeysInOneRowOrColumn) {
    EXPECT_TRUE(layout({}).empty());
    EXPECT_EQ(positions(layout({tableWithKeys("only")})), (std::vector<Point>{{100, 100}}));

    // 180 wide, 70 high each; 60 apart edge to edge.
    const std::vector<TableSchema> three = {tableWithKeys("a"), tableWithKeys("b"), tableWithKeys("c")};
    EXPECT_EQ(positions(layout(three)), (std::vector<Point>{{100, 100}, {340, 100}, {580, 100}}));
    EXPECT_EQ(positions(layout(three, LayoutDirection::leftToRight)),
              (std::vector<Point>{{100, 100}, {100, 230}, {100, 360}}));
}

TEST(LayoutTables, ReferencingTablesComeBeforeTheTablesTheyReference) {
    // Input order is kept; only positions change.
    const std::vector<TableSchema> tables = {
        tableWithKeys("customers"), tableWithKeys("order_items", {"orders", "products"}),
        tableWithKeys("orders", {"customers"}), tableWithKeys("products")};
    const auto placed = layout(tables);
    ASSERT_EQ(placed.size(), 4u);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        auto expected = tables[i];
        expected.position = placed[i].position;
        EXPECT_EQ(placed[i], expected);
    }
    EXPECT_EQ(placed[1].position.y, 100);                  // order_items first
    EXPECT_EQ(placed[2].position.y, placed[3].position.y); // orders beside products
    EXPECT_EQ(placed[2].position.y, 100 + 70 + 180);
    EXPECT_EQ(placed[0].position.y, 100 + 2 * (70 + 180)); // customers last

    // Left to right the same layers become columns.
    const auto sideways = layout(tables, LayoutDirection::leftToRight);
    EXPECT_EQ(sideways[1].position.x, 100);
    EXPECT_EQ(sideways[2].position.x, 100 + 180 + 180);
    EXPECT_EQ(sideways[0].position.x, 100 + 2 * (180 + 180));
}

TEST(AssignLayers, CyclesCaseAndMissingTargets) {
    struct Case {
        std::string label;
        std::vector<TableSchema> tables;
        std::vector<std::vector<int>> layers;
    };
    const Case cases[] = {
        {"two tables referencing each other: the second comes first",
         {tableWithKeys("a", {"b"}), tableWithKeys("b", {"a"})},
         {{1}, {0}}},
        {"a table behind a cycle gets its own last layer",
         {tableWithKeys("root", {"x"}), tableWithKeys("x", {"y"}), tableWithKeys("y", {"x", "tail"}),
          tableWithKeys("tail")},
         {{0}, {1}, {2}, {3}}},
        {"a key whose target differs only in case still links",
         {tableWithKeys("Child", {"PARENT"}), tableWithKeys("parent")},
         {{0}, {1}}},
        {"self references and missing targets are ignored",
         {tableWithKeys("a", {"a", "nowhere"}), tableWithKeys("b")},
         {{0, 1}}},
        {"parallel keys are not merged", {tableWithKeys("a", {"b", "b"}), tableWithKeys("b")}, {{0}, {1}}},
    };
    for (const auto& c : cases) {
        const auto index = buildNameIndex(c.tables);
        EXPECT_EQ(assignLayers(c.tables, index), c.layers) << c.label;
    }
}

TEST(BuildNameIndex, FirstOfNamesEqualIgnoringCaseWins) {
    const auto index =
        buildNameIndex({tableWithKeys("Orders"), tableWithKeys("ORDERS"), tableWithKeys("items")});
    EXPECT_EQ(resolveTable(index, "orders"), 0);
    EXPECT_EQ(resolveTable(index, "ITEMS"), 2);
    EXPECT_EQ(resolveTable(index, "missing"), -1);
}

TEST(BuildLayering, LongKeysPassThroughDummyNodesThatNeverReachTheOutput) {
    // a -> b -> c -> d, and a -> d spanning three layers: two dummies, in layers 1 and 2.
    const std::vector<TableSchema> tables = {tableWithKeys("a", {"b", "d"}), tableWithKeys("b", {"c"}),
                                             tableWithKeys("c", {"d"}), tableWithKeys("d")};
    const auto index = buildNameIndex(tables);
    const auto layers = assignLayers(tables, index);
    const Layering layering = buildLayering(layers, tables, index);
    EXPECT_EQ(layering.layers, (std::vector<std::vector<int>>{{0}, {1, 4}, {2, 5}, {3}}));
    EXPECT_EQ(layering.segments,
              (std::vector<std::pair<int, int>>{{0, 1}, {0, 4}, {4, 5}, {5, 3}, {1, 2}, {2, 3}}));
    LayoutRandom random(3);
    EXPECT_EQ(orderLayers(layers, tables, index, random), layers);
    EXPECT_EQ(layout(tables).size(), 4u);
}

TEST(DiagramBounds, OfOneTable) {
    TableSchema t = tableWithKeys("t"); // 180 x 70
    t.position = {100, 100};
    EXPECT_EQ(diagramBounds({t}), (Rect{-40, 15, 280, 170}));
}

TEST(ResolveOverlaps, PushesApartOnlyBelowFortyPointsOfSeparation) {
    const std::vector<TableSchema> tables = {tableWithKeys("a"), tableWithKeys("b")};
    std::vector<Point> centres = {{0, 0}, {200, 0}}; // 20 apart: grown rectangles overlap by 20
    resolveOverlaps(centres, tables, LayoutDirection::topToBottom);
    EXPECT_EQ(centres, (std::vector<Point>{{-15, 0}, {215, 0}}));
    centres = {{0, 0}, {240, 0}};
    resolveOverlaps(centres, tables, LayoutDirection::topToBottom);
    EXPECT_EQ(centres, (std::vector<Point>{{0, 0}, {240, 0}}));
}
