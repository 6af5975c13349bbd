// Runs a GoogleTest suite inside a Qt application, so that tests can wait on signals and, for
// suites that show widgets, use the offscreen platform.

#include <gtest/gtest.h>

#ifdef KETTERLY_TEST_WIDGETS
#include <QApplication>
using Application = QApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif

#include <cstdlib>

int main(int argc, char** argv) {
    // Test discovery runs this binary too, outside ctest's environment: never ask for a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
