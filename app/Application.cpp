#include "app/Application.h"
#include "app/LegacyNames.h"   // the legacy names compile with the application
#include "model/LegacyNames.h" // and so do the data types' ones

#include "app/AppInfo.h"
#include "app/CommandLine.h"
#include "app/RecoveryController.h"
#include "app/ToolbarIcons.h"
#include "view3d/RenderHeap.h"

#include <QApplication>

#include <cstdio>

namespace tsm {

Application::Application(FrameServices services, std::string settingsPath)
    : services_(std::move(services)), session_(std::move(settingsPath)) {}

Application::~Application() = default;

bool Application::InitInstance(const std::vector<std::string>& arguments) {
    // The command line has no switches: everything after the program name is one path, so the splash
    // flag stays as given.
    const std::string commandLine = CommandLineText(arguments);

    // The framework's profile: the stored window values and the recent-file list come from the store.
    // An unreadable store is no reason not to start: the defaults stand in for it.
    static_cast<void>(session_.ReadStore());

    frame_ = std::make_unique<MainFrame>(session_, services_);
    frame_->show();

    if (!commandLine.empty()) frame_->OpenFromCommandLine(commandLine);
    // What a viewer that ended left unsaved comes after the file asked for, and may take its place.
    frame_->Recovery().OfferLeftBehind();
    frame_->RefreshCommandStates();
    if (frame_->AppSettings().checkForUpdatesAtStart) frame_->RunStartupVersionCheck();
    return true;
}

int RunTessaly(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "tessaly: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY "
                             "is set).\nUse tsmtool to inspect or convert model files without one.\n");
        return 1;
    }
    KeepRenderBuffersOnTheHeap();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessaly"));
    QApplication::setApplicationVersion(QStringLiteral("2.1.1"));
    QApplication::setOrganizationName(QString::fromUtf8(kRegistryCompanyName));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tessaly.Tessaly"));
    QApplication::setWindowIcon(ApplicationIcon());

    // QApplication took its own options out of argv; the rest is ours, as bytes.
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i]);

    Application viewer;
    if (!viewer.InitInstance(arguments)) return 1;
    return QApplication::exec();
}

} // namespace tsm
