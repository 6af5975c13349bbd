#include "canvas/EdgePainter.h"

#include "layout/EdgeRouter.h"
#include "ui/Palette.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using namespace ketterly;
using namespace ketterly::canvas;

namespace {

// The path as text: M(ove), L(ine) and Q(uadratic, control point then end). Qt keeps quadratic
// curves as cubic ones (the control point comes back as p0 + 3/2 (c1 - p0)) and drops pieces that
// go nowhere, such as a line to the point where the path already is.
std::string describe(const QPainterPath& path) {
    std::ostringstream out;
    const auto number = [&](double v) { out << std::round(v * 100) / 100; };
    const auto point = [&](QPointF p) {
        number(p.x());
        out << ",";
        number(p.y());
    };
    QPointF current;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (i > 0)
            out << " ";
        if (e.isMoveTo() || e.isLineTo()) {
            out << (e.isMoveTo() ? "M" : "L");
            point(e);
            current = e;
        } else if (e.isCurveTo()) {
            const QPointF c1 = e, end = path.elementAt(i + 2);
            out << "Q";
            point(current + 1.5 * (c1 - current));
            out << " ";
            point(end);
            current = end;
            i += 2;
        }
    }
    return out.str();
}

RoutedEdge edge(std::string from, std::string to, std::vector<Point> waypoints) {
    RoutedEdge e;
    e.relationship.fromTable = std::move(from);
    e.relationship.toTable = std::move(to);
    e.relationship.fromColumn = e.relationship.toTable + "_id";
    e.relationship.toColumn = "id";
    e.id = foreignKeyId(e.relationship.fromTable, e.relationship.fromColumn, e.relationship.toTable, "id");
    e.waypoints = std::move(waypoints);
    return e;
}

TableSchema table(std::string name) {
    TableSchema t;
    t.id = t.name = std::move(name);
    return t;
}

} // namespace

TEST(OrthogonalPath, RoundsEachBendByAtMostHalfOfItsSegments) {
    struct Case {
        const char* what;
        std::vector<Point> waypoints;
        double radius;
        std::string expected;
    };
    const Case cases[] = {
        {"no points", {}, 8, ""},
        {"one point", {{5, 5}}, 8, ""},
        {"two points: a straight line", {{0, 0}, {100, 0}}, 8, "M0,0 L100,0"},
        {"one bend of the full radius",
         {{0, 0}, {100, 0}, {100, 100}},
         8,
         "M0,0 L92,0 Q100,0 100,8 L100,100"},
        {"a middle segment shorter than two radii",
         {{0, 0}, {50, 0}, {50, 10}, {100, 10}},
         8,
         "M0,0 L45,0 Q50,0 50,5 Q50,10 55,10 L100,10"},
        {"a short first segment", {{0, 0}, {6, 0}, {6, 100}}, 8, "M0,0 L3,0 Q6,0 6,3 L6,100"},
        {"a zero-length segment: straight to the bend",
         {{0, 0}, {50, 0}, {50, 0}, {50, 50}},
         8,
         "M0,0 L50,0 L50,50"},
        {"radius zero", {{0, 0}, {100, 0}, {100, 100}}, 0, "M0,0 L100,0 L100,100"},
        {"a bend going back up and left",
         {{100, 100}, {100, 20}, {0, 20}},
         8,
         "M100,100 L100,28 Q100,20 92,20 L0,20"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(orthogonalPath(c.waypoints, c.radius)), c.expected) << c.what;
}

TEST(OrthogonalPath, RoundsEveryBendOfARoutedSelfReference) {
    TableSchema self = table("nodes");
    ColumnSchema parent;
    parent.id = parent.name = "parent_id";
    self.columns.push_back(parent);
    self.foreignKeys.push_back(
        {foreignKeyId("nodes", "parent_id", "nodes", "id"), "nodes", "parent_id", "nodes", "id"});
    const auto edges = routeEdges(self.foreignKeys, {self}, LayoutDirection::topToBottom, 8);
    ASSERT_EQ(edges.size(), 1u);
    const auto& points = edges[0].waypoints;
    ASSERT_GE(points.size(), 4u);
    const QPainterPath path = orthogonalPath(points, 8);
    int curves = 0;
    for (int i = 0; i < path.elementCount(); ++i)
        curves += path.elementAt(i).isCurveTo();
    EXPECT_EQ(curves, static_cast<int>(points.size()) - 2);
    EXPECT_EQ(path.currentPosition(), QPointF(points.back().x, points.back().y));
}

TEST(ArrowHead, IsATriangleOfTheGivenSideAlongTheDirection) {
    const double h = 10 * std::sqrt(3.0) / 2; // the height of the 10-sided triangle
    const double H = 12 * std::sqrt(3.0) / 2;
    struct Case {
        const char* what;
        QPointF tip, from;
        bool highlighted;
        QPointF first, second;
    };
    const Case cases[] = {
        {"right", {100, 0}, {0, 0}, false, {100 - h, 5}, {100 - h, -5}},
        {"right, highlighted", {100, 0}, {0, 0}, true, {100 - H, 6}, {100 - H, -6}},
        {"down", {0, 100}, {0, 0}, false, {-5, 100 - h}, {5, 100 - h}},
        {"left, from close by", {0, 0}, {1, 0}, false, {h, -5}, {h, 5}},
        {"up, highlighted", {0, 0}, {0, 50}, true, {6, H}, {-6, H}},
    };
    for (const auto& c : cases) {
        const QPainterPath path = arrowHead(c.tip, c.from, c.highlighted);
        ASSERT_EQ(path.elementCount(), 4) << c.what; // closed: back to the tip
        const auto near = [](QPointF a, QPointF b) {
            return std::hypot(a.x() - b.x(), a.y() - b.y()) < 1e-9;
        };
        EXPECT_TRUE(near(path.elementAt(0), c.tip)) << c.what;
        EXPECT_TRUE(near(path.elementAt(1), c.first)) << c.what;
        EXPECT_TRUE(near(path.elementAt(2), c.second)) << c.what;
        EXPECT_TRUE(near(path.elementAt(3), c.tip)) << c.what;
    }
}

TEST(EdgeHighlight, OnlyTheSelectedTablesEdgesIgnoringLetterCase) {
    const RoutedEdge e = edge("orders", "Customers", {{0, 0}, {0, 100}});
    struct Case {
        std::optional<TableSchema> selected;
        bool highlighted;
    };
    const Case cases[] = {
        {std::nullopt, false},      {table("orders"), true},    {table("ORDERS"), true},
        {table("customers"), true}, {table("Customers"), true}, {table("items"), false},
        {table("orders2"), false},  {table("order"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isHighlighted(e, c.selected), c.highlighted) << (c.selected ? c.selected->name : "none");
}

namespace {

QImage whiteImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// Whether the pixel shows `color` (with its opacity) over white.
bool showsOverWhite(const QImage& image, int x, int y, const QColor& color, int tolerance = 4) {
    const QColor pixel = image.pixelColor(x, y);
    const double a = color.alphaF();
    const auto over = [&](double c) { return static_cast<int>(std::lround((c * a + (1 - a)) * 255)); };
    return std::abs(pixel.red() - over(color.redF())) <= tolerance &&
           std::abs(pixel.green() - over(color.greenF())) <= tolerance &&
           std::abs(pixel.blue() - over(color.blueF())) <= tolerance;
}

// The painted thickness of a horizontal line at column x: rows that are not white.
int thicknessAt(const QImage& image, int x) {
    int rows = 0;
    for (int y = 0; y < image.height(); ++y)
        rows += image.pixelColor(x, y) != QColor(Qt::white);
    return rows;
}

} // namespace

TEST(EdgePainting, GreyAndThinUnlessTheSelectedTableTouchesTheEdge) {
    for (Appearance appearance : {Appearance::light, Appearance::dark}) {
        const std::vector<RoutedEdge> edges = {edge("orders", "customers", {{10, 20.5}, {190, 20.5}}),
                                               edge("items", "products", {{10, 60}, {190, 60}})};
        QImage image = whiteImage(200, 80);
        {
            QPainter painter(&image);
            paintEdges(painter, edges, table("Customers"), appearance);
        }
        const QColor accent = ui::accentColor(appearance);
        const QColor grey = ui::withOpacity(ui::namedColor(ui::NamedColor::gray, appearance),
                                            appearance == Appearance::dark ? 0.8 : 0.7);
        EXPECT_TRUE(showsOverWhite(image, 100, 20, accent));
        EXPECT_TRUE(showsOverWhite(image, 100, 60, grey));
        EXPECT_EQ(thicknessAt(image, 100), 3 + 2); // 3 wide and 2 wide, each on whole pixels
    }
}

TEST(EdgePainting, ArrowAndDotSitAtTheLastWaypoint) {
    for (bool highlighted : {false, true}) {
        QImage image = whiteImage(200, 60);
        {
            QPainter painter(&image);
            paintEdge(painter, edge("a", "b", {{10, 30}, {150, 30}}), highlighted, Appearance::light);
        }
        const double side = highlighted ? 12 : 10, dot = highlighted ? 10 : 8;
        // The dot is round around the tip; the arrow widens behind it to half its side.
        EXPECT_NE(image.pixelColor(150 + int(dot / 2) - 1, 30), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(150 + int(dot / 2) + 2, 30), QColor(Qt::white));
        const int back = 150 - int(side * std::sqrt(3.0) / 2) + 1;
        EXPECT_NE(image.pixelColor(back, 30 - int(side / 2) + 1), QColor(Qt::white)) << side;
        EXPECT_EQ(image.pixelColor(back, 30 - int(side / 2) - 2), QColor(Qt::white)) << side;
    }
}

TEST(EdgePainting, SkipsEdgesOutsideTheVisibleAreaAndEdgesWithoutARoute) {
    const std::vector<RoutedEdge> edges = {edge("a", "b", {{10, 20}, {90, 20}}), edge("c", "d", {{50, 50}}),
                                           edge("e", "f", {{10, 70}, {90, 70}})};
    QImage culled = whiteImage(100, 100);
    {
        QPainter painter(&culled);
        paintEdges(painter, edges, std::nullopt, Appearance::light, QRectF(0, 0, 100, 40));
    }
    EXPECT_NE(culled.pixelColor(50, 20), QColor(Qt::white));
    EXPECT_EQ(culled.pixelColor(50, 50), QColor(Qt::white));
    EXPECT_EQ(culled.pixelColor(50, 70), QColor(Qt::white));

    QImage all = whiteImage(100, 100);
    {
        QPainter painter(&all);
        paintEdges(painter, edges, std::nullopt, Appearance::light);
    }
    EXPECT_NE(all.pixelColor(50, 70), QColor(Qt::white));
    EXPECT_EQ(all.pixelColor(50, 50), QColor(Qt::white)); // one point: nothing, not even a dot
}
