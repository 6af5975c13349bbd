#pragma once

#include <QMainWindow>

class QListWidget;
class QFileDialog;

namespace ketterly {

class AppState;
class ERDCanvasView;
class ZoomControlsView;

// The window for now: the loaded tables in a list beside the diagram canvas and its zoom controls,
// a File menu to open a database, the loading state in the status bar and an alert for a failed
// open.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);

    ERDCanvasView* canvas() const { return canvas_; }
    ZoomControlsView* zoomControls() const { return controlsOf_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    static constexpr int controlsMargin = 12;
    static constexpr double resetResponse = 0.3, resetDamping = 0.825;

    QWidget* makeCanvasArea(QWidget* parent);
    void showSchema();
    void showSelection();
    void showLoading();
    void showError();
    void runOpenPanel();

    AppState& state_;
    QListWidget* tableList_ = nullptr;
    QFileDialog* openPanel_ = nullptr;
    ERDCanvasView* canvas_ = nullptr;
    ZoomControlsView* controlsOf_ = nullptr;
};

} // namespace ketterly
