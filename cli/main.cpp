#include "cli/TsmTool.h"
#include "view3d/RenderHeap.h"

#include <QGuiApplication>

#include <cstdio>

namespace {

// stderr belongs to the tool's own "message: " lines; Qt's notes about its environment stay out of it.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tsmtool: %s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv) {
    // Font lookups need a GUI application; the tool never opens a window, so it never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    tsm::KeepRenderBuffersOnTheHeap();
    QGuiApplication application(argc, argv);
    return tsm::RunTsmTool(argc, argv);
}
