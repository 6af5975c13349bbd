#include "layout/EdgeRouter.h"

#include "layout/DiagramLayout.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace ketterly {
// Readable failure messages for point lists.
void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
} // namespace ketterly

using namespace ketterly;

namespace {

// A table of `columns` columns whose names are `nameLength` characters long: 180 wide up to 10
// characters, 48 + 22 per column high.
TableSchema makeTable(std::string name, Point position, int columns = 0, int nameLength = 1) {
    TableSchema table;
    table.name = std::move(name);
    table.position = position;
    for (int i = 0; i < columns; ++i) {
        ColumnSchema column;
        column.name = std::string(static_cast<std::size_t>(nameLength), 'c');
        table.columns.push_back(column);
    }
    return table;
}

ForeignKeyInfo makeKey(std::string id, std::string fromTable, std::string toTable) {
    ForeignKeyInfo key;
    key.id = std::move(id);
    key.fromTable = std::move(fromTable);
    key.fromColumn = "ref";
    key.toTable = std::move(toTable);
    key.toColumn = "id";
    return key;
}

std::vector<std::string> ids(const std::vector<RoutedEdge>& edges) {
    std::vector<std::string> result;
    for (const auto& edge : edges)
        result.push_back(edge.id);
    return result;
}

struct RouteCase {
    const char* name;
    LayoutDirection direction;
    TableSchema from;
    TableSchema to;
    std::vector<Point> expected;
};

constexpr auto topToBottom = LayoutDirection::topToBottom;
constexpr auto leftToRight = LayoutDirection::leftToRight;

} // namespace

TEST(EdgeRouter, ChoosesSidesAndBendsByRelativePosition) {
    // 0 columns: 180 x 48; 3 columns: 180 x 114; 1 column of an 18-character name: 244 x 70.
    const std::vector<RouteCase> cases = {
        {"vertically aligned: straight down",
         topToBottom,
         makeTable("a", {100, 100}),
         makeTable("b", {100, 300}),
         {{100, 124}, {100, 276}}},
        {"below and 200 to the right: bends halfway",
         topToBottom,
         makeTable("a", {100, 100}),
         makeTable("b", {300, 300}),
         {{100, 124}, {100, 200}, {300, 200}, {300, 276}}},
        {"above: leaves the top",
         topToBottom,
         makeTable("a", {100, 300}),
         makeTable("b", {300, 100}),
         {{100, 276}, {100, 200}, {300, 200}, {300, 124}}},
        {"each table's own height",
         topToBottom,
         makeTable("a", {100, 100}, 3),
         makeTable("b", {300, 400}),
         {{100, 157}, {100, 266.5}, {300, 266.5}, {300, 376}}},
        {"same y, to the right",
         topToBottom,
         makeTable("a", {100, 100}),
         makeTable("b", {400, 100}),
         {{190, 100}, {310, 100}}},
        {"same y, to the left",
         topToBottom,
         makeTable("a", {400, 100}),
         makeTable("b", {100, 100}),
         {{310, 100}, {190, 100}}},
        {"same position, top to bottom",
         topToBottom,
         makeTable("a", {100, 100}),
         makeTable("b", {100, 100}),
         {{10, 100}, {190, 100}}},
        {"to the right: bends halfway",
         leftToRight,
         makeTable("a", {100, 100}),
         makeTable("b", {400, 250}),
         {{190, 100}, {250, 100}, {250, 250}, {310, 250}}},
        {"to the left",
         leftToRight,
         makeTable("a", {400, 250}),
         makeTable("b", {100, 100}),
         {{310, 250}, {250, 250}, {250, 100}, {190, 100}}},
        {"each table's own width",
         leftToRight,
         makeTable("a", {100, 100}, 1, 18),
         makeTable("b", {500, 300}),
         {{222, 100}, {316, 100}, {316, 300}, {410, 300}}},
        {"same x, below",
         leftToRight,
         makeTable("a", {100, 100}),
         makeTable("b", {100, 300}),
         {{100, 124}, {100, 276}}},
        {"same x, above",
         leftToRight,
         makeTable("a", {100, 300}),
         makeTable("b", {100, 100}),
         {{100, 276}, {100, 124}}},
        {"same position, left to right",
         leftToRight,
         makeTable("a", {100, 100}),
         makeTable("b", {100, 100}),
         {{100, 76}, {100, 124}}},
        {"half a point off across a vertical route",
         topToBottom,
         makeTable("a", {100, 100}),
         makeTable("b", {100.5, 300}),
         {{100, 124}, {100.5, 276}}},
        {"half a point off across a horizontal route",
         leftToRight,
         makeTable("a", {100, 100}),
         makeTable("b", {400, 99.5}),
         {{190, 100}, {310, 99.5}}},
        {"three points off: the crowded second bend goes",
         topToBottom,
         makeTable("a", {100, 100}),
         makeTable("b", {103, 300}),
         {{100, 124}, {100, 200}, {103, 276}}},
        {"three points off across a horizontal route",
         leftToRight,
         makeTable("a", {100, 100}),
         makeTable("b", {400, 97}),
         {{190, 100}, {250, 100}, {310, 97}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto edges = routeEdges({makeKey("k", c.from.name, c.to.name)}, {c.from, c.to}, c.direction, 8);
        ASSERT_EQ(edges.size(), 1u);
        EXPECT_EQ(edges[0].waypoints, c.expected);
    }
}

TEST(EdgeRouter, SelfReferenceIsAFixedLoopOnTheRightSide) {
    const TableSchema node = makeTable("Node", {100, 100}, 1);
    ASSERT_EQ(nodeSize(node), (Size{180, 70}));
    const std::vector<Point> loop = {{190, 89.5},  {230, 89.5},  {230, 59.5},  {270, 59.5},
                                     {270, 140.5}, {230, 140.5}, {230, 110.5}, {190, 110.5}};
    for (auto direction : allLayoutDirections) {
        // The key names the table in another letter case: still a self reference.
        const auto edges = routeEdges({makeKey("k", "node", "NODE")}, {node}, direction, 8);
        ASSERT_EQ(edges.size(), 1u);
        EXPECT_EQ(edges[0].waypoints, loop);
    }
}

TEST(EdgeRouter, KeepsRelationshipOrderAndSkipsMissingTables) {
    const std::vector<TableSchema> tables = {makeTable("a", {100, 100}), makeTable("b", {100, 300})};
    const std::vector<ForeignKeyInfo> keys = {makeKey("1", "a", "b"), makeKey("2", "a", "missing"),
                                              makeKey("3", "gone", "b"), makeKey("4", "b", "a"),
                                              makeKey("5", "a", "b")};
    const auto edges = routeEdges(keys, tables, topToBottom, 12.5);
    EXPECT_EQ(ids(edges), (std::vector<std::string>{"1", "4", "5"}));
    EXPECT_EQ(edges[0].relationship, keys[0]);
    EXPECT_EQ(edges[1].relationship, keys[3]);
    EXPECT_EQ(edges[1].waypoints, (std::vector<Point>{{100, 276}, {100, 124}}));
    for (const auto& edge : edges)
        EXPECT_EQ(edge.cornerRadius, 12.5);
    // Two keys between the same tables are told apart only by their id.
    EXPECT_EQ(edges[2].waypoints, edges[0].waypoints);

    EXPECT_TRUE(routeEdges(keys, {}, topToBottom, 8).empty());
    EXPECT_TRUE(routeEdges({}, tables, topToBottom, 8).empty());
}

TEST(EdgeRouter, FindsTablesIgnoringAsciiCaseAndTheFirstOfEqualNamesWins) {
    const std::vector<TableSchema> tables = {makeTable("Orders", {100, 100}), makeTable("ORDERS", {900, 900}),
                                             makeTable("Items", {100, 400}),
                                             makeTable("\xC3\x84pfel", {500, 400})};
    const auto edges = routeEdges({makeKey("1", "items", "orders"), makeKey("2", "ORDERS", "Orders"),
                                   makeKey("3", "Items", "\xC3\xA4pfel")}, // "äpfel": only ASCII letters fold
                                  tables, topToBottom, 8);
    ASSERT_EQ(ids(edges), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(edges[0].waypoints, (std::vector<Point>{{100, 376}, {100, 124}}));
    // Both names resolve to the first "Orders": a loop on that table, not a route to the second.
    EXPECT_EQ(edges[1].waypoints.size(), 8u);
    EXPECT_EQ(edges[1].waypoints.front(), (Point{190, 100 - 0.15 * 48}));
}

TEST(OrthogonalWaypoints, TheStartSideSetsTheRouteAxis) {
    EXPECT_EQ(orthogonalWaypoints(Side::bottom, Side::top, {0, 0}, {100, 30}),
              (std::vector<Point>{{0, 0}, {0, 15}, {100, 15}, {100, 30}}));
    EXPECT_EQ(orthogonalWaypoints(Side::right, Side::left, {0, 0}, {100, 30}),
              (std::vector<Point>{{0, 0}, {50, 0}, {50, 30}, {100, 30}}));
    // Exactly one point across the route is bent (and the crowded second bend dropped); less is straight.
    EXPECT_EQ(orthogonalWaypoints(Side::top, Side::bottom, {0, 100}, {1, 0}),
              (std::vector<Point>{{0, 100}, {0, 50}, {1, 0}}));
    EXPECT_EQ(orthogonalWaypoints(Side::left, Side::right, {100, 0}, {0, 0.99}),
              (std::vector<Point>{{100, 0}, {0, 0.99}}));
}

TEST(SimplifyWaypoints, DropsStraightThroughPointsThenCrowdedOnes) {
    struct Case {
        const char* name;
        std::vector<Point> input;
        std::vector<Point> expected;
    };
    const std::vector<Case> cases = {
        {"empty", {}, {}},
        {"two close points stay", {{0, 0}, {1, 1}}, {{0, 0}, {1, 1}}},
        {"a point on a straight run goes",
         {{0, 0}, {50, 0}, {100, 0}, {100, 100}},
         {{0, 0}, {100, 0}, {100, 100}}},
        {"a diagonal of equal steps counts as vertical",
         {{0, 0}, {10, 10}, {20, 10}},
         {{0, 0}, {10, 10}, {20, 10}}},
        {"a zero-length segment counts as vertical",
         {{0, 0}, {100, 0}, {100, 0}, {200, 0}},
         {{0, 0}, {100, 0}, {200, 0}}},
        {"compares with the last kept point, not the previous input",
         {{0, 0}, {100, 0}, {0, 50}, {0, 200}},
         {{0, 0}, {0, 200}}},
        {"a bend 4 points after the previous goes",
         {{0, 0}, {0, 100}, {4, 100}, {4, 200}},
         {{0, 0}, {0, 100}, {4, 200}}},
        {"exactly 5 points apart still goes",
         {{0, 0}, {0, 100}, {5, 100}, {5, 200}},
         {{0, 0}, {0, 100}, {5, 200}}},
        {"6 points apart stays",
         {{0, 0}, {0, 100}, {6, 100}, {6, 200}},
         {{0, 0}, {0, 100}, {6, 100}, {6, 200}}},
        {"the last point too, by straight-line distance",
         {{0, 0}, {0, 100}, {100, 100}, {103, 104}},
         {{0, 0}, {0, 100}, {100, 100}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(simplifyWaypoints(c.input), c.expected);
    }
}
