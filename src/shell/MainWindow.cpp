#include "shell/MainWindow.h"

#include "app/AppState.h"

#include <QAction>
#include <QFileDialog>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

namespace ketterly {

MainWindow::MainWindow(AppState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
    setWindowTitle("Ketterly");
    resize(1100, 720);

    tableList_ = new QListWidget(this);
    tableList_->setSelectionMode(QAbstractItemView::SingleSelection);
    setCentralWidget(tableList_);

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
