#include "cli/TsmTool.h"
#include "model/HugePageHeap.h"
#include "view3d/RenderHeap.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>

namespace {

// stderr belongs to the tool's own "message: " lines; Qt's notes about its environment stay out of it.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tsmtool: %s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv) {
    // Converting or checking a model of millions of faces opens it as the viewer does, in huge pages.
    tsm::RestartWithHugePageHeap(argv);
    // Past a file size limit (ulimit -f) a write should fail with EFBIG and be reported like any full
    // disk, not kill the tool half way through.
    std::signal(SIGXFSZ, SIG_IGN);
    // Font lookups need a GUI application; the tool never opens a window, so it never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    tsm::KeepRenderBuffersOnTheHeap();
    QGuiApplication application(argc, argv);
    return tsm::RunTsmTool(argc, argv);
}
