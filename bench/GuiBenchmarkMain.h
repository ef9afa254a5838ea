// The main function of the benchmarks that draw: fonts, glyph outlines and PDF output need a
// QGuiApplication, which needs a platform (offscreen when none is given, so that no display is needed),
// and the heap is set up as the viewer sets it up before its first frame.
#pragma once

#include "bench/BenchmarkMain.h"
#include "view3d/RenderHeap.h"

#include <QGuiApplication>

namespace tsm::bench {

inline int RunGuiBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    KeepRenderBuffersOnTheHeap();
    QGuiApplication app(argc, argv);
    return RunAllBenchmarks(argc, argv);
}

} // namespace tsm::bench
