#pragma once

#include <QMainWindow>

class QListWidget;
class QFileDialog;

namespace ketterly {

class AppState;

// The window for now: the loaded tables in a list, a File menu to open a database, the loading
// state in the status bar and an alert for a failed open.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);

  private:
    void showSchema();
    void showSelection();
    void showLoading();
    void showError();
    void runOpenPanel();

    AppState& state_;
    QListWidget* tableList_ = nullptr;
    QFileDialog* openPanel_ = nullptr;
};

} // namespace ketterly
