#include "canvas/TableNodePainter.h"

#include "ui/Palette.h"

#include <QBuffer>
#include <QImage>
#include <QSvgGenerator>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace ketterly;
using namespace ketterly::canvas;

namespace {

ColumnSchema column(std::string name, std::string type, bool notNull = false, bool primaryKey = false) {
    ColumnSchema c;
    c.id = c.name = std::move(name);
    c.type = std::move(type);
    c.isNotNull = notNull;
    c.isPrimaryKey = primaryKey;
    return c;
}

TableSchema table(std::string name, std::vector<ColumnSchema> columns, TableColor color = TableColor::green) {
    TableSchema t;
    t.id = t.name = std::move(name);
    t.columns = std::move(columns);
    for (const auto& c : t.columns)
        if (c.isPrimaryKey)
            t.primaryKeyColumns.push_back(c.name);
    t.color = color;
    return t;
}

void addKey(TableSchema& t, const std::string& fromColumn, const std::string& toTable) {
    t.foreignKeys.push_back(
        {foreignKeyId(t.name, fromColumn, toTable, "id"), t.name, fromColumn, toTable, "id"});
}

QColor backgroundOf(Appearance appearance) {
    return appearance == Appearance::dark ? QColor(30, 30, 30) : QColor(Qt::white);
}

// A node painted at scale 1 into an image holding everything it paints; pixels are read in the
// node's own coordinates (0, 0 at its top-left corner).
struct RenderedNode {
    QImage image;
    QPointF origin; // the node's top-left corner in the image
    QSizeF size;

    QColor at(double x, double y) const {
        return image.pixelColor(static_cast<int>(std::floor(origin.x() + x)),
                                static_cast<int>(std::floor(origin.y() + y)));
    }
};

RenderedNode render(const TableSchema& t, Appearance appearance, bool selected = false, NodeLift lift = {},
                    int dpi = 96) {
    const QRectF painted = tableNodePaintedRect(t, {0, 0}, lift).toAlignedRect();
    QImage image(painted.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    image.fill(backgroundOf(appearance));
    {
        QPainter painter(&image);
        painter.translate(-painted.topLeft());
        paintTableNode(painter, t, {0, 0}, selected, appearance, lift);
    }
    const QRectF node = tableNodeRect(t, {0, 0});
    return {image, node.topLeft() - painted.topLeft(), node.size()};
}

bool near(const QColor& a, const QColor& b, int tolerance = 2) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Equal but for rounding and antialiasing noise; a predicate for readable failures.
bool looksLike(const QColor& a, const QColor& b) {
    return near(a, b, 2);
}

// `color` with its opacity over the opaque `below`.
QColor over(const QColor& color, const QColor& below) {
    const double a = color.alphaF();
    return QColor::fromRgbF(static_cast<float>(color.redF() * a + below.redF() * (1 - a)),
                            static_cast<float>(color.greenF() * a + below.greenF() * (1 - a)),
                            static_cast<float>(color.blueF() * a + below.blueF() * (1 - a)));
}

// Whether some pixel of the area (node coordinates) shows `color`.
bool anyPixel(const RenderedNode& node, QRectF area, const QColor& color, int tolerance) {
    for (int y = int(area.top()); y < int(area.bottom()); ++y)
        for (int x = int(area.left()); x < int(area.right()); ++x)
            if (near(node.at(x, y), color, tolerance))
                return true;
    return false;
}

std::string describe(const QColor& c) {
    return c.name().toStdString();
}

} // namespace

TEST(TableNode, IsExactlyTheLayoutsNodeSize) {
    struct Case {
        TableSchema table;
        QSizeF size;
    };
    const Case cases[] = {
        {table("empty", {}), {180, 48}},
        {table("t", {column("id", "INTEGER"), column("name", "TEXT"), column("note", "")}),
         {180, 48 + 3 * 22}},
        {table("t", {column(std::string(20, 'c'), "TEXT")}), {8 * 20 + 100, 70}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tableNodeRect(c.table, {500, 300}),
                  QRectF(QPointF(500, 300) - QPointF(c.size.width() / 2, c.size.height() / 2), c.size));
        const QRectF painted = tableNodePaintedRect(c.table, {500, 300});
        const double margin = tableNodeShadowMargin();
        EXPECT_EQ(painted, tableNodeRect(c.table, {500, 300}).adjusted(-margin, -margin, margin, margin));
    }
}

TEST(TableNode, HeaderBandAndBodyInTheTableColoursPinnedToTheLayoutHeights) {
    for (Appearance appearance : {Appearance::light, Appearance::dark})
        for (TableColor color : allTableColors) {
            const TableSchema t = table("orders", {column("note", "TEXT"), column("total", "REAL")}, color);
            const RenderedNode node = render(t, appearance);
            const QColor header = ui::tableHeaderColor(color, appearance);
            const QColor fill = ui::tableFillColor(color, appearance);
            const double w = node.size.width(), h = node.size.height();
            ASSERT_EQ(h, 32 + 2 * 22 + 16);
            const std::string where =
                std::string(toText(color)) + (appearance == Appearance::dark ? " dark" : " light");
            // Header: above the text, and on the last pixel row of the 32.
            EXPECT_PRED2(looksLike, node.at(w - 30, 3), header)
                << where << " " << describe(node.at(w - 30, 3));
            EXPECT_PRED2(looksLike, node.at(w - 4, 31), header) << where;
            // Body: the rows' margins and the 16 below them, down to the last pixel row.
            EXPECT_PRED2(looksLike, node.at(w - 4, 32), fill) << where << " " << describe(node.at(w - 4, 32));
            EXPECT_PRED2(looksLike, node.at(w - 4, 32 + 22 + 11), fill) << where;
            EXPECT_PRED2(looksLike, node.at(w / 2, h - 8), fill) << where;
            EXPECT_PRED2(looksLike, node.at(w / 2, h - 1), fill) << where;
            EXPECT_FALSE(near(node.at(w / 2, h + 1), fill, 20)) << where;
            EXPECT_FALSE(near(node.at(w + 1, h / 2), fill, 20)) << where;
        }
}

TEST(TableNode, ATableWithoutColumnsIsItsHeaderAndTheMarginBelow) {
    const TableSchema t = table("empty", {}, TableColor::blue);
    const RenderedNode node = render(t, Appearance::light);
    ASSERT_EQ(node.size, QSizeF(180, 48));
    EXPECT_PRED2(looksLike, node.at(150, 3), ui::tableHeaderColor(TableColor::blue, Appearance::light));
    EXPECT_PRED2(looksLike, node.at(90, 40), ui::tableFillColor(TableColor::blue, Appearance::light));
    EXPECT_FALSE(near(node.at(90, 49), ui::tableFillColor(TableColor::blue, Appearance::light), 20));
}

TEST(TableNode, RowStylesFollowTheKeys) {
    TableSchema t = table("orders", {column("id", "INTEGER", true, true),
                                     column("customer_id", "INTEGER", true), column("email", "TEXT", true),
                                     column("note", "TEXT"), column("shipper_id", "INTEGER")});
    addKey(t, "id", "parents"); // the primary key is also the source of a key
    addKey(t, "customer_id", "customers");
    addKey(t, "Shipper_ID", "shippers"); // differs in letter case: not this column
    struct Case {
        const char* column;
        Appearance appearance;
        std::string icon;
        QColor iconColor;
        QColor tint;
        bool semibold;
        std::vector<std::string> badges;
    };
    const auto orange = [](Appearance a) { return ui::namedColor(ui::NamedColor::orange, a); };
    const auto purple = [](Appearance a) { return ui::namedColor(ui::NamedColor::purple, a); };
    const QColor faintText = ui::withOpacity(ui::tableTextColor(TableColor::green, Appearance::light), 0.6);
    const Case cases[] = {
        {"id",
         Appearance::light,
         "key.fill",
         orange(Appearance::light),
         ui::withOpacity(orange(Appearance::light), 0.05),
         true,
         {"PK", "FK"}},
        {"id",
         Appearance::dark,
         "key.fill",
         orange(Appearance::dark),
         ui::withOpacity(orange(Appearance::dark), 0.1),
         true,
         {"PK", "FK"}},
        {"customer_id",
         Appearance::light,
         "number",
         purple(Appearance::light),
         ui::withOpacity(purple(Appearance::light), 0.05),
         false,
         {"FK", "NN"}},
        {"customer_id",
         Appearance::dark,
         "number",
         purple(Appearance::dark),
         ui::withOpacity(purple(Appearance::dark), 0.1),
         false,
         {"FK", "NN"}},
        {"email", Appearance::light, "textformat", faintText, Qt::transparent, false, {"NN"}},
        {"note", Appearance::light, "textformat", faintText, Qt::transparent, false, {}},
        {"shipper_id", Appearance::light, "number", faintText, Qt::transparent, false, {}},
    };
    for (const auto& c : cases) {
        const auto found =
            std::find_if(t.columns.begin(), t.columns.end(), [&](auto& col) { return col.name == c.column; });
        const ColumnRowStyle style = columnRowStyle(t, *found, c.appearance);
        const std::string where =
            std::string(c.column) + (c.appearance == Appearance::dark ? " dark" : " light");
        EXPECT_EQ(style.icon, c.icon) << where;
        EXPECT_EQ(style.iconColor, c.iconColor) << where;
        EXPECT_EQ(style.tint.alpha() == 0 ? QColor(Qt::transparent) : style.tint, c.tint) << where;
        EXPECT_EQ(style.semiboldName, c.semibold) << where;
        std::vector<std::string> badges;
        for (const auto& badge : style.badges)
            badges.push_back(badge.text);
        EXPECT_EQ(badges, c.badges) << where;
    }
    EXPECT_TRUE(isForeignKeyColumn(t, t.columns[1]));
    EXPECT_FALSE(isForeignKeyColumn(t, t.columns[4]));
}

TEST(TableNode, AKeyRowShowsItsIconTintAndBadges) {
    TableSchema t = table("orders", {column("id", "INTEGER", true, true), column("note", "TEXT")});
    addKey(t, "id", "parents");
    const Appearance light = Appearance::light;
    const RenderedNode node = render(t, light);
    const QColor orange = ui::namedColor(ui::NamedColor::orange, light);
    const QColor purple = ui::namedColor(ui::NamedColor::purple, light);
    const QColor fill = ui::tableFillColor(TableColor::green, light);
    const double w = node.size.width();
    const QRectF keyRow(0, 32, w, 22), noteRow(0, 54, w, 22);

    // The tint covers the row to its edges, the next row has none.
    EXPECT_PRED2(looksLike, node.at(3, keyRow.center().y()), over(ui::withOpacity(orange, 0.05), fill));
    EXPECT_PRED2(looksLike, node.at(3, noteRow.center().y()), fill);
    // The key symbol in orange in its 14-wide slot after the 10 margin; the plain row's icon is grey.
    const auto slot = [](const QRectF& row) { return QRectF(10, row.top() + 4, 14, 14); };
    EXPECT_TRUE(anyPixel(node, slot(keyRow), orange, 12));
    EXPECT_FALSE(anyPixel(node, slot(noteRow), orange, 60));
    // PK then FK at the right end: orange and purple letters on their light backgrounds.
    const QRectF badges(w - 60, keyRow.top(), 50, 22);
    EXPECT_TRUE(anyPixel(node, badges, orange, 40));
    EXPECT_TRUE(anyPixel(node, badges, purple, 40));
    EXPECT_FALSE(anyPixel(node, QRectF(w - 60, noteRow.top(), 50, 22), purple, 60));
}

TEST(TableNode, LongNamesAndTypesAreShortenedInsideTheNode) {
    auto make = [](std::string name, std::string type) {
        TableSchema t =
            table(std::move(name), {column("name", std::move(type), true, true)}, TableColor::yellow);
        addKey(t, "name", "others");
        return t;
    };
    const RenderedNode shortTexts = render(make("t", "TEXT"), Appearance::light);
    const RenderedNode longTexts =
        render(make(std::string(60, 'W'), "varchar(255) collate nocase default 'none'"), Appearance::light);
    ASSERT_EQ(shortTexts.image.size(), longTexts.image.size());
    const double w = shortTexts.size.width();
    int differing = 0, differingOutside = 0;
    for (int y = 0; y < shortTexts.image.height(); ++y)
        for (int x = 0; x < shortTexts.image.width(); ++x) {
            if (shortTexts.image.pixel(x, y) == longTexts.image.pixel(x, y))
                continue;
            ++differing;
            const QPointF p = QPointF(x, y) - shortTexts.origin;
            const bool inHeaderText = p.y() < 32 && p.x() >= 28 && p.x() < w - 30;
            const bool inRowText = p.y() >= 32 && p.y() < 54 && p.x() >= 30 && p.x() < w - 10;
            differingOutside += !inHeaderText && !inRowText;
        }
    EXPECT_GT(differing, 0);
    EXPECT_EQ(differingOutside, 0); // nothing beyond the margins, the dot and the icon untouched
    // The column's own short name keeps all its letters: the type gives way.
    const QRectF name(30, 32, 30, 22);
    for (int y = int(name.top()); y < int(name.bottom()); ++y)
        for (int x = int(name.left()); x < int(name.right()); ++x)
            ASSERT_EQ(shortTexts.at(x, y), longTexts.at(x, y)) << x << "," << y;
}

TEST(TableNode, SelectionRingAndShadows) {
    const TableSchema t = table("orders", {column("note", "TEXT")});
    for (Appearance appearance : {Appearance::light, Appearance::dark}) {
        const RenderedNode plain = render(t, appearance);
        const RenderedNode selected = render(t, appearance, true);
        const QColor accent = ui::accentColor(appearance);
        const double w = plain.size.width(), h = plain.size.height();
        // The 3-wide ring straddles the border.
        EXPECT_PRED2(looksLike, selected.at(w / 2, 0), accent);
        EXPECT_PRED2(looksLike, selected.at(w / 2, h - 1), accent);
        EXPECT_PRED2(looksLike, selected.at(0, h / 2), accent);
        EXPECT_FALSE(near(plain.at(w / 2, h - 1), accent, 40));
        // Below the node: a grey shadow, or an accent one when selected; none far away.
        const QColor background = backgroundOf(appearance);
        const QColor grey = plain.at(w / 2, h + 2), blue = selected.at(w / 2, h + 4);
        if (appearance == Appearance::light) {
            EXPECT_LT(grey.red(), background.red() - 10);
            EXPECT_NEAR(grey.red(), grey.blue(), 2);
        }
        EXPECT_GT(blue.blue(), blue.red() + 12) << describe(blue);
        EXPECT_PRED2(looksLike, plain.at(w / 2, h + 12), background);
        EXPECT_PRED2(looksLike, selected.at(w / 2, h + 12), background);
    }
}

TEST(TableNode, ALiftedNodeGrowsFadesAndGlows) {
    const TableSchema t = table("orders", {column("note", "TEXT")}, TableColor::pink);
    const Appearance light = Appearance::light;
    const RenderedNode resting = render(t, light, false, {0});
    const RenderedNode lifted = render(t, light, false, {1});
    const double w = resting.size.width(), h = resting.size.height();
    const QColor fill = ui::tableFillColor(TableColor::pink, light);
    const QColor white(Qt::white);
    // Scaled by 1.03 about the centre: 180 wide becomes 185.4, reaching 2.7 beyond each side.
    EXPECT_TRUE(near(lifted.at(w + 1, h - 8), over(ui::withOpacity(fill, 0.85), white), 8))
        << describe(lifted.at(w + 1, h - 8));
    EXPECT_FALSE(near(resting.at(w + 1, h - 8), fill, 30));
    // Seen through at 0.85.
    EXPECT_PRED2(looksLike, lifted.at(w / 2, h - 8), over(ui::withOpacity(fill, 0.85), white));
    EXPECT_PRED2(looksLike, resting.at(w / 2, h - 8), fill);
    // The accent glow around it, where the resting node has background.
    const QColor glow = lifted.at(w / 2, -8);
    EXPECT_LT(glow.red(), glow.blue() - 5) << describe(glow);
    EXPECT_PRED2(looksLike, resting.at(w / 2, -8), white);
}

TEST(TableNode, TextSizesAreInPainterUnitsWhateverTheDeviceResolution) {
    TableSchema t = table("orders", {column("id", "INTEGER", true, true), column("email", "TEXT", true)});
    addKey(t, "id", "parents");
    const RenderedNode screen = render(t, Appearance::dark, true, {}, 96);
    const RenderedNode print = render(t, Appearance::dark, true, {}, 300);
    EXPECT_EQ(screen.image.convertToFormat(QImage::Format_ARGB32),
              print.image.convertToFormat(QImage::Format_ARGB32));
}

TEST(TableNode, ExportKeepsTextAndSymbolsAsVectors) {
    TableSchema t =
        table("invoices", {column("id", "INTEGER", true, true), column("customer_id", "integer", true)});
    addKey(t, "customer_id", "customers");
    QBuffer buffer;
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(400, 200));
    {
        QPainter painter(&generator);
        painter.scale(0.2, 0.2); // small, but an export never draws bars for text
        paintTableNode(painter, t, {200, 100}, true, Appearance::light);
    }
    const QString svg = QString::fromUtf8(buffer.data());
    for (const char* text : {"invoices", "id", "customer_id", "INTEGER", "PK", "FK", "NN"})
        EXPECT_TRUE(svg.contains(QStringLiteral(">%1<").arg(QLatin1String(text)))) << text;
    EXPECT_FALSE(svg.contains("<image"));
}
