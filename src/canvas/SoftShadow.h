#pragma once

// Soft shadows of rounded rectangles, cheap enough for a thousand nodes per repaint.

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace ketterly::canvas {

// Paints the shadow of the rounded rectangle `shape` (corner radius `cornerRadius`) blurred by
// `blur` (a Gaussian of sigma blur / 2, reaching about `blur` beyond the shape) in `color`, whose
// opacity is the shadow's opacity at full strength. The part that lies deeper inside `hidden`
// than the blur may be left out: whatever is painted there next must be opaque.
//
// Screens and images take pre-blurred tiles laid down in whole device pixels; vector devices, and
// shadows too small for tiles, get a few stacked translucent rings.
void paintSoftShadow(QPainter& painter, const QRectF& shape, double cornerRadius, double blur,
                     const QColor& color, const QRectF& hidden);

} // namespace ketterly::canvas
