// Runs the desktop program's tests inside one application object, on a screen of its own.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Listing the tests at build time happens without the test's environment; no window of a
    // test ever belongs on the user's screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    // The tests close windows without ending the run.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
