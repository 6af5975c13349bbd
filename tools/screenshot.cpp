// Renders the window with a document open into a PNG, in the light or the dark appearance, under
// the offscreen platform: the README's pictures come from here, so they follow the program.
//
//   screenshot OUT.png PATH [light|dark] [WIDTHxHEIGHT]

#include "app/AppState.h"
#include "cli/CommandLine.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

QPalette darkPalette() {
    QPalette palette;
    const QColor window(40, 40, 43), base(30, 30, 32), text(235, 235, 240);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(10, 132, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: screenshot OUT.png PATH [light|dark] [WIDTHxHEIGHT]\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const bool dark = argc > 3 && std::string(argv[3]) == "dark";
    QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
    int width = 1700, height = 1500;
    if (argc > 4)
        std::sscanf(argv[4], "%dx%d", &width, &height);

    ketterly::AppState state;
    state.setLayoutSeed(1);
    ketterly::MainWindow window(state);
    window.resize(width, height);
    window.show();
    QSignalSpy finished(&state, &ketterly::AppState::openFinished);
    ketterly::openPath(state, argv[2]);
    if (!finished.wait(60000) || !finished.first().first().toBool()) {
        std::fprintf(stderr, "screenshot: could not open %s\n", argv[2]);
        return 1;
    }
    // The canvas fits itself shortly after it shows a document; let that and its animations end.
    QTimer::singleShot(1500, &app, &QApplication::quit);
    app.exec();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "screenshot: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
