// Importing a 50,000-face scan and simplifying it to 1,000 faces: the shared bunny split twice into
// 58,784 triangles, written as OBJ.
//
// Target: the whole `tsmtool import --faces 1000` (a process of its own, start-up and writing included)
// under 2 s. The in-process steps are timed apart: the import alone, and the simplification alone.
#include "engine/MeshImportPipeline.h"
#include "engine/MeshSimplify.h"
#include "model/AtomicFile.h"
#include "model/Settings.h"
#include "tools/lib/DenseScan.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace tsm;

namespace {

const std::string kDataDir = TESSALY_BENCH_DATA_DIR;

// The dense bunny as OBJ text, written once per build tree.
const std::string& DenseBunnyPath() {
    static const std::string path = [] {
        const std::string out = kDataDir + "/bunny-58784.obj";
        if (std::filesystem::exists(out)) return out;
        const MeshData mesh = DenseBunny(TESSALY_SOURCE_DIR);
        std::string text;
        char line[128];
        for (const Vec3& p : mesh.vertices) {
            std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", p.x, p.y, p.z);
            text += line;
        }
        for (const auto& f : mesh.faces) {
            std::snprintf(line, sizeof line, "f %d %d %d\n", f[0] + 1, f[1] + 1, f[2] + 1);
            text += line;
        }
        if (!WriteWholeFile(out, text).ok()) std::abort();
        return out;
    }();
    return path;
}

void BM_TsmtoolImportFaces1000(benchmark::State& state) {
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + TSMTOOL_PATH +
                                "' import --faces 1000 '" + DenseBunnyPath() + "' '" + kDataDir +
                                "/bunny-1000.tsm' 2>/dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("tsmtool failed");
}
BENCHMARK(BM_TsmtoolImportFaces1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_ImportOnly(benchmark::State& state) {
    for (auto _ : state) {
        RecordingPrompt no;
        benchmark::DoNotOptimize(ImportMeshDocument(DenseBunnyPath(), Settings(), no));
    }
}
BENCHMARK(BM_ImportOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SimplifyOnly(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        RecordingPrompt no;
        Result<ImportedMesh> imported = ImportMeshDocument(DenseBunnyPath(), Settings(), no);
        state.ResumeTiming();
        if (!SimplifyModel(*imported->document->model, 1000).ok()) state.SkipWithError("refused");
        state.counters["faces"] = ModelFaceCount(*imported->document->model);
    }
}
BENCHMARK(BM_SimplifyOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
