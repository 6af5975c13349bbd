#pragma once

// Symbols by the names the views use ("tablecells", "key.fill", "viewfinder", ...), drawn from
// the Bootstrap Icons embedded at build time, tinted, as vectors so that export stays sharp.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <string_view>

namespace ketterly::ui {

// Whether a symbol name is known (every name the views use is).
bool hasSymbol(std::string_view symbol);

// Draws the symbol scaled to fit `box` (keeping its square aspect), in `color`. Unknown names
// draw nothing.
void drawSymbol(QPainter& painter, std::string_view symbol, const QRectF& box, const QColor& color);

// Whether the painter draws onto a vector device (PDF, SVG, a picture) rather than into pixels:
// those keep every shape as a vector, screens and images may take cached rasters.
bool paintsVectors(const QPainter& painter);

// The symbol in `pixels`, coloured with a gradient from its top-left to its bottom-right corner.
QImage gradientSymbol(std::string_view symbol, QSize pixels, const QColor& from, const QColor& to);

// The symbol as an icon for buttons and menus, tinted `color`, cached.
QIcon symbolIcon(std::string_view symbol, const QColor& color);

} // namespace ketterly::ui
