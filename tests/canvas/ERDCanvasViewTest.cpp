#include "canvas/ERDCanvasView.h"

#include "app/AppState.h"
#include "canvas/MarqueeSelectionView.h"
#include "canvas/TableNodePainter.h"
#include "canvas/ZoomControlsView.h"
#include "support/TestDatabase.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>

using namespace ketterly;
using ketterly::test::TempDir;

namespace {

bool near(double a, double b) {
    return std::abs(a - b) < 1e-6;
}

} // namespace

// A canvas of 1160 × 660 over a real database of three tables: orders references customers,
// notes stands alone. Every table has one column, so each node is 180 × 70.
class CanvasTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::runSql(dir.file("shop.db"), "CREATE TABLE customers(id INTEGER PRIMARY KEY);"
                                          "CREATE TABLE orders(cid INTEGER REFERENCES customers(id));"
                                          "CREATE TABLE notes(body TEXT);");
        QSignalSpy finished(&state, &AppState::openFinished);
        state.setLayoutSeed(1);
        state.openDatabase(QString::fromStdString(dir.file("shop.db")));
        ASSERT_TRUE(finished.wait(10000));
        canvas.resize(1160, 660);
        canvas.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
        // Let the first fit run, then start every case from a known view.
        QTest::qWait(150);
        state.setZoomLevel(1);
        state.setPanOffset({0, 0});
    }

    // Places a table where a case needs it (as if dragged there) and waits until it is shown there.
    void place(const std::string& name, double x, double y) {
        state.updateTablePosition(name, x, y);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (const auto& shown : canvas.displayedTables())
                    if (shown.name == name)
                        return shown.position == Point{x, y};
                return false;
            },
            5000));
    }

    const TableSchema& table(const std::string& name) const {
        for (const auto& t : state.schema()->tables)
            if (t.name == name)
                return t;
        throw std::runtime_error("no table " + name);
    }

    // The view point of a diagram point.
    QPoint view(double x, double y) const {
        const QPointF point = QPointF(x, y) * canvas.effectiveZoom() + canvas.effectiveOffset();
        return point.toPoint();
    }

    void drag(QPoint from, QPoint to, int steps = 6) {
        QTest::mousePress(&canvas, Qt::LeftButton, {}, from);
        for (int step = 1; step <= steps; ++step)
            QTest::mouseMove(&canvas, from + (to - from) * step / steps);
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, to);
    }

    bool waitForView(double zoom, Size pan) {
        return QTest::qWaitFor(
            [&] {
                return near(state.zoomLevel(), zoom) && near(state.panOffset().width, pan.width) &&
                       near(state.panOffset().height, pan.height);
            },
            3000);
    }

    TempDir dir;
    AppState state;
    ERDCanvasView canvas{state};
};

TEST_F(CanvasTest, FitsTheDiagramWithinItsLimits) {
    // Node boxes from (-90, -35) to (810, 365): with the 50-point margin the bounds are
    // 1000 × 500 at (-140, -85).
    place("customers", 0, 0);
    place("orders", 720, 330);
    place("notes", 300, 100);
    struct Case {
        QSizeF size;
        double zoom;
    } cases[] = {{{1160, 660}, 1.0}, {{4000, 4000}, 1.5}, {{300, 200}, 0.1}};
    for (const auto& c : cases) {
        canvas.fitToView(c.size);
        EXPECT_DOUBLE_EQ(state.zoomLevel(), c.zoom) << c.size.width();
        EXPECT_DOUBLE_EQ(state.panOffset().width, c.size.width() / 2 - c.zoom * 360);
        EXPECT_DOUBLE_EQ(state.panOffset().height, c.size.height() / 2 - c.zoom * 165);
    }

    state.setZoomLevel(2);
    canvas.fitToView({0, 500}); // no size: nothing happens
    EXPECT_EQ(state.zoomLevel(), 2);
}

TEST_F(CanvasTest, ATableDragMovesByTheDragOverTheZoomAndAShortPressOnlySelects) {
    place("customers", 200, 200);
    state.setZoomLevel(2);
    state.setSelectedTable(std::nullopt);
    const QPoint centre = view(200, 200);

    // 30 points to the right at zoom 2: 15 diagram points, stored once on release.
    QSignalSpy stored(&state, &AppState::tablePositionsChanged);
    QTest::mousePress(&canvas, Qt::LeftButton, {}, centre);
    QTest::mouseMove(&canvas, centre + QPoint(12, 0));
    QTest::mouseMove(&canvas, centre + QPoint(30, 0));
    ASSERT_TRUE(canvas.draggingTableId());
    EXPECT_EQ(*canvas.draggingTableId(), "customers");
    for (const auto& shown : canvas.displayedTables()) { // the node follows the pointer
        if (shown.name == "customers") {
            EXPECT_EQ(shown.position, (Point{215, 200}));
        }
    }
    EXPECT_EQ(state.selectedTable()->name, "customers");
    EXPECT_EQ(stored.count(), 0);
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, centre + QPoint(30, 0));
    EXPECT_EQ(stored.count(), 1);
    EXPECT_EQ(state.tablePositions().at("customers"), (Point{215, 200}));
    EXPECT_FALSE(canvas.draggingTableId());

    // Under 10 points: a click that selects and moves nothing.
    state.setSelectedTable(std::nullopt);
    const QPoint moved = view(215, 200);
    drag(moved, moved + QPoint(6, 5));
    EXPECT_EQ(stored.count(), 1);
    ASSERT_TRUE(state.selectedTable());
    EXPECT_EQ(state.selectedTable()->name, "customers");
}

TEST_F(CanvasTest, ABackgroundDragPansAndABackgroundClickClearsTheSelection) {
    place("customers", 100, 100);
    place("orders", 100, 400);
    place("notes", 100, 600);
    state.setPanOffset({10, 10});
    state.setSelectedTable(table("orders"));

    drag({800, 300}, {830, 280});
    EXPECT_EQ(state.panOffset(), (Size{40, -10}));
    EXPECT_EQ(canvas.dragOffset(), QSizeF(0, 0));
    EXPECT_TRUE(state.selectedTable()); // a pan keeps the selection

    drag({800, 300}, {805, 303});
    EXPECT_EQ(state.panOffset(), (Size{40, -10}));
    EXPECT_FALSE(state.selectedTable());
}

TEST_F(CanvasTest, ZoomsIntoAMarqueeAlongASpring) {
    state.setZoomLevel(2);
    state.setPanOffset({100, 50});
    canvas.zoomToRect(canvas::marqueeRect({300, 250}, {500, 350}), {880, 680});
    EXPECT_TRUE(waitForView(4, {-160, -160}));
}

TEST_F(CanvasTest, MarqueeModeZoomsOnlyIntoLargeEnoughRectanglesAndAlwaysEnds) {
    struct Case {
        QPoint from, to;
        bool zooms;
    } cases[] = {{{300, 200}, {321, 221}, true}, {{300, 100}, {320, 400}, false}};
    for (const auto& c : cases) {
        state.setZoomLevel(1);
        state.setPanOffset({0, 0});
        canvas.setMarqueeZoomActive(true);
        QSignalSpy ended(&canvas, &ERDCanvasView::marqueeZoomActiveChanged);
        drag(c.from, c.to);
        EXPECT_FALSE(canvas.isMarqueeZoomActive());
        EXPECT_EQ(ended.count(), 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !canvas.marqueeRect(); }, 1000)); // after the fade
        if (c.zooms) // to the limit: 21 points would be magnified far beyond it
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return state.zoomLevel() == ERDCanvasView::maximumZoom; }, 3000));
        else
            EXPECT_FALSE(QTest::qWaitFor([&] { return state.zoomLevel() != 1; }, 300));
    }

    // A click in marquee mode ends it and selects nothing, even on a table.
    place("customers", 300, 300);
    state.setSelectedTable(std::nullopt);
    state.setZoomLevel(1);
    state.setPanOffset({0, 0});
    canvas.setMarqueeZoomActive(true);
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, view(300, 300));
    EXPECT_FALSE(canvas.isMarqueeZoomActive());
    EXPECT_FALSE(state.selectedTable());
}

TEST_F(CanvasTest, EscapeIsHandledOnlyInMarqueeMode) {
    QKeyEvent outside(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &outside);
    EXPECT_FALSE(outside.isAccepted());

    canvas.setMarqueeZoomActive(true);
    QKeyEvent inside(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &inside);
    EXPECT_TRUE(inside.isAccepted());
    EXPECT_FALSE(canvas.isMarqueeZoomActive());
}

TEST_F(CanvasTest, APinchCommitsItsZoomWithinItsOwnLimits) {
    struct Case {
        double magnification, committed;
    } cases[] = {{1.5, 1.5}, {5.0, 3.0}, {0.1, 0.25}};
    for (const auto& c : cases) {
        state.setZoomLevel(1);
        auto send = [&](Qt::NativeGestureType type, double value) {
            QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, QPointF(100, 100),
                                      QPointF(100, 100), QPointF(100, 100), value, QPointF(), 0);
            QApplication::sendEvent(&canvas, &event);
        };
        send(Qt::BeginNativeGesture, 0);
        send(Qt::ZoomNativeGesture, c.magnification - 1);
        EXPECT_DOUBLE_EQ(canvas.magnifyBy(), c.magnification);
        EXPECT_DOUBLE_EQ(canvas.effectiveZoom(), c.magnification);
        send(Qt::EndNativeGesture, 0);
        EXPECT_DOUBLE_EQ(state.zoomLevel(), c.committed) << c.magnification;
        EXPECT_EQ(canvas.magnifyBy(), 1.0);
    }
}

TEST_F(CanvasTest, CtrlWheelZoomsAboutThePointerAndTheWheelPans) {
    state.setZoomLevel(1);
    state.setPanOffset({20, 30});
    const QPointF pointer(400, 300);
    const QPointF under = canvas.toDiagram(pointer);
    QWheelEvent zoomIn(pointer, canvas.mapToGlobal(pointer), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&canvas, &zoomIn);
    EXPECT_GT(state.zoomLevel(), 1.1);
    EXPECT_NEAR(canvas.toDiagram(pointer).x(), under.x(), 1e-9);
    EXPECT_NEAR(canvas.toDiagram(pointer).y(), under.y(), 1e-9);

    for (int i = 0; i < 100; ++i) // held at the limit
        QApplication::sendEvent(&canvas, &zoomIn);
    EXPECT_DOUBLE_EQ(state.zoomLevel(), ERDCanvasView::maximumZoom);

    const Size before = state.panOffset();
    QWheelEvent scroll(pointer, canvas.mapToGlobal(pointer), QPoint(0, -30), QPoint(0, -120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&canvas, &scroll);
    EXPECT_EQ(state.panOffset(), (Size{before.width, before.height - 30}));
}

TEST_F(CanvasTest, PaintsHeaderAndBodyColoursInBothAppearances) {
    place("customers", 300, 200);
    place("orders", 800, 200);
    place("notes", 300, 500);
    state.setSelectedTable(std::nullopt);
    const TableSchema& customers = table("customers");
    const QRectF node = canvas::tableNodeRect(customers, {300, 200});
    for (Appearance appearance : {Appearance::light, Appearance::dark}) {
        QPalette palette = canvas.palette();
        palette.setColor(QPalette::Window,
                         appearance == Appearance::dark ? QColor(30, 30, 30) : QColor(240, 240, 240));
        canvas.setPalette(palette);
        const QImage image = canvas.grab().toImage();
        // Away from the text: the header band's right part, the body's bottom margin.
        const QColor header = image.pixelColor(QPointF(node.right() - 30, node.top() + 4).toPoint());
        const QColor body = image.pixelColor(QPointF(node.center().x(), node.bottom() - 6).toPoint());
        EXPECT_EQ(header.rgb(), ui::tableHeaderColor(customers.color, appearance).rgb());
        EXPECT_EQ(body.rgb(), ui::tableFillColor(customers.color, appearance).rgb());
    }
}

TEST(ZoomControls, StepsStayWithinTheLimitsAndTheLabelTruncates) {
    ZoomControlsView controls;
    QSignalSpy requested(&controls, &ZoomControlsView::zoomRequested);
    auto click = [&](const QString& help) {
        for (auto* button : controls.findChildren<QToolButton*>())
            if (button->toolTip() == help)
                button->click();
    };
    controls.setZoomLevel(0.15);
    click("Zoom Out (10%)");
    controls.setZoomLevel(3.95);
    click("Zoom In (10%)");
    ASSERT_EQ(requested.count(), 2);
    EXPECT_DOUBLE_EQ(requested[0][0].toDouble(), 0.1);
    EXPECT_DOUBLE_EQ(requested[1][0].toDouble(), 4.0);

    EXPECT_EQ(ZoomControlsView::zoomText(0.29), "28%");
    EXPECT_EQ(ZoomControlsView::zoomText(1.0), "100%");
    QStringList helps;
    for (auto* button : controls.findChildren<QToolButton*>())
        helps << button->toolTip();
    EXPECT_EQ(helps, (QStringList{"Marquee Zoom - Click and drag to zoom into selection", "Zoom Out (10%)",
                                  "Click for zoom presets", "Zoom In (10%)",
                                  "Zoom to fit entire diagram (Ctrl+0)", "Reset to 100% zoom"}));
}

TEST(Marquee, RectangleValidityAndSizeLabel) {
    struct Case {
        QPointF a, b;
        bool valid;
        std::optional<QString> label;
    } cases[] = {
        {{0, 0}, {21, 21}, true, std::nullopt},  {{0, 0}, {20, 300}, false, std::nullopt},
        {{100, 30}, {0, 0}, true, std::nullopt}, {{10, 10}, {71.9, 51.5}, true, QString("61 \u00D7 41")},
        {{0, 0}, {15, 15}, false, std::nullopt},
    };
    for (const auto& c : cases) {
        const QRectF rect = canvas::marqueeRect(c.a, c.b);
        EXPECT_EQ(canvas::isValidMarquee(rect), c.valid) << rect.width() << "x" << rect.height();
        EXPECT_EQ(canvas::marqueeSizeLabel(rect), c.label);
    }
}
