// The test main of the programs that open windows: widgets need a QApplication, which aborts without a
// display unless the offscreen platform is chosen.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows keep recovery copies in the state folder: a fresh one per run, never the user's.
    std::string state = (std::filesystem::temp_directory_path() / "tessaly-state-XXXXXX").string();
    if (::mkdtemp(state.data()) != nullptr) ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    QApplication app(argc, argv);
    // Tests close main windows without running an event loop to end.
    QApplication::setQuitOnLastWindowClosed(false);
    const int status = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(state, ignored);
    return status;
}
