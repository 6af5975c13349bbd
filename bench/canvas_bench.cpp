// Painting the canvas of a 1,000-table diagram (1,500 relationships) in a 1600 × 1000 view,
// fitted and at zoom 1: a full repaint (each iteration pans by one point, so background, grid,
// edges and nodes are all drawn again; node pictures come from their cache), a repaint of an
// unchanged view, and one step of a table drag (route every edge, repaint). Offscreen platform;
// each repaint renders the widget into an image of its size.

#include "GeneratedDatabase.h"
#include "app/AppState.h"
#include "canvas/ERDCanvasView.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace ketterly;

namespace {

constexpr int tableCount = 1000;
const QSize viewSize(1600, 1000);

struct Fixture {
    AppState state;
    ERDCanvasView canvas{state};
    QImage image{viewSize, QImage::Format_ARGB32_Premultiplied};

    void fit() { canvas.fitToView(QSizeF(viewSize)); }

    // Zoom 1 with the diagram's middle table in the middle of the view.
    void zoomOne() {
        const auto tables = canvas.displayedTables();
        const Point middle = tables[tables.size() / 2].position;
        state.setZoomLevel(1);
        state.setPanOffset({viewSize.width() / 2.0 - middle.x, viewSize.height() / 2.0 - middle.y});
    }

    void repaint() { canvas.render(&image); }

    // The view point of the table nearest the middle of the view.
    QPointF tableInView() const {
        QPointF best;
        double bestDistance = 1e300;
        const QPointF middle(viewSize.width() / 2.0, viewSize.height() / 2.0);
        for (const auto& table : canvas.displayedTables()) {
            const QPointF point = QPointF(table.position.x, table.position.y) * canvas.effectiveZoom() +
                                  canvas.effectiveOffset();
            const double distance = std::hypot(point.x() - middle.x(), point.y() - middle.y());
            if (distance < bestDistance) {
                bestDistance = distance;
                best = point;
            }
        }
        return best;
    }

    void send(QEvent::Type type, QPointF point, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, canvas.mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
    }
};

Fixture* fixture = nullptr;

void repaintBenchmark(benchmark::State& state, bool fitted) {
    fitted ? fixture->fit() : fixture->zoomOne();
    fixture->repaint(); // fills the node cache at this scale
    int step = 0;
    for (auto _ : state) {
        const Size pan = fixture->state.panOffset();
        fixture->state.setPanOffset({pan.width + (++step % 2 == 0 ? 1 : -1), pan.height});
        fixture->repaint();
    }
}

void unchangedBenchmark(benchmark::State& state, bool fitted) {
    fitted ? fixture->fit() : fixture->zoomOne();
    fixture->repaint();
    for (auto _ : state)
        fixture->repaint();
}

void dragBenchmark(benchmark::State& state, bool fitted) {
    fitted ? fixture->fit() : fixture->zoomOne();
    const QPointF start = fixture->tableInView();
    fixture->send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    fixture->send(QEvent::MouseMove, start + QPointF(20, 0), Qt::LeftButton);
    fixture->repaint();
    if (!fixture->canvas.draggingTableId()) {
        state.SkipWithError("no table under the pointer");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        ++step;
        fixture->send(QEvent::MouseMove, start + QPointF(20 + step % 40, step % 17), Qt::LeftButton);
        fixture->repaint();
    }
    fixture->send(QEvent::MouseButtonRelease, start + QPointF(20, 0), Qt::NoButton);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/diagram.db").toStdString();
    bench::writeGeneratedDatabase(path, tableCount);

    Fixture local;
    fixture = &local;
    QSignalSpy finished(&local.state, &AppState::openFinished);
    local.state.setLayoutSeed(7);
    local.state.openDatabase(QString::fromStdString(path));
    if (!finished.wait(120000) || !finished.first().first().toBool()) {
        std::fprintf(stderr, "canvas_bench: the generated database did not open\n");
        return 1;
    }
    local.canvas.resize(viewSize);
    local.canvas.show();
    QApplication::processEvents();

    // The first repaint after opening, with nothing cached yet.
    local.fit();
    const auto before = std::chrono::steady_clock::now();
    local.repaint();
    const double firstMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
    std::printf("first repaint, fitted, nothing cached: %.1f ms (zoom %.3f, %zu tables, %zu relationships)\n",
                firstMs, local.state.zoomLevel(), local.state.schema()->tables.size(),
                local.state.schema()->relationships.size());

    benchmark::RegisterBenchmark("Repaint/fitted", repaintBenchmark, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Repaint/zoom1", repaintBenchmark, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("RepaintUnchanged/fitted", unchangedBenchmark, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("RepaintUnchanged/zoom1", unchangedBenchmark, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("DragStep/fitted", dragBenchmark, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("DragStep/zoom1", dragBenchmark, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixture = nullptr;
    return 0;
}
