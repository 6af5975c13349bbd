#include "shell/MainWindow.h"

#include "app/AppState.h"
#include "canvas/ERDCanvasView.h"
#include "canvas/ZoomControlsView.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>

namespace ketterly {

MainWindow::MainWindow(AppState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
    setWindowTitle("Ketterly");
    resize(1100, 720);

    auto* split = new QSplitter(this);
    tableList_ = new QListWidget(split);
    tableList_->setSelectionMode(QAbstractItemView::SingleSelection);
    split->addWidget(tableList_);
    split->addWidget(makeCanvasArea(split));
    split->setStretchFactor(1, 1);
    split->setSizes({220, 880});
    setCentralWidget(split);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("Open Database..."));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] { state_.setShowOpenPanel(true); });
    file->addSeparator();
    QAction* quit = file->addAction(tr("Quit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    connect(&state_, &AppState::schemaChanged, this, &MainWindow::showSchema);
    connect(&state_, &AppState::selectedTableChanged, this, &MainWindow::showSelection);
    connect(&state_, &AppState::isLoadingChanged, this, &MainWindow::showLoading);
    connect(&state_, &AppState::errorMessageChanged, this, &MainWindow::showError);
    connect(&state_, &AppState::showOpenPanelChanged, this, [this] {
        if (state_.showOpenPanel()) {
            state_.setShowOpenPanel(false);
            runOpenPanel();
        }
    });
    connect(tableList_, &QListWidget::currentRowChanged, this, [this](int row) {
        const auto& schema = state_.schema();
        if (schema && row >= 0 && row < static_cast<int>(schema->tables.size()))
            state_.setSelectedTable(schema->tables[static_cast<std::size_t>(row)]);
    });

    showSchema();
    showLoading();
}

// The canvas with the zoom controls floating over its bottom-right corner.
QWidget* MainWindow::makeCanvasArea(QWidget* parent) {
    auto* area = new QWidget(parent);
    canvas_ = new ERDCanvasView(state_, area);
    auto* controls = new ZoomControlsView(area);
    controls->setZoomLevel(state_.zoomLevel());
    controlsOf_ = controls;
    area->installEventFilter(this);
    controls->installEventFilter(this);

    connect(controls, &ZoomControlsView::zoomRequested, canvas_,
            [this](double zoom, double response, double damping) {
                canvas_->animateView(zoom, state_.panOffset(), response, damping);
            });
    connect(controls, &ZoomControlsView::marqueeToggled, canvas_, &ERDCanvasView::setMarqueeZoomActive);
    connect(canvas_, &ERDCanvasView::marqueeZoomActiveChanged, controls,
            &ZoomControlsView::setMarqueeZoomActive);
    connect(controls, &ZoomControlsView::fitRequested, canvas_, &ERDCanvasView::requestFitToView);
    connect(controls, &ZoomControlsView::resetRequested, canvas_, [this] {
        canvas_->animateView(1.0, {0, 0}, resetResponse, resetDamping);
    });
    connect(&state_, &AppState::zoomLevelChanged, controls,
            [this, controls] { controls->setZoomLevel(state_.zoomLevel()); });
    return area;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The area resized, or the controls changed their size (the marquee toggle shows "Select").
    const bool areaResized =
        event->type() == QEvent::Resize && controlsOf_ && watched == controlsOf_->parent();
    const bool controlsChanged = event->type() == QEvent::LayoutRequest && watched == controlsOf_;
    if (areaResized || controlsChanged) {
        auto* area = static_cast<QWidget*>(controlsOf_->parent());
        canvas_->setGeometry(area->rect());
        const QSize size = controlsOf_->sizeHint();
        controlsOf_->setGeometry(area->width() - size.width() - controlsMargin,
                                 area->height() - size.height() - controlsMargin, size.width(),
                                 size.height());
        controlsOf_->raise();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showSchema() {
    const auto& schema = state_.schema();
    setWindowTitle(schema ? QString::fromStdString(schema->fileName) : QStringLiteral("Ketterly"));
    const QSignalBlocker blocker(tableList_);
    tableList_->clear();
    if (schema)
        for (const auto& table : schema->tables)
            tableList_->addItem(QString::fromStdString(table.name));
    showSelection();
}

void MainWindow::showSelection() {
    const auto& schema = state_.schema();
    const auto& selected = state_.selectedTable();
    int row = -1;
    if (schema && selected)
        for (std::size_t i = 0; i < schema->tables.size(); ++i)
            if (schema->tables[i].id == selected->id) {
                row = static_cast<int>(i);
                break;
            }
    const QSignalBlocker blocker(tableList_);
    tableList_->setCurrentRow(row);
}

void MainWindow::showLoading() {
    if (state_.isLoading()) {
        statusBar()->showMessage(tr("Loading..."));
        return;
    }
    const auto& schema = state_.schema();
    statusBar()->showMessage(schema ? tr("%n table(s)", nullptr, static_cast<int>(schema->tables.size()))
                                    : QString());
}

void MainWindow::showError() {
    const auto& message = state_.errorMessage();
    if (!message)
        return;
    auto* alert = new QMessageBox(QMessageBox::Warning, tr("Error"), QString::fromStdString(*message),
                                  QMessageBox::Ok, this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert, &QMessageBox::finished, this, [this] { state_.setErrorMessage(std::nullopt); });
    alert->open();
}

void MainWindow::runOpenPanel() {
    if (!openPanel_) {
        openPanel_ = new QFileDialog(this, tr("Open SQLite Database"));
        openPanel_->setFileMode(QFileDialog::ExistingFile);
        openPanel_->setNameFilters(
            {tr("SQLite databases (*.sqlite *.db *.sqlite3 *.store)"), tr("All files (*)")});
        connect(openPanel_, &QFileDialog::fileSelected, this,
                [this](const QString& path) { state_.openDatabase(path); });
    }
    openPanel_->open();
}

} // namespace ketterly
