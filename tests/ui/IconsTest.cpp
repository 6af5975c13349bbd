#include "ui/Icons.h"

#include "ui/Palette.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPalette>
#include <QSvgGenerator>
#include <QSvgRenderer>
#include <gtest/gtest.h>
#include <string>

using namespace ketterly;
using namespace ketterly::ui;

namespace {

QImage blank(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

int inkedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

// The most opaque pixel's colour, unpremultiplied.
QColor strongest(const QImage& image) {
    QColor best(Qt::transparent);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > best.alpha())
                best = image.pixelColor(x, y);
    return best;
}

} // namespace

TEST(Symbols, EveryNameTheViewsUseDrawsInk) {
    const char* names[] = {"tablecells",
                           "key.fill",
                           "number",
                           "textformat",
                           "function",
                           "doc.fill",
                           "calendar",
                           "checkmark.square",
                           "questionmark.circle",
                           "arrow.right.circle",
                           "arrow.right.circle.fill",
                           "arrow.left.circle.fill",
                           "arrow.right",
                           "arrow.down",
                           "arrow.triangle.branch",
                           "cylinder.split.1x2",
                           "cylinder.fill",
                           "swift",
                           "folder",
                           "square.and.arrow.up",
                           "viewfinder",
                           "viewfinder.rectangular",
                           "minus.magnifyingglass",
                           "plus.magnifyingglass",
                           "arrow.up.left.and.arrow.down.right",
                           "arrow.counterclockwise",
                           "tablecells.badge.ellipsis",
                           "arrow.down.circle.fill",
                           "arrow.down.doc",
                           "rectangle.connected.to.line.below",
                           "magnifyingglass",
                           "xmark.circle.fill",
                           "xmark.circle",
                           "arrow.clockwise",
                           "sidebar.left",
                           "exclamationmark.triangle",
                           "tray",
                           "hand.tap",
                           "cursorarrow.click",
                           "cursorarrow.click.2",
                           "doc.text",
                           "checkmark.circle.fill",
                           "circle",
                           "square.and.pencil",
                           "chevron.left.forwardslash.chevron.right",
                           "exclamationmark.circle",
                           "chevron.right",
                           "doc.on.doc",
                           "circle.slash",
                           "list.bullet.indent"};
    for (const char* name : names) {
        ASSERT_TRUE(hasSymbol(name)) << name;
        QImage image = blank(32);
        {
            QPainter painter(&image);
            drawSymbol(painter, name, QRectF(0, 0, 32, 32), Qt::red);
        }
        EXPECT_GT(inkedPixels(image), 20) << name;
    }
}

TEST(Symbols, UnknownNamesDrawNothing) {
    EXPECT_FALSE(hasSymbol("no.such.symbol"));
    EXPECT_FALSE(hasSymbol(""));
    QImage image = blank(16);
    {
        QPainter painter(&image);
        drawSymbol(painter, "no.such.symbol", QRectF(0, 0, 16, 16), Qt::red);
    }
    EXPECT_EQ(inkedPixels(image), 0);
    EXPECT_TRUE(symbolIcon("no.such.symbol", Qt::red).isNull());
}

TEST(Symbols, AreTintedWithTheColourAndItsOpacity) {
    const QColor orange = namedColor(NamedColor::orange, Appearance::light);
    for (double opacity : {1.0, 0.6}) {
        QImage image = blank(40);
        {
            QPainter painter(&image);
            drawSymbol(painter, "key.fill", QRectF(0, 0, 40, 40), withOpacity(orange, opacity));
        }
        const QColor ink = strongest(image);
        EXPECT_NEAR(ink.red(), orange.red(), 2) << opacity;
        EXPECT_NEAR(ink.green(), orange.green(), 2) << opacity;
        EXPECT_NEAR(ink.blue(), orange.blue(), 2) << opacity;
        EXPECT_NEAR(ink.alphaF(), opacity, 0.01) << opacity;
    }
}

TEST(Symbols, FitTheBoxKeepingTheirSquareShape) {
    QImage image = blank(60);
    {
        QPainter painter(&image);
        drawSymbol(painter, "tablecells", QRectF(0, 20, 60, 20), Qt::black); // a 20 × 20 square in the middle
    }
    int left = 60, right = -1, top = 60, bottom = -1;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if (qAlpha(image.pixel(x, y)) > 0) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_GE(left, 20);
    EXPECT_LE(right, 40);
    EXPECT_GE(top, 20);
    EXPECT_LE(bottom, 40);
    EXPECT_GE(right - left, 17);
}

TEST(Symbols, StaySharpWhenThePainterIsScaled) {
    // A zoomed canvas must not blow up a small raster: the symbol drawn 10 wide at scale 8 matches
    // the vectors rendered straight at 80 pixels.
    QImage scaled = blank(80);
    {
        QPainter painter(&scaled);
        painter.scale(8, 8);
        drawSymbol(painter, "circle", QRectF(0, 0, 10, 10), Qt::black);
    }
    QFile file(":/symbols/circle.svg");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QSvgRenderer renderer(file.readAll());
    QImage reference = blank(80);
    {
        QPainter painter(&reference);
        renderer.render(&painter, QRectF(0, 0, 80, 80));
    }
    int worst = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x)
            worst = std::max(worst, std::abs(qAlpha(scaled.pixel(x, y)) - qAlpha(reference.pixel(x, y))));
    EXPECT_LE(worst, 24);
}

TEST(Symbols, AreVectorsOnVectorDevices) {
    QBuffer buffer;
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(100, 100));
    {
        QPainter painter(&generator);
        EXPECT_TRUE(paintsVectors(painter));
        drawSymbol(painter, "key.fill", QRectF(0, 0, 100, 100), QColor(0x12, 0x34, 0x56));
    }
    const QByteArray svg = buffer.data();
    EXPECT_TRUE(svg.contains("<path")) << svg.toStdString();
    EXPECT_TRUE(svg.contains("#123456")) << svg.toStdString();
    EXPECT_FALSE(svg.contains("<image"));

    QImage image = blank(4);
    QPainter painter(&image);
    EXPECT_FALSE(paintsVectors(painter));
}

TEST(Symbols, IconsAreTintedAndCached) {
    const QIcon icon = symbolIcon("plus.magnifyingglass", Qt::blue);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(symbolIcon("plus.magnifyingglass", Qt::blue).cacheKey(), icon.cacheKey());
    EXPECT_NE(symbolIcon("plus.magnifyingglass", Qt::red).cacheKey(), icon.cacheKey());
    const QImage image = icon.pixmap(QSize(24, 24)).toImage();
    EXPECT_EQ(image.size(), QSize(24, 24));
    EXPECT_EQ(qAlpha(image.pixel(0, 23)), 0); // transparent around the glyph
    const QColor ink = strongest(image);
    EXPECT_EQ(ink.rgb(), QColor(Qt::blue).rgb());
    const QImage disabled = icon.pixmap(QSize(24, 24), QIcon::Disabled).toImage();
    EXPECT_LT(strongest(disabled).alpha(), 128);
}

TEST(Palette, AppearanceFollowsTheWindowColour) {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(40, 40, 40));
    EXPECT_EQ(appearanceOf(palette), Appearance::dark);
    palette.setColor(QPalette::Window, QColor(236, 236, 236));
    EXPECT_EQ(appearanceOf(palette), Appearance::light);
}
