#pragma once

// The marquee of marquee zoom: a translucent gradient rectangle with a marching dashed border,
// pulsing corner handles and its size, orange to red while it is too small to zoom.

#include "model/DatabaseSchema.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>

namespace ketterly::canvas {

enum class Corner { topLeft, topRight, bottomLeft, bottomRight };
inline constexpr Corner allCorners[] = {Corner::topLeft, Corner::topRight, Corner::bottomLeft,
                                        Corner::bottomRight};

// The rectangle spanned by two points.
QRectF marqueeRect(QPointF a, QPointF b);
// Wider and taller than 20 points: a marquee that zooms.
bool isValidMarquee(const QRectF& rect);
// "W × H" (truncated) when the rectangle is wider than 60 and taller than 40, else nothing.
std::optional<QString> marqueeSizeLabel(const QRectF& rect);

// Paints the marquee between start and end (view points).
void paintMarqueeSelection(QPainter& painter, QPointF start, QPointF end, Appearance appearance,
                           double dashPhase, double pulseScale);

// Three concentric circles: a blurred 16-point glow, a 10-point disc, a 4-point white dot.
void paintCornerHandle(QPainter& painter, QPointF centre, const QLinearGradient& gradient, double scale);

// The card shown while marquee mode waits for a drag.
void paintMarqueeHint(QPainter& painter, const QRectF& canvas, Appearance appearance);

} // namespace ketterly::canvas
