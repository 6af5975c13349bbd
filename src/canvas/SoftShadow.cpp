#include "canvas/SoftShadow.h"

#include "ui/Icons.h"
#include "ui/Palette.h"

#include <QImage>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace ketterly::canvas {

namespace {

// Tiles are kept per blur, colour and device scale; zooming through many scales starts afresh.
constexpr std::size_t tileCacheLimit = 64;
// The scale is rounded to this step for the tiles: a sixteenth of a pixel of blur is invisible.
constexpr double scaleStep = 1.0 / 16;
// The straight middle of a tile, laid down repeatedly along the edges.
constexpr int middle = 128;

double normalCdf(double x) {
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

// The shadow of a rounded square in device pixels: `reach` pixels of falloff around the shape, a
// corner block of `corner` pixels on each side and `middle` straight pixels between the blocks.
struct ShadowTile {
    QImage image;
    int reach = 0;
    int corner = 0;
};

// Three box blurs along rows, then along columns, approximate a Gaussian of `sigma`.
void blur(std::vector<float>& values, int size, double sigma) {
    const int width = std::max(1, static_cast<int>(std::lround(std::sqrt(4 * sigma * sigma + 1))));
    const int radius = width / 2;
    if (radius == 0)
        return;
    std::vector<float> line(static_cast<std::size_t>(size)), out(static_cast<std::size_t>(size));
    const auto pass = [&](auto at) {
        for (int k = 0; k < size; ++k) {
            for (int i = 0; i < size; ++i)
                line[std::size_t(i)] = at(k, i);
            for (int round = 0; round < 3; ++round) {
                double sum = 0;
                for (int i = -radius; i <= radius; ++i)
                    sum += (i >= 0 && i < size) ? line[std::size_t(i)] : 0;
                for (int i = 0; i < size; ++i) {
                    out[std::size_t(i)] = static_cast<float>(sum / (2 * radius + 1));
                    const int leaving = i - radius, entering = i + radius + 1;
                    sum -= leaving >= 0 ? line[std::size_t(leaving)] : 0;
                    sum += entering < size ? line[std::size_t(entering)] : 0;
                }
                std::swap(line, out);
            }
            for (int i = 0; i < size; ++i)
                at(k, i) = line[std::size_t(i)];
        }
    };
    pass([&](int row, int i) -> float& {
        return values[std::size_t(row) * std::size_t(size) + std::size_t(i)];
    });
    pass([&](int column, int i) -> float& {
        return values[std::size_t(i) * std::size_t(size) + std::size_t(column)];
    });
}

ShadowTile makeTile(double blurPixels, double radiusPixels, const QColor& color) {
    ShadowTile tile;
    tile.reach = static_cast<int>(std::ceil(blurPixels)) + 1;
    tile.corner = static_cast<int>(std::ceil(radiusPixels)) + 2 * tile.reach;
    const int size = 2 * tile.corner + middle;

    QImage shape(size, size, QImage::Format_Alpha8);
    shape.fill(0);
    {
        QPainter painter(&shape);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        const double side = size - 2 * tile.reach;
        painter.drawRoundedRect(QRectF(tile.reach, tile.reach, side, side), radiusPixels, radiusPixels);
    }
    std::vector<float> values(std::size_t(size) * std::size_t(size));
    for (int y = 0; y < size; ++y) {
        const uchar* line = shape.constScanLine(y);
        for (int x = 0; x < size; ++x)
            values[std::size_t(y) * std::size_t(size) + std::size_t(x)] = line[x] / 255.0f;
    }
    blur(values, size, blurPixels / 2);

    tile.image = QImage(size, size, QImage::Format_ARGB32_Premultiplied);
    const double opacity = color.alphaF();
    for (int y = 0; y < size; ++y) {
        auto* line = reinterpret_cast<QRgb*>(tile.image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            const double a =
                std::clamp(values[std::size_t(y) * std::size_t(size) + std::size_t(x)] * opacity, 0.0, 1.0);
            line[x] = qRgba(int(std::lround(color.red() * a)), int(std::lround(color.green() * a)),
                            int(std::lround(color.blue() * a)), int(std::lround(255 * a)));
        }
    }
    return tile;
}

const ShadowTile& tileFor(double blur, double cornerRadius, const QColor& color, double scale) {
    using Key = std::tuple<long, long, QRgb, long>;
    static std::map<Key, ShadowTile> tiles;
    const long steps = std::max(1L, std::lround(scale / scaleStep));
    const Key key{std::lround(blur * 1000), std::lround(cornerRadius * 1000), color.rgba(), steps};
    auto found = tiles.find(key);
    if (found == tiles.end()) {
        if (tiles.size() >= tileCacheLimit)
            tiles.clear();
        const double quantised = static_cast<double>(steps) * scaleStep;
        found = tiles.emplace(key, makeTile(blur * quantised, cornerRadius * quantised, color)).first;
    }
    return found->second;
}

// Stacked rings, the part under `hidden` left out; the hole stops 1 short of its border so that
// no seam shows beside the antialiased edge of what is painted over it.
void paintRings(QPainter& painter, const QRectF& shape, double cornerRadius, double blur, const QColor& color,
                const QRectF& hidden, double scale) {
    const double opacity = color.alphaF();
    const int layers = std::clamp(static_cast<int>(std::lround(blur * scale / 1.5)), 1, 8);
    const double sigma = blur / 2;
    const double step = 1.5 * blur / layers;
    QPainterPath hole;
    hole.setFillRule(Qt::OddEvenFill);
    if (hidden.width() > 2 && hidden.height() > 2)
        hole.addRoundedRect(hidden.adjusted(1, 1, -1, -1), std::max(0.0, cornerRadius - 1),
                            std::max(0.0, cornerRadius - 1));
    QColor layerColor = color;
    double covered = 0;
    for (int k = 0; k < layers; ++k) {
        const double grow = blur - k * step;
        const double target = opacity * (1 - normalCdf((grow - step / 2) / sigma));
        const double alpha = 1 - (1 - target) / (1 - covered);
        covered = target;
        const QRectF outer = shape.adjusted(-grow, -grow, grow, grow);
        if (alpha <= 0 || outer.width() <= 0 || outer.height() <= 0)
            continue;
        QPainterPath ring = hole;
        const double radius = std::max(0.0, cornerRadius + grow);
        ring.addRoundedRect(outer, radius, radius);
        layerColor.setAlphaF(static_cast<float>(alpha));
        painter.fillPath(ring, layerColor);
    }
}

} // namespace

void paintSoftShadow(QPainter& painter, const QRectF& shape, double cornerRadius, double blur,
                     const QColor& color, const QRectF& hidden) {
    if (color.alpha() == 0 || blur <= 0 || shape.isEmpty())
        return;
    const QTransform toDevice = painter.deviceTransform();
    const double scale = std::sqrt(std::abs(toDevice.determinant()));
    const bool tiles = !ui::paintsVectors(painter) && toDevice.type() <= QTransform::TxScale &&
                       std::abs(toDevice.m11() - toDevice.m22()) < 1e-9 && toDevice.m11() > 0 &&
                       blur * scale >= 1;
    if (!ui::paintsVectors(painter) && blur * scale < 1) {
        // Under a pixel of blur: one faint copy of the shape is all that shows.
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(ui::withOpacity(color, 0.5));
        const double grow = blur / 2;
        painter.drawRoundedRect(shape.adjusted(-grow, -grow, grow, grow), cornerRadius + grow,
                                cornerRadius + grow);
        painter.restore();
        return;
    }
    if (!tiles) {
        paintRings(painter, shape, cornerRadius, blur, color, hidden, scale);
        return;
    }
    const ShadowTile& tile = tileFor(blur, cornerRadius, color, scale);
    const QRectF device = toDevice.mapRect(shape);
    const int left = int(std::lround(device.left())) - tile.reach;
    const int top = int(std::lround(device.top())) - tile.reach;
    const int right = int(std::lround(device.right())) + tile.reach;
    const int bottom = int(std::lround(device.bottom())) + tile.reach;
    const int c = tile.corner;
    // What the tiles leave out must lie under `hidden`; a small shape is all corners and edges.
    const QRectF skipped =
        toDevice.inverted().mapRect(QRectF(left + c, top + c, right - left - 2 * c, bottom - top - 2 * c));
    if (right - left < 2 * c || bottom - top < 2 * c || !hidden.contains(skipped)) {
        paintRings(painter, shape, cornerRadius, blur, color, hidden, scale);
        return;
    }

    painter.save();
    // Whole device pixels: undo the device's own scaling (its pixel ratio) under the world.
    const QTransform deviceScaling = painter.worldTransform().inverted() * toDevice;
    painter.setWorldTransform(deviceScaling.inverted());
    const QImage& image = tile.image;
    const int far = image.width() - c;
    painter.drawImage(QPoint(left, top), image, QRect(0, 0, c, c));
    painter.drawImage(QPoint(right - c, top), image, QRect(far, 0, c, c));
    painter.drawImage(QPoint(left, bottom - c), image, QRect(0, far, c, c));
    painter.drawImage(QPoint(right - c, bottom - c), image, QRect(far, far, c, c));
    for (int x = left + c; x < right - c; x += middle) {
        const int length = std::min(middle, right - c - x);
        painter.drawImage(QPoint(x, top), image, QRect(c, 0, length, c));
        painter.drawImage(QPoint(x, bottom - c), image, QRect(c, far, length, c));
    }
    for (int y = top + c; y < bottom - c; y += middle) {
        const int length = std::min(middle, bottom - c - y);
        painter.drawImage(QPoint(left, y), image, QRect(0, c, c, length));
        painter.drawImage(QPoint(right - c, y), image, QRect(far, c, c, length));
    }
    painter.restore();
}

} // namespace ketterly::canvas
