#include "layout/DiagramLayout.h"
#include "layout/LayerAssignment.h"
#include "layout/LayerOrdering.h"

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

namespace {

TableSchema node(const std::string& name, const std::vector<std::string>& references = {}, int columns = 1) {
    TableSchema t;
    t.id = t.name = name;
    for (int c = 0; c < columns; ++c) {
        ColumnSchema column;
        column.id = column.name = "col" + std::to_string(c);
        t.columns.push_back(column);
    }
    for (const auto& target : references) {
        ForeignKeyInfo key{foreignKeyId(name, target + "_id", target, "id"), name, target + "_id", target, "id"};
        t.foreignKeys.push_back(key);
    }
    return t;
}

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
    EXPECT_EQ(positions(layout({node("only")})), (std::vector<Point>{{100, 100}}));

    // 180 wide, 70 high each; 60 apart edge to edge.
    const std::vector<TableSchema> three = {node("a"), node("b"), node("c")};
    EXPECT_EQ(positions(layout(three)), (std::vector<Point>{{100, 100}, {340, 100}, {580, 100}}));
    EXPECT_EQ(positions(layout(three, LayoutDirection::leftToRight)),
              (std::vector<Point>{{100, 100}, {100, 230}, {100, 360}}));
}

TEST(LayoutTables, ReferencingTablesComeBeforeTheTablesTheyReference) {
    // Input order is kept; only positions change.
    const std::vector<TableSchema> tables = {node("customers"), node("order_items", {"orders", "products"}),
                                             node("orders", {"customers"}), node("products")};
    const auto placed = layout(tables);
    ASSERT_EQ(placed.size(), 4u);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        auto expected = tables[i];
        expected.position = placed[i].position;
        EXPECT_EQ(placed[i], expected);
    }
    EXPECT_EQ(placed[1].position.y, 100);                        // order_items first
    EXPECT_EQ(placed[2].position.y, placed[3].position.y);       // orders beside products
    EXPECT_EQ(placed[2].position.y, 100 + 70 + 180);
    EXPECT_EQ(placed[0].position.y, 100 + 2 * (70 + 180));       // customers last

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
         {node("a", {"b"}), node("b", {"a"})},
         {{1}, {0}}},
        {"a table behind a cycle gets its own last layer",
         {node("root", {"x"}), node("x", {"y"}), node("y", {"x", "tail"}), node("tail")},
         {{0}, {1}, {2}, {3}}},
        {"a key whose target differs only in case still links",
         {node("Child", {"PARENT"}), node("parent")},
         {{0}, {1}}},
        {"self references and missing targets are ignored",
         {node("a", {"a", "nowhere"}), node("b")},
         {{0, 1}}},
        {"parallel keys are not merged",
         {node("a", {"b", "b"}), node("b")},
         {{0}, {1}}},
    };
    for (const auto& c : cases) {
        const auto index = buildNameIndex(c.tables);
        EXPECT_EQ(assignLayers(c.tables, index), c.layers) << c.label;
    }
}

TEST(BuildNameIndex, FirstOfNamesEqualIgnoringCaseWins) {
    const auto index = buildNameIndex({node("Orders"), node("ORDERS"), node("items")});
    EXPECT_EQ(resolveTable(index, "orders"), 0);
    EXPECT_EQ(resolveTable(index, "ITEMS"), 2);
    EXPECT_EQ(resolveTable(index, "missing"), -1);
}

TEST(BuildLayering, LongKeysPassThroughDummyNodesThatNeverReachTheOutput) {
    // a -> b -> c -> d, and a -> d spanning three layers: two dummies, in layers 1 and 2.
    const std::vector<TableSchema> tables = {node("a", {"b", "d"}), node("b", {"c"}), node("c", {"d"}), node("d")};
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
    TableSchema t = node("t"); // 180 x 70
    t.position = {100, 100};
    EXPECT_EQ(diagramBounds({t}), (Rect{-40, 15, 280, 170}));
}

TEST(ResolveOverlaps, PushesApartOnlyBelowFortyPointsOfSeparation) {
    const std::vector<TableSchema> tables = {node("a"), node("b")};
    std::vector<Point> centres = {{0, 0}, {200, 0}}; // 20 apart: grown rectangles overlap by 20
    resolveOverlaps(centres, tables, LayoutDirection::topToBottom);
    EXPECT_EQ(centres, (std::vector<Point>{{-15, 0}, {215, 0}}));
    centres = {{0, 0}, {240, 0}};
    resolveOverlaps(centres, tables, LayoutDirection::topToBottom);
    EXPECT_EQ(centres, (std::vector<Point>{{0, 0}, {240, 0}}));
}
