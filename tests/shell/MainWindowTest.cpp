#include "shell/MainWindow.h"

#include "app/AppState.h"
#include "canvas/ERDCanvasView.h"
#include "canvas/ZoomControlsView.h"
#include "support/TestDatabase.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace ketterly;
using ketterly::test::TempDir;

class MainWindowTest : public ::testing::Test {
  protected:
    void open(const std::string& path) {
        QSignalSpy finished(&state, &AppState::openFinished);
        state.openDatabase(QString::fromStdString(path));
        ASSERT_TRUE(finished.wait(10000));
    }
    TempDir dir;
    AppState state;
    MainWindow window{state};
};

TEST_F(MainWindowTest, ListsTheTablesAndFollowsTheSelection) {
    window.show();
    test::runSql(dir.file("shop.db"),
                 "CREATE TABLE orders(id); CREATE TABLE customers(id); CREATE TABLE items(id);");
    open(dir.file("shop.db"));
    EXPECT_EQ(window.windowTitle(), "shop.db");
    auto* list = window.findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "customers");
    EXPECT_EQ(list->currentRow(), 0);

    list->setCurrentRow(2);
    EXPECT_EQ(state.selectedTable()->name, "orders");
    state.setSelectedTable(state.schema()->tables[1]);
    EXPECT_EQ(list->currentRow(), 1);
}

TEST_F(MainWindowTest, CtrlOAsksForTheOpenPanelAndShowsItWithoutBlocking) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    EXPECT_FALSE(state.showOpenPanel()); // the window took the request
    auto* panel = window.findChild<QFileDialog*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->nameFilters().first(), "SQLite databases (*.sqlite *.db *.sqlite3 *.store)");
    panel->reject();
}

TEST_F(MainWindowTest, AFailedOpenShowsTheAlertAndOkClearsTheMessage) {
    window.show();
    open(dir.file("missing.db"));
    auto* alert = window.findChild<QMessageBox*>();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text().toStdString(), *state.errorMessage());
    alert->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(state.errorMessage());
}

TEST_F(MainWindowTest, TheZoomControlsKeepToTheCanvasCornerWhenTheyGrow) {
    window.resize(1000, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ZoomControlsView* controls = window.zoomControls();
    ASSERT_NE(controls, nullptr);
    const QWidget* area = controls->parentWidget();
    auto cornered = [&] {
        return controls->geometry().right() + 1 + 12 == area->width() &&
               controls->geometry().bottom() + 1 + 12 == area->height() &&
               controls->size() == controls->sizeHint();
    };
    EXPECT_TRUE(cornered());
    const int narrow = controls->width();
    for (auto* button : controls->findChildren<QAbstractButton*>())
        if (button->toolTip().startsWith("Marquee Zoom"))
            button->click();
    ASSERT_TRUE(window.canvas()->isMarqueeZoomActive());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return controls->width() > narrow && cornered(); }, 2000)); // "Select" shows
}
