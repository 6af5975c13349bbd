#include "canvas/MarqueeSelectionView.h"

#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <cmath>

namespace ketterly::canvas {

namespace {

constexpr double minimumSide = 20;
constexpr double labelMinimumWidth = 60, labelMinimumHeight = 40;
constexpr double cornerRadius = 4;
constexpr double borderWidth = 2;
constexpr double dashOn = 8, dashOff = 4;

QLinearGradient diagonal(const QRectF& rect, const QColor& from, const QColor& to) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

} // namespace

QRectF marqueeRect(QPointF a, QPointF b) {
    return {std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()), std::abs(b.y() - a.y())};
}

bool isValidMarquee(const QRectF& rect) {
    return rect.width() > minimumSide && rect.height() > minimumSide;
}

std::optional<QString> marqueeSizeLabel(const QRectF& rect) {
    if (rect.width() <= labelMinimumWidth || rect.height() <= labelMinimumHeight)
        return std::nullopt;
    return QStringLiteral("%1 \u00D7 %2")
        .arg(static_cast<long long>(std::trunc(rect.width())))
        .arg(static_cast<long long>(std::trunc(rect.height())));
}

void paintMarqueeSelection(QPainter& painter, QPointF start, QPointF end, Appearance appearance,
                           double dashPhase, double pulseScale) {
    const QRectF rect = marqueeRect(start, end);
    const bool valid = isValidMarquee(rect);
    const QColor first = ui::namedColor(valid ? ui::NamedColor::blue : ui::NamedColor::orange, appearance);
    const QColor second = ui::namedColor(valid ? ui::NamedColor::purple : ui::NamedColor::red, appearance);
    const QLinearGradient border = diagonal(rect, first, second);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    painter.fillPath(shape, diagonal(rect, ui::withOpacity(first, 0.15), ui::withOpacity(second, 0.15)));

    // Stroked inside the rectangle: half the line width in from its edge.
    const double inset = borderWidth / 2;
    QPen pen(QBrush(border), borderWidth, Qt::CustomDashLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setDashPattern({dashOn / borderWidth, dashOff / borderWidth});
    pen.setDashOffset(dashPhase / borderWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), cornerRadius - inset,
                            cornerRadius - inset);

    for (Corner corner : allCorners) {
        const bool left = corner == Corner::topLeft || corner == Corner::bottomLeft;
        const bool top = corner == Corner::topLeft || corner == Corner::topRight;
        paintCornerHandle(painter, {left ? rect.left() : rect.right(), top ? rect.top() : rect.bottom()},
                          border, pulseScale);
    }

    if (const auto label = marqueeSizeLabel(rect)) {
        const QFont font = ui::monospacedFont(10, QFont::Medium);
        const QFontMetricsF metrics(font);
        const QSizeF size(metrics.horizontalAdvance(*label) + 12, metrics.height() + 6);
        const QRectF capsule(rect.center() - QPointF(size.width() / 2, size.height() / 2), size);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ui::materialColor(appearance));
        painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
        painter.setFont(font);
        painter.setPen(appearance == Appearance::dark ? Qt::white : Qt::black);
        painter.drawText(capsule, Qt::AlignCenter, *label);
    }
    painter.restore();
}

void paintCornerHandle(QPainter& painter, QPointF centre, const QLinearGradient& gradient, double scale) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    // The glow: the 16-point disc blurred by 6 points, as rings fading outwards.
    const QColor glow = gradient.stops().isEmpty() ? QColor(Qt::blue) : gradient.stops().first().second;
    constexpr int rings = 6;
    for (int ring = rings; ring >= 1; --ring) {
        const double radius = 8 + 6.0 * ring / rings;
        painter.setBrush(ui::withOpacity(glow, 0.6 / (rings + 1)));
        painter.drawEllipse(QPointF(0, 0), radius, radius);
    }
    painter.setBrush(ui::withOpacity(glow, 0.6 * 0.5));
    painter.drawEllipse(QPointF(0, 0), 8, 8);
    QLinearGradient local = gradient;
    local.setStart(-5, -5);
    local.setFinalStop(5, 5);
    painter.setBrush(local);
    painter.drawEllipse(QPointF(0, 0), 5, 5);
    painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.5));
    painter.drawEllipse(QPointF(0, 0), 2, 2);
    painter.restore();
}

void paintMarqueeHint(QPainter& painter, const QRectF& canvas, Appearance appearance) {
    const QString title = QStringLiteral("Click and drag to select zoom area");
    const QString subtitle = QStringLiteral("Press ESC or click to cancel");
    const QFont titleFont = ui::roundedFont(13, QFont::Medium);
    const QFont subtitleFont = ui::systemFont(11);
    const QFontMetricsF titleMetrics(titleFont), subtitleMetrics(subtitleFont);
    constexpr double symbolSize = 48, spacing = 8, padding = 20;
    const double contentWidth = std::max(
        {symbolSize, titleMetrics.horizontalAdvance(title), subtitleMetrics.horizontalAdvance(subtitle)});
    const double contentHeight =
        symbolSize + spacing + titleMetrics.height() + spacing + subtitleMetrics.height();
    const QSizeF card(contentWidth + 2 * padding, contentHeight + 2 * padding);
    const QRectF box(canvas.center() - QPointF(card.width() / 2, card.height() / 2), card);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ui::materialColor(appearance));
    painter.drawRoundedRect(box, 12, 12);

    double y = box.top() + padding;
    const QRectF symbolBox(box.center().x() - symbolSize / 2, y, symbolSize, symbolSize);
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    QImage symbol = ui::gradientSymbol("viewfinder", (symbolBox.size() * ratio).toSize(),
                                       ui::namedColor(ui::NamedColor::blue, appearance),
                                       ui::namedColor(ui::NamedColor::purple, appearance));
    symbol.setDevicePixelRatio(ratio);
    painter.drawImage(symbolBox.topLeft(), symbol);
    y += symbolSize + spacing;
    painter.setFont(titleFont);
    painter.setPen(ui::secondaryTextColor(appearance));
    painter.drawText(QRectF(box.left(), y, box.width(), titleMetrics.height()), Qt::AlignCenter, title);
    y += titleMetrics.height() + spacing;
    painter.setFont(subtitleFont);
    painter.setPen(ui::tertiaryTextColor(appearance));
    painter.drawText(QRectF(box.left(), y, box.width(), subtitleMetrics.height()), Qt::AlignCenter, subtitle);
    painter.restore();
}

} // namespace ketterly::canvas
