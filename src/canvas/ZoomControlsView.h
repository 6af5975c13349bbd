#pragma once

// The strip over the canvas's bottom-right corner: marquee zoom, zoom out, zoom presets, zoom in,
// fit and reset. It only asks; the window applies the changes to the canvas.

#include "canvas/ERDCanvasView.h"

#include <QWidget>

class QToolButton;

namespace ketterly {

class ZoomControlsView : public QWidget {
    Q_OBJECT
  public:
    // The canvas's own step and limits, which its keys use too.
    static constexpr double zoomStep = ERDCanvasView::zoomStep;
    static constexpr double minZoom = ERDCanvasView::minimumZoom;
    static constexpr double maxZoom = ERDCanvasView::maximumZoom;

    explicit ZoomControlsView(QWidget* parent = nullptr);

    void setZoomLevel(double zoom);
    void setMarqueeZoomActive(bool active);

    // The presets button's text: the zoom in percent, truncated.
    static QString zoomText(double zoom);

  signals:
    // A new zoom, to be reached along a spring of the given response and damping fraction.
    void zoomRequested(double zoom, double response, double dampingFraction);
    void marqueeToggled(bool active);
    void fitRequested();
    void resetRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void refresh();

    double zoom_ = 1.0;
    bool marqueeActive_ = false;
    QToolButton* marquee_ = nullptr;
    QToolButton* zoomOut_ = nullptr;
    QToolButton* presets_ = nullptr;
    QToolButton* zoomIn_ = nullptr;
    QToolButton* fit_ = nullptr;
    QToolButton* reset_ = nullptr;
};

} // namespace ketterly
