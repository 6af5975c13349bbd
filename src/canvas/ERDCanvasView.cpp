#include "canvas/ERDCanvasView.h"

#include "app/AppState.h"
#include "canvas/EdgePainter.h"
#include "canvas/MarqueeSelectionView.h"
#include "canvas/TableNodePainter.h"
#include "layout/DiagramLayout.h"
#include "layout/EdgeRouter.h"
#include "model/Utf8.h"
#include "ui/Animation.h"
#include "ui/Palette.h"

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QVariantAnimation>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace ketterly {

namespace {

constexpr double moveResponse = 0.5, moveDamping = 0.8;       // nodes to their places after a re-layout
constexpr double liftResponse = 0.2, liftDamping = 0.825;     // a node lifted for a drag
constexpr double marqueeResponse = 0.5, marqueeDamping = 0.8; // the zoom into a marquee
constexpr double buttonResponse = 0.2, buttonDamping = 0.825; // zoom steps
constexpr double fitResponse = 0.3, fitDamping = 0.825;
constexpr int firstFitDelayMs = 100;
constexpr int tablesChangedFitDelayMs = 150;
constexpr int veilMs = 200;
constexpr int fadeMs = 200; // the overlay leaving
constexpr int dashMs = 500;
constexpr int pulseMs = 800;
constexpr double dashLength = 12;             // one dash and its gap
constexpr double pulseGrowth = 0.15;          // corner handles pulse to 1.15
constexpr double wheelZoomBase = 1.0015;      // per eighth of a degree: a notch zooms by about 20%
constexpr double wheelPanPerDegree = 4.0 / 3; // a notch of 15 degrees pans 20 points
constexpr int nodeCacheKilobytes = 96 * 1024;
constexpr double gridOpacity = 0.05;

QPointF toQ(Point point) {
    return {point.x, point.y};
}

std::string tableKeyOf(const std::optional<DatabaseSchema>& schema) {
    std::string key;
    if (!schema)
        return key;
    for (const auto& table : schema->tables) {
        if (!key.empty())
            key += ',';
        key += table.id;
    }
    return key;
}

} // namespace

ERDCanvasView::ERDCanvasView(AppState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    appearance_ = ui::appearanceOf(palette());
    nodeCache_.setMaxCost(nodeCacheKilobytes);

    moveAnimation_ = new ui::SpringAnimation(moveResponse, moveDamping, this);
    moveAnimation_->setStartValue(0.0);
    moveAnimation_->setEndValue(1.0);
    connect(moveAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double t = value.toDouble();
        for (const auto& [id, to] : moveTo_) {
            const auto from = moveFrom_.find(id);
            const Point start = from != moveFrom_.end() ? from->second : to;
            shown_[id] = {start.x + (to.x - start.x) * t, start.y + (to.y - start.y) * t};
        }
        ++contentVersion_;
        update();
    });
    connect(moveAnimation_, &QVariantAnimation::finished, this, [this] {
        for (const auto& [id, to] : moveTo_)
            shown_[id] = to;
        ++contentVersion_;
        update();
    });

    liftAnimation_ = new ui::SpringAnimation(liftResponse, liftDamping, this);
    connect(liftAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        lift_ = value.toDouble();
        update();
    });
    connect(liftAnimation_, &QVariantAnimation::finished, this, [this] {
        if (lift_ <= 0.001 && !draggingTableId_)
            liftedId_.reset();
        update();
    });

    veilAnimation_ = new QVariantAnimation(this);
    veilAnimation_->setDuration(veilMs);
    veilAnimation_->setEasingCurve(ui::easeInOut());
    connect(veilAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        veil_ = value.toDouble();
        update();
    });
    fadeAnimation_ = new QVariantAnimation(this);
    fadeAnimation_->setDuration(fadeMs);
    fadeAnimation_->setEasingCurve(ui::easeOut());
    fadeAnimation_->setStartValue(1.0);
    fadeAnimation_->setEndValue(0.0);
    connect(fadeAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        overlayOpacity_ = value.toDouble();
        update();
    });
    connect(fadeAnimation_, &QVariantAnimation::finished, this, [this] {
        marqueeStart_.reset();
        marqueeEnd_.reset();
        overlayOpacity_ = 1;
        update();
    });
    dashAnimation_ = new QVariantAnimation(this);
    dashAnimation_->setStartValue(0.0);
    dashAnimation_->setEndValue(dashLength);
    dashAnimation_->setDuration(dashMs);
    dashAnimation_->setLoopCount(-1);
    connect(dashAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        dashPhase_ = value.toDouble();
        if (marqueeStart_ && marqueeEnd_)
            update();
    });
    pulseAnimation_ = new QVariantAnimation(this);
    pulseAnimation_->setStartValue(0.0);
    pulseAnimation_->setEndValue(2.0); // there and back
    pulseAnimation_->setDuration(2 * pulseMs);
    pulseAnimation_->setLoopCount(-1);
    connect(pulseAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double phase = value.toDouble();
        pulseScale_ = 1 + pulseGrowth * ui::easeInOut().valueForProgress(phase <= 1 ? phase : 2 - phase);
        if (marqueeStart_ && marqueeEnd_)
            update();
    });

    // The keys Linux users reach for: fit, zoom in and out.
    auto addShortcut = [this](const QList<QKeySequence>& keys, auto slot) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    addShortcut({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { requestFitToView(); });
    addShortcut(
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence::ZoomIn},
        [this] { stepZoom(1); });
    addShortcut({QKeySequence(Qt::CTRL | Qt::Key_Minus), QKeySequence::ZoomOut}, [this] { stepZoom(-1); });

    connect(&state_, &AppState::schemaChanged, this, &ERDCanvasView::schemaChanged);
    connect(&state_, &AppState::tablePositionsChanged, this, &ERDCanvasView::positionsChanged);
    for (auto signal : {&AppState::selectedTableChanged, &AppState::zoomLevelChanged,
                        &AppState::panOffsetChanged, &AppState::layoutDirectionChanged})
        connect(&state_, signal, this, qOverload<>(&QWidget::update));
    schemaChanged();
}

ERDCanvasView::~ERDCanvasView() = default;

double ERDCanvasView::effectiveZoom() const {
    return state_.zoomLevel() * magnifyBy_;
}

QPointF ERDCanvasView::effectiveOffset() const {
    const Size pan = state_.panOffset();
    return {pan.width + dragOffset_.width(), pan.height + dragOffset_.height()};
}

QPointF ERDCanvasView::toDiagram(QPointF viewPoint) const {
    return (viewPoint - effectiveOffset()) / effectiveZoom();
}

std::map<std::string, Point> ERDCanvasView::targetPositions() const {
    std::map<std::string, Point> targets;
    const auto& schema = state_.schema();
    if (!schema)
        return targets;
    const auto& dragged = state_.tablePositions();
    for (const auto& table : schema->tables) {
        const auto found = dragged.find(table.id);
        targets.emplace(table.id, found != dragged.end() ? found->second : table.position);
    }
    return targets;
}

std::vector<TableSchema> ERDCanvasView::displayedTables() const {
    std::vector<TableSchema> tables;
    const auto& schema = state_.schema();
    if (!schema)
        return tables;
    tables = schema->tables;
    const double zoom = effectiveZoom();
    for (auto& table : tables) {
        const auto found = shown_.find(table.id);
        if (found != shown_.end())
            table.position = found->second;
        if (draggingTableId_ && *draggingTableId_ == table.id) {
            table.position.x += liveDragOffset_.width() / zoom;
            table.position.y += liveDragOffset_.height() / zoom;
        }
    }
    return tables;
}

void ERDCanvasView::schemaChanged() {
    nodeCache_.clear();
    ++contentVersion_;
    const std::string key = tableKeyOf(state_.schema());
    if (key == tableKey_ && !shown_.empty()) {
        positionsChanged(); // the same tables, laid out again: they travel to their new places
        return;
    }
    // Another document: show it where it lies, and forget what was held on the old one.
    moveAnimation_->stop();
    shown_ = targetPositions();
    tableKey_ = key;
    gesture_ = Gesture::none;
    pressedTable_.reset();
    draggingTableId_.reset();
    liveDragOffset_ = QSizeF(0, 0);
    liftedId_.reset();
    if (everShown_)
        QTimer::singleShot(tablesChangedFitDelayMs, this, [this] { fitToView(size()); });
    update();
}

void ERDCanvasView::positionsChanged() {
    ++contentVersion_;
    const auto targets = targetPositions();
    std::map<std::string, Point> from, to;
    for (const auto& [id, target] : targets) {
        const auto found = shown_.find(id);
        if (found == shown_.end() || !everShown_) {
            shown_[id] = target;
        } else if (found->second != target) {
            from.emplace(id, found->second);
            to.emplace(id, target);
        }
    }
    if (!to.empty()) {
        moveAnimation_->stop();
        moveFrom_ = std::move(from);
        moveTo_ = std::move(to);
        moveAnimation_->start();
    }
    update();
}

// --- Painting

void ERDCanvasView::paintEvent(QPaintEvent*) {
    const double ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (frame_.size() != pixels)
        frame_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    frame_.setDevicePixelRatio(ratio);
    // The edges and the grid are thousands of long thin shapes. Qt's raster engine hands every
    // large fill to the global thread pool and waits for it, unless it runs on a pool thread
    // itself; with that hand-over per shape a frame took hundreds of milliseconds. Drawn on one
    // pool thread, the frame takes a few.
    runOnPoolThread([this] {
        QPainter painter(&frame_);
        paintFrame(painter);
    });
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), frame_);
}

void ERDCanvasView::runOnPoolThread(const std::function<void()>& job) {
    QThreadPool* pool = QThreadPool::globalInstance();
    QSemaphore done;
    const bool started = !pool->contains(QThread::currentThread()) && pool->tryStart([&] {
        job();
        done.release();
    });
    if (!started) {
        job(); // every pool thread is busy: draw here rather than wait for one
        return;
    }
    done.acquire();
}

void ERDCanvasView::paintFrame(QPainter& painter) {
    const auto& schema = state_.schema();
    const double zoom = effectiveZoom();
    const QPointF offset = effectiveOffset();
    const std::vector<TableSchema> tables = displayedTables();
    const QRectF visible(toDiagram({0, 0}), QSizeF(width() / zoom, height() / zoom));
    std::vector<RoutedEdge> edges;
    if (schema)
        edges =
            routeEdges(schema->relationships, tables, state_.layoutDirection(), AppState::edgeCornerRadius);

    // Background, grid and every edge that does not touch the table being dragged are kept as
    // one picture while none of what they show changes; a drag step then draws only the dragged
    // table's edges and the nodes over it.
    const auto& selected = state_.selectedTable();
    const StaticKey key{frame_.size(),
                        zoom,
                        offset,
                        appearance_,
                        selected ? selected->id : std::string(),
                        draggingTableId_.value_or(std::string()),
                        contentVersion_};
    auto moving = [&](const RoutedEdge& edge) {
        return draggingTableId_ && (equalIgnoringAsciiCase(edge.relationship.fromTable, *draggingTableId_) ||
                                    equalIgnoringAsciiCase(edge.relationship.toTable, *draggingTableId_));
    };
    auto paintStill = [&](QPainter& layer, QImage& image) {
        layer.setRenderHint(QPainter::Antialiasing);
        paintBackground(layer, image);
        std::vector<RoutedEdge> still;
        for (const auto& edge : edges)
            if (!moving(edge))
                still.push_back(edge);
        layer.save();
        layer.translate(offset);
        layer.scale(zoom, zoom);
        canvas::paintEdges(layer, still, selected, appearance_, visible);
        layer.restore();
    };
    if (!draggingTableId_) {
        paintStill(painter, frame_); // kept only while a drag needs it: one copy less per frame
        staticLayer_ = QImage();
    } else {
        if (!(key == staticKey_) || staticLayer_.size() != frame_.size()) {
            staticLayer_ = QImage(frame_.size(), QImage::Format_ARGB32_Premultiplied);
            staticLayer_.setDevicePixelRatio(frame_.devicePixelRatio());
            QPainter layer(&staticLayer_);
            paintStill(layer, staticLayer_);
            staticKey_ = key;
        }
        painter.drawImage(QPointF(0, 0), staticLayer_);
    }

    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    painter.translate(offset);
    painter.scale(zoom, zoom);
    if (draggingTableId_) {
        std::vector<RoutedEdge> live;
        for (const auto& edge : edges)
            if (moving(edge))
                live.push_back(edge);
        canvas::paintEdges(painter, live, selected, appearance_, visible);
    }
    if (schema)
        paintNodes(painter, tables, visible);
    painter.restore();
    if (marqueeZoomActive_ || fadeAnimation_->state() == QAbstractAnimation::Running)
        paintMarqueeOverlay(painter);
}

// The background and its grid, written straight into the frame's pixels: the lines are one
// pixel wide, axis-aligned and of one colour over an opaque background, so each pixel takes one
// of three values (a crossing is covered twice).
void ERDCanvasView::paintBackground(QPainter& painter, QImage& image) {
    const double level = appearance_ == Appearance::dark ? 0.12 : 0.96;
    const QColor background = QColor::fromRgbF(level, level, level);
    const double spacing = gridSpacing * effectiveZoom();
    if (spacing < 1 || image.isNull()) {
        painter.fillRect(rect(), background); // denser than the pixels: it would only grey the view
        return;
    }
    const double ink = appearance_ == Appearance::dark ? 1.0 : 0.0;
    const auto over = [&](double base, int times) {
        double value = base;
        for (int i = 0; i < times; ++i)
            value = value * (1 - gridOpacity) + ink * gridOpacity;
        return QColor::fromRgbF(value, value, value).rgb();
    };
    const QRgb plain = over(level, 0), line = over(level, 1), crossing = over(level, 2);
    const double ratio = image.devicePixelRatio();
    const QPointF offset = effectiveOffset();
    const int width = image.width(), height = image.height();
    // Each line sits on the device pixel holding its position.
    auto positions = [&](double start, double limit) {
        std::vector<int> result;
        for (double at = std::fmod(start, spacing); at < limit; at += spacing)
            if (const int pixel = static_cast<int>(std::floor(at * ratio)); pixel >= 0)
                result.push_back(pixel);
        return result;
    };
    const std::vector<int> columns = positions(offset.x(), width / ratio);
    const std::vector<int> rows = positions(offset.y(), height / ratio);
    std::vector<QRgb> plainRow(static_cast<std::size_t>(width), plain);
    for (int x : columns)
        if (x < width)
            plainRow[static_cast<std::size_t>(x)] = line;
    std::vector<QRgb> lineRow(static_cast<std::size_t>(width), line);
    for (int x : columns)
        if (x < width)
            lineRow[static_cast<std::size_t>(x)] = crossing;
    std::size_t next = 0;
    for (int y = 0; y < height; ++y) {
        while (next < rows.size() && rows[next] < y)
            ++next;
        const bool onLine = next < rows.size() && rows[next] == y;
        const auto& source = onLine ? lineRow : plainRow;
        std::copy(source.begin(), source.end(), reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
}

void ERDCanvasView::paintNodes(QPainter& painter, const std::vector<TableSchema>& tables,
                               const QRectF& visible) {
    const auto& selected = state_.selectedTable();
    const double margin = canvas::tableNodeShadowMargin();
    const double zoom = effectiveZoom();
    const double ratio = devicePixelRatioF();
    const QPointF offset = effectiveOffset();
    // Cached pictures are made at the exact scale shown and put down pixel for pixel: drawing a
    // picture scaled costs several times more than copying it.
    painter.save();
    painter.resetTransform();
    const TableSchema* lifted = nullptr;
    for (const auto& table : tables) {
        if (liftedId_ && *liftedId_ == table.id) {
            lifted = &table; // drawn last, above the others
            continue;
        }
        const QPointF centre = toQ(table.position);
        if (!visible.intersects(
                canvas::tableNodeRect(table, centre).adjusted(-margin, -margin, margin, margin)))
            continue;
        QRectF area;
        const QImage picture = nodePicture(table, selected && selected->id == table.id, zoom * ratio, area);
        const QPointF corner = (centre + area.topLeft()) * zoom + offset;
        painter.drawImage(
            QPointF(std::round(corner.x() * ratio) / ratio, std::round(corner.y() * ratio) / ratio), picture);
    }
    painter.restore();
    if (lifted)
        canvas::paintTableNode(painter, *lifted, toQ(lifted->position),
                               selected && selected->id == lifted->id, appearance_, canvas::NodeLift{lift_});
}

QImage ERDCanvasView::nodePicture(const TableSchema& table, bool selected, double scale, QRectF& area) {
    const double margin = canvas::tableNodeShadowMargin();
    area = canvas::tableNodeRect(table, {0, 0}).adjusted(-margin, -margin, margin, margin);
    const QString key = QStringLiteral("%1\n%2%3%4")
                            .arg(QString::fromStdString(table.id))
                            .arg(selected ? 1 : 0)
                            .arg(appearance_ == Appearance::dark ? 1 : 0)
                            .arg(scale, 0, 'g', 6);
    if (const QImage* cached = nodeCache_.object(key))
        return *cached;
    const QSize pixels(static_cast<int>(std::ceil(area.width() * scale)),
                       static_cast<int>(std::ceil(area.height() * scale)));
    auto* picture = new QImage(pixels.expandedTo({1, 1}), QImage::Format_ARGB32_Premultiplied);
    picture->fill(Qt::transparent);
    {
        QPainter painter(picture);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        painter.scale(scale, scale);
        painter.translate(-area.topLeft());
        canvas::paintTableNode(painter, table, {0, 0}, selected, appearance_);
    }
    picture->setDevicePixelRatio(devicePixelRatioF());
    const QImage result = *picture;
    const int kilobytes = std::max(1, pixels.width() * pixels.height() * 4 / 1024);
    nodeCache_.insert(key, picture, kilobytes);
    return result;
}

void ERDCanvasView::paintMarqueeOverlay(QPainter& painter) {
    painter.save();
    painter.setOpacity(overlayOpacity_);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, veil_));
    if (marqueeStart_ && marqueeEnd_)
        canvas::paintMarqueeSelection(painter, *marqueeStart_, *marqueeEnd_, appearance_, dashPhase_,
                                      pulseScale_);
    if (marqueeZoomActive_ && !drawingMarquee_)
        canvas::paintMarqueeHint(painter, QRectF(rect()), appearance_);
    painter.restore();
}

// --- Pointer and keys

std::optional<std::size_t> ERDCanvasView::tableAt(QPointF viewPoint) const {
    const auto tables = displayedTables();
    const QPointF point = toDiagram(viewPoint);
    // Topmost first: the lifted node, then the others from the last drawn.
    for (std::size_t i = tables.size(); i-- > 0;)
        if (liftedId_ && *liftedId_ == tables[i].id &&
            canvas::tableNodeRect(tables[i], toQ(tables[i].position)).contains(point))
            return i;
    for (std::size_t i = tables.size(); i-- > 0;)
        if (canvas::tableNodeRect(tables[i], toQ(tables[i].position)).contains(point))
            return i;
    return std::nullopt;
}

void ERDCanvasView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || gesture_ != Gesture::none) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    pressPoint_ = event->position();
    gestureStarted_ = false;
    pressedTable_.reset();
    if (marqueeZoomActive_) {
        gesture_ = Gesture::marquee; // the overlay takes every press; nodes get none
    } else if (const auto table = tableAt(pressPoint_)) {
        gesture_ = Gesture::node;
        pressedTable_ = table;
    } else {
        gesture_ = Gesture::pan;
    }
    event->accept();
}

void ERDCanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (gesture_ == Gesture::none)
        return;
    const QPointF translation = event->position() - pressPoint_;
    const double distance = std::hypot(translation.x(), translation.y());
    const auto& schema = state_.schema();
    switch (gesture_) {
    case Gesture::node:
        if (!schema || !pressedTable_ || *pressedTable_ >= schema->tables.size())
            return;
        if (!gestureStarted_ && distance < nodeDragThreshold)
            return;
        if (!gestureStarted_) {
            gestureStarted_ = true;
            setLift(schema->tables[*pressedTable_].id, 1);
        }
        draggingTableId_ = schema->tables[*pressedTable_].id;
        liveDragOffset_ = QSizeF(translation.x(), translation.y());
        state_.setSelectedTable(schema->tables[*pressedTable_]);
        break;
    case Gesture::pan:
        if (!gestureStarted_ && distance < panThreshold)
            return;
        if (!gestureStarted_) {
            gestureStarted_ = true;
            stopViewAnimation();
            setCursor(Qt::ClosedHandCursor);
        }
        dragOffset_ = QSizeF(translation.x(), translation.y());
        break;
    case Gesture::marquee:
        if (!gestureStarted_ && distance < marqueeThreshold)
            return;
        gestureStarted_ = true;
        if (!drawingMarquee_) {
            marqueeStart_ = pressPoint_;
            drawingMarquee_ = true;
            veilAnimation_->stop();
            veilAnimation_->setStartValue(veil_);
            veilAnimation_->setEndValue(0.1);
            veilAnimation_->start();
        }
        marqueeEnd_ = event->position();
        break;
    case Gesture::none:
        break;
    }
    update();
}

void ERDCanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (gesture_ == Gesture::none || event->button() != Qt::LeftButton)
        return;
    const Gesture gesture = std::exchange(gesture_, Gesture::none);
    const QPointF translation = event->position() - pressPoint_;
    const auto& schema = state_.schema();
    switch (gesture) {
    case Gesture::node:
        if (gestureStarted_)
            endNodeDrag(translation);
        else if (schema && pressedTable_ && *pressedTable_ < schema->tables.size())
            state_.setSelectedTable(schema->tables[*pressedTable_]); // a click
        break;
    case Gesture::pan:
        if (gestureStarted_) {
            const Size pan = state_.panOffset();
            dragOffset_ = QSizeF(0, 0);
            state_.setPanOffset({pan.width + translation.x(), pan.height + translation.y()});
            unsetCursor();
        } else {
            state_.setSelectedTable(std::nullopt);
        }
        break;
    case Gesture::marquee:
        if (gestureStarted_) {
            if (marqueeStart_) {
                const QRectF area = canvas::marqueeRect(*marqueeStart_, event->position());
                if (canvas::isValidMarquee(area))
                    zoomToRect(area, viewSize_);
            }
            exitMarqueeMode();
        } else {
            setMarqueeZoomActive(false); // a click ends the mode and selects nothing
        }
        break;
    case Gesture::none:
        break;
    }
    pressedTable_.reset();
    gestureStarted_ = false;
    update();
}

void ERDCanvasView::endNodeDrag(QPointF translation) {
    const auto& schema = state_.schema();
    if (!schema || !pressedTable_ || *pressedTable_ >= schema->tables.size())
        return;
    const std::string id = schema->tables[*pressedTable_].id;
    const double zoom = effectiveZoom();
    const Point start = shown_.count(id) ? shown_[id] : schema->tables[*pressedTable_].position;
    const Point end{start.x + translation.x() / zoom, start.y + translation.y() / zoom};
    // Shown there already, so storing it moves nothing back and forth.
    shown_[id] = end;
    moveTo_.erase(id);
    ++contentVersion_;
    draggingTableId_.reset();
    liveDragOffset_ = QSizeF(0, 0);
    setLift(id, 0);
    state_.updateTablePosition(id, end.x, end.y);
}

void ERDCanvasView::setLift(const std::optional<std::string>& id, double target) {
    if (id)
        liftedId_ = id;
    liftAnimation_->stop();
    liftAnimation_->setStartValue(lift_);
    liftAnimation_->setEndValue(target);
    liftAnimation_->start();
}

void ERDCanvasView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        const double degrees =
            event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
        zoomAbout(event->position(), std::pow(wheelZoomBase, degrees));
    } else {
        QPointF delta = !event->pixelDelta().isNull() ? QPointF(event->pixelDelta())
                                                      : QPointF(event->angleDelta()) / 8 * wheelPanPerDegree;
        if (event->modifiers() & Qt::ShiftModifier && delta.x() == 0)
            delta = QPointF(delta.y(), 0); // Shift turns the wheel sideways
        stopViewAnimation();
        const Size pan = state_.panOffset();
        state_.setPanOffset({pan.width + delta.x(), pan.height + delta.y()});
    }
    event->accept();
}

void ERDCanvasView::zoomAbout(QPointF viewPoint, double factor) {
    stopViewAnimation();
    const double zoom = state_.zoomLevel();
    const double newZoom = std::clamp(zoom * factor, minimumZoom, maximumZoom);
    const Size pan = state_.panOffset();
    // The diagram point under the pointer stays under it.
    const QPointF under = (viewPoint - QPointF(pan.width, pan.height)) / zoom;
    state_.setZoomLevel(newZoom);
    state_.setPanOffset({viewPoint.x() - under.x() * newZoom, viewPoint.y() - under.y() * newZoom});
}

void ERDCanvasView::stepZoom(int steps) {
    const double target = std::clamp(state_.zoomLevel() + steps * zoomStep, minimumZoom, maximumZoom);
    animateView(target, state_.panOffset(), buttonResponse, buttonDamping);
}

void ERDCanvasView::keyPressEvent(QKeyEvent* event) {
    if (marqueeZoomActive_ && event->key() == Qt::Key_Escape) {
        exitMarqueeMode();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool ERDCanvasView::event(QEvent* event) {
    if (event->type() != QEvent::NativeGesture)
        return QWidget::event(event);
    // A touchpad pinch scales everything live about the top-left corner, then commits its zoom.
    auto* gesture = static_cast<QNativeGestureEvent*>(event);
    switch (gesture->gestureType()) {
    case Qt::BeginNativeGesture:
        magnifyBy_ = 1.0;
        break;
    case Qt::ZoomNativeGesture:
        magnifyBy_ = std::max(0.01, magnifyBy_ + gesture->value());
        update();
        break;
    case Qt::EndNativeGesture:
        if (std::abs(magnifyBy_ - 1.0) >= 0.01)
            state_.setZoomLevel(
                std::clamp(state_.zoomLevel() * magnifyBy_, pinchMinimumZoom, pinchMaximumZoom));
        magnifyBy_ = 1.0;
        update();
        break;
    default:
        return QWidget::event(event);
    }
    event->accept();
    return true;
}

// --- Fit, marquee and view changes

void ERDCanvasView::fitToView(QSizeF size) {
    if (size.width() <= 0 || size.height() <= 0)
        return;
    const Rect bounds = diagramBounds(displayedTables());
    if (bounds.width <= 0 || bounds.height <= 0)
        return;
    const double scale = std::clamp(
        std::min((size.width() - fitMargin) / bounds.width, (size.height() - fitMargin) / bounds.height),
        fitMinimumZoom, fitMaximumZoom);
    stopViewAnimation();
    state_.setZoomLevel(scale);
    state_.setPanOffset({size.width() / 2 - scale * (bounds.x + bounds.width / 2),
                         size.height() / 2 - scale * (bounds.y + bounds.height / 2)});
}

void ERDCanvasView::requestFitToView() {
    const QSizeF size = viewSize_.width() > 0 ? viewSize_ : QSizeF(this->size());
    const double zoom = state_.zoomLevel();
    const Size pan = state_.panOffset();
    fitToView(size);
    const double fittedZoom = state_.zoomLevel();
    const Size fittedPan = state_.panOffset();
    // The same fit, travelled to along a spring from where the view was.
    state_.setZoomLevel(zoom);
    state_.setPanOffset(pan);
    animateView(fittedZoom, fittedPan, fitResponse, fitDamping);
}

void ERDCanvasView::zoomToRect(QRectF area, QSizeF size) {
    if (area.width() <= 0 || area.height() <= 0)
        return;
    const double zoom = state_.zoomLevel();
    const Size pan = state_.panOffset();
    const QRectF diagram((area.x() - pan.width) / zoom, (area.y() - pan.height) / zoom, area.width() / zoom,
                         area.height() / zoom);
    const double newZoom = std::clamp(std::min((size.width() - marqueeMargin) / diagram.width(),
                                               (size.height() - marqueeMargin) / diagram.height()),
                                      minimumZoom, maximumZoom);
    animateView(newZoom,
                {size.width() / 2 - newZoom * diagram.center().x(),
                 size.height() / 2 - newZoom * diagram.center().y()},
                marqueeResponse, marqueeDamping);
}

void ERDCanvasView::stopViewAnimation() {
    if (viewAnimation_)
        viewAnimation_->stop();
}

void ERDCanvasView::animateView(double zoom, Size pan, double response, double dampingFraction) {
    stopViewAnimation();
    if (response <= 0) {
        state_.setZoomLevel(zoom);
        state_.setPanOffset(pan);
        return;
    }
    viewFromZoom_ = state_.zoomLevel();
    viewFromPan_ = state_.panOffset();
    viewToZoom_ = zoom;
    viewToPan_ = pan;
    delete viewAnimation_;
    viewAnimation_ = new ui::SpringAnimation(response, dampingFraction, this);
    viewAnimation_->setStartValue(0.0);
    viewAnimation_->setEndValue(1.0);
    connect(viewAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double t = value.toDouble();
        state_.setZoomLevel(viewFromZoom_ + (viewToZoom_ - viewFromZoom_) * t);
        state_.setPanOffset({viewFromPan_.width + (viewToPan_.width - viewFromPan_.width) * t,
                             viewFromPan_.height + (viewToPan_.height - viewFromPan_.height) * t});
    });
    connect(viewAnimation_, &QVariantAnimation::finished, this, [this] {
        state_.setZoomLevel(viewToZoom_);
        state_.setPanOffset(viewToPan_);
    });
    viewAnimation_->start();
}

std::optional<QRectF> ERDCanvasView::marqueeRect() const {
    if (!marqueeStart_ || !marqueeEnd_)
        return std::nullopt;
    return canvas::marqueeRect(*marqueeStart_, *marqueeEnd_);
}

void ERDCanvasView::setMarqueeZoomActive(bool active) {
    if (marqueeZoomActive_ == active)
        return;
    fadeAnimation_->stop();
    overlayOpacity_ = 1;
    marqueeZoomActive_ = active;
    drawingMarquee_ = false;
    marqueeStart_.reset();
    marqueeEnd_.reset();
    if (gesture_ == Gesture::marquee || (active && gesture_ != Gesture::none))
        gesture_ = Gesture::none;
    veilAnimation_->stop();
    veil_ = 0.05;
    startMarqueeAnimations(active);
    if (active) {
        setCursor(Qt::CrossCursor);
        setFocus(Qt::OtherFocusReason); // so that Escape reaches the overlay
    } else {
        unsetCursor();
    }
    emit marqueeZoomActiveChanged(active);
    update();
}

void ERDCanvasView::exitMarqueeMode() {
    if (!marqueeZoomActive_)
        return;
    // The overlay, with the marquee as it was, fades out; the marquee's points go after it.
    const auto start = marqueeStart_, end = marqueeEnd_;
    setMarqueeZoomActive(false);
    marqueeStart_ = start;
    marqueeEnd_ = end;
    fadeAnimation_->stop();
    fadeAnimation_->start();
}

void ERDCanvasView::startMarqueeAnimations(bool run) {
    for (QVariantAnimation* animation : {dashAnimation_, pulseAnimation_}) {
        if (run)
            animation->start();
        else
            animation->stop();
    }
}

void ERDCanvasView::resizeEvent(QResizeEvent* event) {
    viewSize_ = QSizeF(size());
    QWidget::resizeEvent(event);
}

void ERDCanvasView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (everShown_)
        return;
    everShown_ = true;
    viewSize_ = QSizeF(size());
    QTimer::singleShot(firstFitDelayMs, this, [this] { fitToView(size()); });
}

void ERDCanvasView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        const Appearance appearance = ui::appearanceOf(palette());
        if (appearance != appearance_) {
            appearance_ = appearance;
            nodeCache_.clear();
            ++contentVersion_;
            update();
        }
    }
    QWidget::changeEvent(event);
}

} // namespace ketterly
