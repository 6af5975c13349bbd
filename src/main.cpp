#include "app/AppState.h"
#include "cli/CommandLine.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <cstdio>
#include <iostream>

int main(int argc, char* argv[]) {
    using namespace ketterly;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto commandLine = parseCommandLine(arguments);
    if (!commandLine) {
        std::cerr << "ketterly: " << commandLine.error().message << "\n" << usageText();
        return 2;
    }

    if (commandLine->command != CommandLine::Command::window) {
        QCoreApplication app(argc, argv);
        std::string out, err;
        const int status = runHeadless(*commandLine, out, err);
        std::cout << out << std::flush;
        std::cerr << err << std::flush;
        return status;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Ketterly");
    QApplication::setApplicationVersion(KETTERLY_VERSION);
    AppState state;
    state.setLayoutDirection(commandLine->direction);
    state.setLayoutSeed(commandLine->seed);
    MainWindow window(state);
    window.show();
    if (commandLine->path)
        openPath(state, *commandLine->path);
    return app.exec();
}
