// The test main of the programs that open windows: widgets need a QApplication, which aborts without a
// display unless the offscreen platform is chosen.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Tests close main windows without running an event loop to end.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
