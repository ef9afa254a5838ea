// The application object: the start-up order of the viewer, from the command line to the running frame.
#pragma once

#include "app/MainFrame.h"
#include "model/SettingsPersistence.h"

#include <memory>
#include <string>
#include <vector>

namespace tsm {

class Application {
public:
    // `services.showSplash` is the splash flag before the command line is looked at.
    explicit Application(FrameServices services = {}, std::string settingsPath = DefaultSettingsFilePath());
    ~Application();

    // Reads the profile and the recent-file list, creates and shows the frame, opens the command line's
    // path once, and starts the version check when the settings ask for it. `arguments` holds the
    // program name first. False when start-up failed.
    bool InitInstance(const std::vector<std::string>& arguments);

    MainFrame* Frame() const { return frame_.get(); }
    SettingsSession& Session() { return session_; }

private:
    FrameServices services_;
    SettingsSession session_;
    std::unique_ptr<MainFrame> frame_;
};

// main(): the Qt application around Application; returns the exit code.
int RunTessaly(int argc, char** argv);

} // namespace tsm
