#include "ui/Icons.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QLinearGradient>
#include <QPaintEngine>
#include <QPixmap>
#include <QSvgRenderer>
#include <cmath>
#include <memory>
#include <mutex>
#include <unordered_map>

// Q_INIT_RESOURCE must be used outside any namespace. The resource lives in a static library, so
// nothing would pull it into the program unless something names it.
static void initSymbolResources() {
    Q_INIT_RESOURCE(ketterly_symbols);
}

namespace ketterly::ui {

namespace {

struct Symbol {
    std::string_view name;
    std::string_view file; // a Bootstrap Icons file name without ".svg"
};

// Every symbol name the views use and the icon drawn for it. The build reads this table to embed
// exactly these files, so keep each entry a pair of quoted names in braces.
// clang-format off
constexpr Symbol symbols[] = {
    {"tablecells", "table"},
    {"key.fill", "key-fill"},
    {"number", "hash"},
    {"textformat", "fonts"},
    {"function", "calculator"},
    {"doc.fill", "file-earmark-fill"},
    {"calendar", "calendar"},
    {"checkmark.square", "check-square"},
    {"questionmark.circle", "question-circle"},
    {"arrow.right.circle", "arrow-right-circle"},
    {"arrow.right.circle.fill", "arrow-right-circle-fill"},
    {"arrow.left.circle.fill", "arrow-left-circle-fill"},
    {"arrow.right", "arrow-right"},
    {"arrow.down", "arrow-down"},
    {"arrow.triangle.branch", "diagram-2"},
    {"cylinder.split.1x2", "database"},
    {"cylinder.fill", "database-fill"},
    {"swift", "file-earmark-code"},
    {"folder", "folder"},
    {"square.and.arrow.up", "box-arrow-up"},
    {"viewfinder", "bounding-box"},
    {"viewfinder.rectangular", "bounding-box-circles"},
    {"minus.magnifyingglass", "zoom-out"},
    {"plus.magnifyingglass", "zoom-in"},
    {"arrow.up.left.and.arrow.down.right", "arrows-angle-expand"},
    {"arrow.counterclockwise", "arrow-counterclockwise"},
    {"tablecells.badge.ellipsis", "table"},
    {"arrow.down.circle.fill", "arrow-down-circle-fill"},
    {"arrow.down.doc", "file-earmark-arrow-down"},
    {"rectangle.connected.to.line.below", "diagram-3"},
    {"magnifyingglass", "search"},
    {"xmark.circle.fill", "x-circle-fill"},
    {"xmark.circle", "x-circle"},
    {"arrow.clockwise", "arrow-clockwise"},
    {"sidebar.left", "layout-sidebar"},
    {"exclamationmark.triangle", "exclamation-triangle"},
    {"tray", "inbox"},
    {"hand.tap", "hand-index"},
    {"cursorarrow.click", "cursor"},
    {"cursorarrow.click.2", "cursor-fill"},
    {"doc.text", "file-earmark-text"},
    {"checkmark.circle.fill", "check-circle-fill"},
    {"circle", "circle"},
    {"square.and.pencil", "pencil-square"},
    {"chevron.left.forwardslash.chevron.right", "code-slash"},
    {"exclamationmark.circle", "exclamation-circle"},
    {"chevron.right", "chevron-right"},
    {"doc.on.doc", "files"},
    {"circle.slash", "slash-circle"},
    {"list.bullet.indent", "list-nested"},
};
// clang-format on

constexpr int symbolCount = static_cast<int>(std::size(symbols));

// Raster images larger than this are not worth keeping: draw the vectors instead.
constexpr int largestCachedPixels = 256;
constexpr int rasterCacheLimit = 4096;

int symbolIndex(std::string_view name) {
    static const auto byName = [] {
        std::unordered_map<std::string_view, int> map;
        for (int i = 0; i < symbolCount; ++i)
            map.emplace(symbols[i].name, i);
        return map;
    }();
    const auto found = byName.find(name);
    return found == byName.end() ? -1 : found->second;
}

const QByteArray& svgText(int index) {
    static std::once_flag initialised;
    std::call_once(initialised, initSymbolResources);
    static QHash<int, QByteArray> texts;
    auto found = texts.find(index);
    if (found == texts.end()) {
        QFile file(QStringLiteral(":/symbols/%1.svg").arg(QLatin1String(symbols[index].file)));
        file.open(QIODevice::ReadOnly);
        found = texts.insert(index, file.readAll());
    }
    return *found;
}

// The tint is applied to the SVG itself, so the renderer draws plain filled vectors of the colour;
// its opacity is left to the painter.
quint64 tintKey(int index, const QColor& color) {
    return (quint64(index) << 32) | (color.rgb() & 0xffffffu);
}

QSvgRenderer& renderer(int index, const QColor& color) {
    static std::unordered_map<quint64, std::unique_ptr<QSvgRenderer>> renderers;
    auto& slot = renderers[tintKey(index, color)];
    if (!slot) {
        QByteArray text = svgText(index);
        text.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
        slot = std::make_unique<QSvgRenderer>(text);
    }
    return *slot;
}

const QImage& rasterSymbol(int index, const QColor& color, int pixels) {
    static QHash<quint64, QImage> images;
    const quint64 key = (tintKey(index, color) << 9) | quint64(pixels);
    auto found = images.find(key);
    if (found == images.end()) {
        if (images.size() >= rasterCacheLimit)
            images.clear(); // zooming through many sizes; the ones in use come back at once
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer(index, color).render(&painter, QRectF(0, 0, pixels, pixels));
        painter.end();
        found = images.insert(key, image);
    }
    return *found;
}

bool isVectorDevice(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    if (!engine)
        return true;
    switch (engine->type()) {
    case QPaintEngine::Raster:
    case QPaintEngine::OpenGL:
    case QPaintEngine::OpenGL2:
        return false;
    default:
        return true;
    }
}

void drawSymbolAt(QPainter& painter, int index, const QRectF& square, const QColor& color) {
    const double previousOpacity = painter.opacity();
    painter.setOpacity(previousOpacity * color.alphaF());
    const QTransform device = painter.deviceTransform();
    const double scale = std::sqrt(std::abs(device.determinant()));
    const int pixels = static_cast<int>(std::ceil(square.width() * scale));
    // Screens and images take a cached raster at the size the symbol covers on the device, which is
    // far cheaper than the vectors for a thousand nodes; vector devices (PDF, SVG) get vectors.
    if (!isVectorDevice(painter) && device.type() <= QTransform::TxScale && pixels > 0 &&
        pixels <= largestCachedPixels) {
        const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(square, rasterSymbol(index, color, pixels));
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    } else {
        renderer(index, color).render(&painter, square);
    }
    painter.setOpacity(previousOpacity);
}

QRectF centredSquare(const QRectF& box) {
    const double side = std::min(box.width(), box.height());
    return QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
}

class SymbolIconEngine : public QIconEngine {
  public:
    SymbolIconEngine(int index, QColor color) : index_(index), color_(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QColor color = mode == QIcon::Disabled ? withAlpha(color_, 0.35) : color_;
        drawSymbolAt(*painter, index_, centredSquare(rect), color);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            paint(&painter, QRect(QPoint(0, 0), pixmap.size()), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SymbolIconEngine(index_, color_); }
    QString key() const override { return QStringLiteral("ketterly-symbol"); }

  private:
    static QColor withAlpha(QColor color, double factor) {
        color.setAlphaF(static_cast<float>(color.alphaF() * factor));
        return color;
    }

    int index_;
    QColor color_;
};

} // namespace

bool paintsVectors(const QPainter& painter) {
    return isVectorDevice(painter);
}

bool hasSymbol(std::string_view symbol) {
    return symbolIndex(symbol) >= 0;
}

void drawSymbol(QPainter& painter, std::string_view symbol, const QRectF& box, const QColor& color) {
    const int index = symbolIndex(symbol);
    if (index < 0 || box.isEmpty() || color.alpha() == 0)
        return;
    drawSymbolAt(painter, index, centredSquare(box), color);
}

QImage gradientSymbol(std::string_view symbol, QSize pixels, const QColor& from, const QColor& to) {
    const int index = symbolIndex(symbol);
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (index < 0 || pixels.isEmpty())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer(index, Qt::white).render(&painter, centredSquare(QRectF(QPointF(0, 0), QSizeF(pixels))));
    // The symbol's shape keeps its coverage; the gradient gives it colour.
    QLinearGradient gradient(QPointF(0, 0), QPointF(pixels.width(), pixels.height()));
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), gradient);
    return image;
}

QIcon symbolIcon(std::string_view symbol, const QColor& color) {
    const int index = symbolIndex(symbol);
    if (index < 0)
        return {};
    static QHash<quint64, QIcon> icons;
    const quint64 key = (quint64(index) << 32) | color.rgba();
    auto found = icons.find(key);
    if (found == icons.end())
        found = icons.insert(key, QIcon(new SymbolIconEngine(index, color)));
    return *found;
}

} // namespace ketterly::ui
