#include "canvas/TableNodePainter.h"

#include "canvas/SoftShadow.h"
#include "layout/DiagramLayout.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>

namespace ketterly::canvas {

namespace {

// The drawn height is pinned to what the layout and the router assume for nodeSize, so that
// edges end exactly on the borders: a header of 32, 22 per row and 16 below the last row.
constexpr double headerHeight = 32;
constexpr double rowHeight = 22;
constexpr double cornerRadius = 8;

constexpr double horizontalMargin = 10;
constexpr double itemSpacing = 6;
constexpr double flexibleGap = 2 * itemSpacing; // the spacing on either side of the flexible space
constexpr double headerSymbolSize = 12;
constexpr double headerNameSize = 13;
constexpr double dotSize = 8;
constexpr double iconSlotWidth = 14;
constexpr double iconSize = 10;
constexpr double columnNameSize = 11;
constexpr double typeSize = 9;
constexpr double badgeTextSize = 8;
constexpr double badgeSpacing = 2;
constexpr double badgeHorizontalMargin = 3;
constexpr double badgeVerticalMargin = 1;
constexpr double badgeRadius = 3;
constexpr double ringWidth = 3;

constexpr double shadowOffset = 2;
constexpr double restingShadowBlur = 4;
constexpr double restingShadowOpacity = 0.2;
constexpr double selectedShadowBlur = 8;
constexpr double selectedShadowOpacity = 0.4;
constexpr double glowBlur = 12;
constexpr double glowOpacity = 0.4;
constexpr double liftFade = 0.15;   // opacity 1 → 0.85
constexpr double liftGrowth = 0.03; // scale 1 → 1.03

// Below this device scale an 11-point name is a few pixels of blur: the rows show bars the length
// of their names instead, which a thousand nodes fitted into view draw far faster than text.
constexpr double smallestTextScale = 0.35;

// Shaped lines kept between repaints; past this many the cache starts again.
constexpr std::size_t shapedTextLimit = 20000;

struct NodeFont {
    explicit NodeFont(QFont base) : font(withoutHinting(std::move(base))), metrics(font) {}
    // Unhinted glyphs scale linearly, so the widths measured here hold at every zoom and in export.
    static QFont withoutHinting(QFont font) {
        font.setHintingPreference(QFont::PreferNoHinting);
        return font;
    }
    // The baseline that centres the text's ascent and descent on `centreY`.
    double baseline(double centreY) const { return centreY + (metrics.ascent() - metrics.descent()) / 2; }
    double lineHeight() const { return metrics.ascent() + metrics.descent(); }

    QFont font;
    QFontMetricsF metrics;
};

// Built once: fonts and their metrics are far too slow to look up for every node.
struct NodeFonts {
    NodeFont header{ui::monospacedFont(headerNameSize, QFont::Bold)};
    NodeFont column{ui::monospacedFont(columnNameSize, QFont::Normal)};
    NodeFont keyColumn{ui::monospacedFont(columnNameSize, QFont::DemiBold)};
    NodeFont type{ui::monospacedFont(typeSize, QFont::Medium)};
    NodeFont badge{ui::monospacedFont(badgeTextSize, QFont::Bold)};
};

const NodeFonts& nodeFonts() {
    static const NodeFonts fonts;
    return fonts;
}

// A line of text shaped once. Shaping is most of what a node costs, and every repaint draws the
// same names again; a shaped line draws as positioned glyphs at any scale.
struct ShapedText {
    QString text; // as shown: upper-cased or shortened with an ellipsis as asked
    QList<QGlyphRun> runs;
    double ascent = 0; // the runs' baseline below their origin
    double width = 0;
};

enum class Letters { asWritten, upperCase };

struct ShapedKey {
    const NodeFont* font;
    std::string text;
    Letters letters;
    double room; // infinity: never shortened
    bool operator==(const ShapedKey&) const = default;
};

struct ShapedKeyHash {
    std::size_t operator()(const ShapedKey& key) const {
        std::size_t hash = std::hash<std::string>()(key.text);
        hash ^= std::hash<const void*>()(key.font) + 0x9e3779b97f4a7c15u + (hash << 6) + (hash >> 2);
        hash ^= std::hash<double>()(key.room) + 0x9e3779b97f4a7c15u + (hash << 6) + (hash >> 2);
        return hash ^ static_cast<std::size_t>(key.letters);
    }
};

// Node-based, so references stay valid while a node is painted; trimmed only between nodes.
std::unordered_map<ShapedKey, ShapedText, ShapedKeyHash>& shapedTexts() {
    static std::unordered_map<ShapedKey, ShapedText, ShapedKeyHash> cache;
    return cache;
}

const ShapedText& shaped(const NodeFont& font, const std::string& text, Letters letters,
                         double room = std::numeric_limits<double>::infinity()) {
    auto& cache = shapedTexts();
    ShapedKey key{&font, text, letters, room};
    const auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    ShapedText result;
    result.text = QString::fromStdString(text);
    if (letters == Letters::upperCase)
        result.text = result.text.toUpper();
    if (room <= 0)
        result.text.clear();
    else if (std::isfinite(room) && font.metrics.horizontalAdvance(result.text) > room)
        result.text = font.metrics.elidedText(result.text, Qt::ElideRight, room);
    QTextLayout layout(result.text, font.font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    if (line.isValid()) {
        result.runs = layout.glyphRuns();
        result.ascent = line.ascent();
        result.width = line.naturalTextWidth();
    }
    return cache.emplace(std::move(key), std::move(result)).first->second;
}

void drawShaped(QPainter& painter, const NodeFont& font, const ShapedText& text, double x, double centreY,
                const QColor& color, bool vectors) {
    if (text.text.isEmpty())
        return;
    painter.setPen(color);
    const double baseline = font.baseline(centreY);
    if (vectors) {
        // PDF and SVG keep real text (selectable, searchable); glyph runs would lose the letters.
        painter.setFont(font.font);
        painter.drawText(QPointF(x, baseline), text.text);
        return;
    }
    for (const QGlyphRun& run : text.runs)
        painter.drawGlyphRun(QPointF(x, baseline - text.ascent), run);
}

double deviceScale(const QPainter& painter) {
    return std::sqrt(std::abs(painter.deviceTransform().determinant()));
}

// A bar standing in for text too small to read.
void paintTextBar(QPainter& painter, double x, double centreY, double width, double size,
                  const QColor& color) {
    if (width <= 0)
        return;
    const double height = size * 0.5;
    painter.fillRect(QRectF(x, centreY - height / 2, width, height), ui::withOpacity(color, 0.4));
}

double barWidth(const std::string& text, double size, double available) {
    // Monospaced glyphs are about 0.6 of the size wide.
    return std::min(available, 0.6 * size * static_cast<double>(text.size()));
}

struct NodePaint {
    QPainter& painter;
    Appearance appearance;
    QColor textColor;
    bool detailed; // text and symbols rather than bars
    bool vectors;  // a PDF or SVG: real text
};

void paintHeader(const NodePaint& paint, const TableSchema& table, const QRectF& node) {
    QPainter& painter = paint.painter;
    const QColor header = ui::tableHeaderColor(table.color, paint.appearance);
    painter.setPen(Qt::NoPen);
    painter.setBrush(header);
    const QRectF band(node.left(), node.top(), node.width(), headerHeight);
    painter.drawRoundedRect(band, cornerRadius, cornerRadius);
    // Square lower corners: the lower half is a plain rectangle over the rounded one.
    painter.fillRect(QRectF(band.left(), band.top() + headerHeight / 2, band.width(), headerHeight / 2),
                     header);

    const double centreY = band.center().y();
    const double left = band.left() + horizontalMargin;
    const double dotLeft = band.right() - horizontalMargin - dotSize;
    painter.setPen(QPen(ui::withOpacity(Qt::white, 0.5), 1));
    painter.setBrush(ui::tableFillColor(table.color, Appearance::light));
    painter.drawEllipse(QRectF(dotLeft, centreY - dotSize / 2, dotSize, dotSize));

    const double nameLeft = left + headerSymbolSize + itemSpacing;
    const double nameRoom = dotLeft - flexibleGap - nameLeft;
    if (!paint.detailed) {
        paintTextBar(painter, nameLeft, centreY, barWidth(table.name, headerNameSize, nameRoom),
                     headerNameSize, paint.textColor);
        return;
    }
    ui::drawSymbol(painter, "tablecells",
                   QRectF(left, centreY - headerSymbolSize / 2, headerSymbolSize, headerSymbolSize),
                   paint.textColor);
    const NodeFont& font = nodeFonts().header;
    drawShaped(painter, font, shaped(font, table.name, Letters::asWritten, nameRoom), nameLeft, centreY,
               paint.textColor, paint.vectors);
}

// Right-aligned at `right`; returns where the badges begin.
double paintBadges(const NodePaint& paint, const std::vector<ColumnBadge>& badges, double right,
                   double centreY) {
    if (badges.empty())
        return right;
    QPainter& painter = paint.painter;
    const NodeFont& font = nodeFonts().badge;
    const bool dark = paint.appearance == Appearance::dark;
    const double height = font.lineHeight() + 2 * badgeVerticalMargin;
    double width = -badgeSpacing;
    for (const auto& badge : badges)
        width +=
            shaped(font, badge.text, Letters::asWritten).width + 2 * badgeHorizontalMargin + badgeSpacing;
    const double start = right - width;
    double x = start;
    for (const auto& badge : badges) {
        const ShapedText& text = shaped(font, badge.text, Letters::asWritten);
        const double badgeWidth = text.width + 2 * badgeHorizontalMargin;
        painter.setPen(Qt::NoPen);
        painter.setBrush(ui::withOpacity(badge.color, dark ? 0.4 : 0.2));
        painter.drawRoundedRect(QRectF(x, centreY - height / 2, badgeWidth, height), badgeRadius,
                                badgeRadius);
        drawShaped(painter, font, text, x + badgeHorizontalMargin, centreY,
                   dark ? QColor(Qt::white) : badge.color, paint.vectors);
        x += badgeWidth + badgeSpacing;
    }
    return start;
}

void paintRow(const NodePaint& paint, const TableSchema& table, const ColumnSchema& column,
              const QRectF& row) {
    QPainter& painter = paint.painter;
    const ColumnRowStyle style = columnRowStyle(table, column, paint.appearance);
    if (style.tint.alpha() > 0)
        painter.fillRect(row, style.tint);

    const double centreY = row.center().y();
    const double left = row.left() + horizontalMargin;
    const double right = row.right() - horizontalMargin;
    const double nameLeft = left + iconSlotWidth + itemSpacing;
    if (!paint.detailed) {
        paintTextBar(painter, nameLeft, centreY, barWidth(column.name, columnNameSize, right - nameLeft),
                     columnNameSize, paint.textColor);
        return;
    }

    const double iconLeft = left + (iconSlotWidth - iconSize) / 2;
    ui::drawSymbol(painter, style.icon, QRectF(iconLeft, centreY - iconSize / 2, iconSize, iconSize),
                   style.iconColor);

    const double badgesLeft = paintBadges(paint, style.badges, right, centreY);
    const double end = style.badges.empty() ? right : badgesLeft - itemSpacing;

    const NodeFonts& fonts = nodeFonts();
    const NodeFont& nameFont = style.semiboldName ? fonts.keyColumn : fonts.column;
    const double nameWidth = shaped(nameFont, column.name, Letters::asWritten).width;
    const double typeWidth =
        column.type.empty() ? 0 : shaped(fonts.type, column.type, Letters::upperCase).width;
    const double gap = column.type.empty() ? 0 : flexibleGap;
    const double available = end - nameLeft - gap;
    double nameRoom = std::numeric_limits<double>::infinity(), typeRoom = nameRoom;
    if (nameWidth + typeWidth > available) {
        // Too long together: the name matters more and keeps all the room it needs but a fifth,
        // which the type keeps (or less, when it needs less); both are shortened with an ellipsis.
        typeRoom = std::min(typeWidth, std::max(available * 0.2, available - nameWidth));
        nameRoom = available - typeRoom;
    }
    drawShaped(painter, nameFont, shaped(nameFont, column.name, Letters::asWritten, nameRoom), nameLeft,
               centreY, paint.textColor, paint.vectors);
    if (!column.type.empty()) {
        const ShapedText& type = shaped(fonts.type, column.type, Letters::upperCase, typeRoom);
        drawShaped(painter, fonts.type, type, end - type.width, centreY,
                   ui::withOpacity(paint.textColor, 0.7), paint.vectors);
    }
}

// Everything of the node at full opacity in the painter's current coordinates.
void paintNode(QPainter& painter, const TableSchema& table, const QRectF& node, bool selected,
               Appearance appearance, double lift) {
    const QColor accent = ui::accentColor(appearance);
    const double scale = deviceScale(painter);
    const bool vectors = ui::paintsVectors(painter);

    if (lift > 0)
        paintSoftShadow(painter, node, cornerRadius, glowBlur,
                        ui::withOpacity(accent, std::min(1.0, glowOpacity * lift)), node);
    const QRectF shadow = node.translated(0, shadowOffset);
    if (selected)
        paintSoftShadow(painter, shadow, cornerRadius, selectedShadowBlur,
                        ui::withOpacity(accent, selectedShadowOpacity), node);
    else
        paintSoftShadow(painter, shadow, cornerRadius, restingShadowBlur,
                        ui::withOpacity(Qt::black, restingShadowOpacity), node);

    // The body starts under the header, so the header's antialiased edge lies on the fill colour
    // and the body's own rounded top corners stay hidden.
    painter.setPen(Qt::NoPen);
    painter.setBrush(ui::tableFillColor(table.color, appearance));
    painter.drawRoundedRect(node.adjusted(0, headerHeight / 2, 0, 0), cornerRadius, cornerRadius);

    const NodePaint paint{painter, appearance, ui::tableTextColor(table.color, appearance),
                          vectors || scale >= smallestTextScale, vectors};
    paintHeader(paint, table, node);
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const QRectF row(node.left(), node.top() + headerHeight + rowHeight * static_cast<double>(i),
                         node.width(), rowHeight);
        paintRow(paint, table, table.columns[i], row);
    }

    if (selected) {
        painter.setPen(QPen(accent, ringWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(node, cornerRadius, cornerRadius);
    }
}

// A faded node is painted opaque into a layer of device pixels that is then laid down at the
// fade, so that its overlapping parts (header over body, the shadow's hidden ring) do not show
// through each other.
void paintFaded(QPainter& painter, const TableSchema& table, const QRectF& node, bool selected,
                Appearance appearance, double lift, double fade) {
    const double margin = tableNodeShadowMargin();
    const QTransform toDevice = painter.deviceTransform();
    const QPaintDevice* device = painter.device();
    const double ratio = device->devicePixelRatio();
    const QRectF deviceBounds(0, 0, device->width() * ratio, device->height() * ratio);
    const QRect pixels = toDevice.mapRect(node.adjusted(-margin, -margin, margin, margin))
                             .intersected(deviceBounds)
                             .toAlignedRect();
    if (pixels.isEmpty())
        return;
    QImage layer(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHints(painter.renderHints());
        layerPainter.setTransform(toDevice * QTransform::fromTranslate(-pixels.x(), -pixels.y()));
        paintNode(layerPainter, table, node, selected, appearance, lift);
    }
    // Back to device pixels: undo the device's own scaling (its pixel ratio) under the world.
    const QTransform deviceScaling = painter.worldTransform().inverted() * toDevice;
    painter.setWorldTransform(QTransform::fromTranslate(pixels.x(), pixels.y()) * deviceScaling.inverted());
    painter.setOpacity(painter.opacity() * fade);
    painter.drawImage(QPointF(0, 0), layer);
}

} // namespace

QRectF tableNodeRect(const TableSchema& table, QPointF centre) {
    const Size size = nodeSize(table);
    return QRectF(centre.x() - size.width / 2, centre.y() - size.height / 2, size.width, size.height);
}

double tableNodeShadowMargin() {
    // The widest of: the glow, the selected shadow with its offset, half the ring; and a pixel for
    // antialiasing.
    return std::max({glowBlur, selectedShadowBlur + shadowOffset, ringWidth / 2}) + 1;
}

QRectF tableNodePaintedRect(const TableSchema& table, QPointF centre, NodeLift lift) {
    const double margin = tableNodeShadowMargin();
    const QRectF node = tableNodeRect(table, centre);
    const double scale = std::max(1.0, 1 + liftGrowth * lift.amount);
    const double halfWidth = node.width() * scale / 2 + margin * scale;
    const double halfHeight = node.height() * scale / 2 + margin * scale;
    return QRectF(centre.x() - halfWidth, centre.y() - halfHeight, 2 * halfWidth, 2 * halfHeight);
}

bool isForeignKeyColumn(const TableSchema& table, const ColumnSchema& column) {
    return std::any_of(table.foreignKeys.begin(), table.foreignKeys.end(),
                       [&](const ForeignKeyInfo& key) { return key.fromColumn == column.name; });
}

ColumnRowStyle columnRowStyle(const TableSchema& table, const ColumnSchema& column, Appearance appearance) {
    const bool dark = appearance == Appearance::dark;
    const bool foreignKey = isForeignKeyColumn(table, column);
    const QColor orange = ui::namedColor(ui::NamedColor::orange, appearance);
    const QColor purple = ui::namedColor(ui::NamedColor::purple, appearance);
    const double tintOpacity = dark ? 0.1 : 0.05;

    ColumnRowStyle style;
    style.icon = columnIcon(column);
    style.semiboldName = column.isPrimaryKey;
    if (column.isPrimaryKey) {
        style.iconColor = orange;
        style.tint = ui::withOpacity(orange, tintOpacity);
    } else if (foreignKey) {
        style.iconColor = purple;
        style.tint = ui::withOpacity(purple, tintOpacity);
    } else {
        style.iconColor = ui::withOpacity(ui::tableTextColor(table.color, appearance), 0.6);
        style.tint = Qt::transparent;
    }
    if (column.isPrimaryKey)
        style.badges.push_back({"PK", orange});
    if (foreignKey)
        style.badges.push_back({"FK", purple});
    if (!column.isPrimaryKey && column.isNotNull)
        style.badges.push_back({"NN", ui::namedColor(ui::NamedColor::gray, appearance)});
    return style;
}

void paintTableNode(QPainter& painter, const TableSchema& table, QPointF centre, bool selected,
                    Appearance appearance, NodeLift lift) {
    if (shapedTexts().size() > shapedTextLimit)
        shapedTexts().clear();
    const QRectF node = tableNodeRect(table, centre);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double fade = std::clamp(1 - liftFade * lift.amount, 0.0, 1.0);
    if (lift.amount != 0) {
        const double scale = 1 + liftGrowth * lift.amount;
        painter.translate(centre);
        painter.scale(scale, scale);
        painter.translate(-centre);
    }
    if (fade < 1 && !ui::paintsVectors(painter)) {
        paintFaded(painter, table, node, selected, appearance, lift.amount, fade);
    } else {
        painter.setOpacity(painter.opacity() * fade);
        paintNode(painter, table, node, selected, appearance, lift.amount);
    }
    painter.restore();
}

} // namespace ketterly::canvas
