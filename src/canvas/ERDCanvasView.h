#pragma once

// The diagram canvas: grid, edges and table nodes on a plane that pans, zooms, fits, zooms into
// a marquee rectangle, and lets tables be selected and dragged. A diagram point p is shown at
// p × Z + O, Z being the zoom (times a pinch in progress) and O the pan (plus a pan in progress).

// moc cannot parse the standard library's concepts; it needs none of these declarations.
#ifndef Q_MOC_RUN
#include "model/DatabaseSchema.h"
#endif

#include <QCache>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QVariantAnimation;

namespace ketterly {

class AppState;

namespace ui {
class SpringAnimation;
}

class ERDCanvasView : public QWidget {
    Q_OBJECT
  public:
    static constexpr double gridSpacing = 40;
    static constexpr double nodeDragThreshold = 10; // view points before a press on a node drags it
    static constexpr double panThreshold = 10;
    static constexpr double marqueeThreshold = 5;
    static constexpr double pinchMinimumZoom = 0.25;
    static constexpr double pinchMaximumZoom = 3.0;
    static constexpr double minimumZoom = 0.1; // buttons, keys, the wheel and the marquee
    static constexpr double maximumZoom = 4.0;
    static constexpr double zoomStep = 0.1;
    static constexpr double fitMinimumZoom = 0.1;
    static constexpr double fitMaximumZoom = 1.5;
    static constexpr double fitMargin = 160;     // view points left around a fitted diagram, in all
    static constexpr double marqueeMargin = 80;  // and around a marquee's area
    static constexpr double minimumMarquee = 20; // a marquee must be wider and taller than this

    explicit ERDCanvasView(AppState& state, QWidget* parent = nullptr);
    ~ERDCanvasView() override;

    double effectiveZoom() const;
    QPointF effectiveOffset() const;
    QPointF toDiagram(QPointF viewPoint) const;

    // The tables as shown: each at its dragged position if it has one, else its laid-out one,
    // the table being dragged moved by the drag in progress.
    std::vector<TableSchema> displayedTables() const;

    bool isMarqueeZoomActive() const { return marqueeZoomActive_; }
    void setMarqueeZoomActive(bool active);
    bool isDrawingMarquee() const { return drawingMarquee_; }
    std::optional<QRectF> marqueeRect() const;

    QSizeF dragOffset() const { return dragOffset_; }
    double magnifyBy() const { return magnifyBy_; }
    const std::optional<std::string>& draggingTableId() const { return draggingTableId_; }

    // Fits the displayed diagram into a view of `size`: zoom within 0.1…1.5, centred. Nothing
    // happens for an empty diagram or an empty size.
    void fitToView(QSizeF size);
    // Asks for a fit of the canvas as it is now (the fit button, a change of direction).
    void requestFitToView();
    // Zooms so that `rect` (view points) fills a view of `size`, animated.
    void zoomToRect(QRectF rect, QSizeF size);
    void exitMarqueeMode();

    // Moves zoom and pan to the given values along a spring; without one, at once.
    void animateView(double zoom, Size pan, double response, double dampingFraction);
    // Zooms by `factor` about a view point, within the buttons' limits.
    void zoomAbout(QPointF viewPoint, double factor);
    // The zoom buttons' step, about the top-left corner as the buttons do.
    void stepZoom(int steps);

  signals:
    void marqueeZoomActiveChanged(bool active);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    enum class Gesture { none, node, pan, marquee };

    void schemaChanged();
    void positionsChanged();
    std::map<std::string, Point> targetPositions() const;
    std::optional<std::size_t> tableAt(QPointF viewPoint) const;
    void paintFrame(QPainter& painter);
    void paintBackground(QPainter& painter, QImage& image);
    static void runOnPoolThread(const std::function<void()>& job);
    void paintNodes(QPainter& painter, const std::vector<TableSchema>& tables, const QRectF& visible);
    void paintMarqueeOverlay(QPainter& painter);
    QImage nodePicture(const TableSchema& table, bool selected, double scale, QRectF& area);
    void endNodeDrag(QPointF translation);
    void setLift(const std::optional<std::string>& id, double target);
    void startMarqueeAnimations(bool run);
    void stopViewAnimation();

    AppState& state_;
    Appearance appearance_ = Appearance::light;

    // View state of the canvas.
    QSizeF dragOffset_{0, 0};
    double magnifyBy_ = 1.0;
    QSizeF viewSize_{0, 0};
    std::optional<QPointF> marqueeStart_;
    std::optional<QPointF> marqueeEnd_;
    bool drawingMarquee_ = false;
    bool marqueeZoomActive_ = false;
    std::optional<std::string> draggingTableId_;
    QSizeF liveDragOffset_{0, 0};

    // The pointer gesture in progress.
    Gesture gesture_ = Gesture::none;
    bool gestureStarted_ = false; // moved past its threshold
    QPointF pressPoint_;
    std::optional<std::size_t> pressedTable_;

    // Positions as drawn (a re-layout moves the nodes along a spring to their new places).
    std::map<std::string, Point> shown_;
    std::map<std::string, Point> moveFrom_, moveTo_;
    ui::SpringAnimation* moveAnimation_ = nullptr;
    std::string tableKey_; // the ids of the tables in order, joined with ","
    bool everShown_ = false;

    // The lift of the node being dragged (and settling after it).
    std::optional<std::string> liftedId_;
    double lift_ = 0;
    ui::SpringAnimation* liftAnimation_ = nullptr;

    ui::SpringAnimation* viewAnimation_ = nullptr; // a spring of its own per change of view
    double viewFromZoom_ = 1, viewToZoom_ = 1;
    Size viewFromPan_, viewToPan_;

    // The marquee overlay's veil, marching dashes and pulsing corners.
    double veil_ = 0;
    QVariantAnimation* veilAnimation_ = nullptr;
    QVariantAnimation* fadeAnimation_ = nullptr;
    double overlayOpacity_ = 1;
    QVariantAnimation* dashAnimation_ = nullptr;
    QVariantAnimation* pulseAnimation_ = nullptr;
    double dashPhase_ = 0;
    double pulseScale_ = 1;

    // Node bodies drawn once per table, selection, appearance and scale; and the frame they are
    // put together in.
    QCache<QString, QImage> nodeCache_;
    QImage frame_;

    // What the picture of background, grid and still edges shows; contentVersion_ counts the
    // changes of positions, tables, direction and appearance.
    struct StaticKey {
        QSize size;
        double zoom = 0;
        QPointF offset;
        Appearance appearance = Appearance::light;
        std::string selected;
        std::string dragged;
        std::uint64_t version = 0;
        bool operator==(const StaticKey&) const = default;
    };
    StaticKey staticKey_;
    QImage staticLayer_;
    std::uint64_t contentVersion_ = 0;
};

} // namespace ketterly
