// The EPS and DXF writers on a development of about 100,000 part lines: bytes written per second,
// including the single write of the file. Target: at least 50 MB/s for each format.
//
// The model is a flat 180 x 180 grid of square cells unfolded into one part: about 32,000 folds and
// 32,000 cut edges, each cut written from both sides, most of them with a flap and an edge ID.
#include "model/Settings.h"
#include "sheet/ExporterDXF.h"
#include "sheet/ExporterEPS.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace tsm;

constexpr int kGridCells = 180;

Document& BigDevelopment() {
    static std::unique_ptr<Document> doc = [] {
        auto document = std::make_unique<Document>();
        const MeshData grid = Grid(kGridCells, kGridCells, 2.0);
        AddSolid(*document, "Grid", grid.vertices, grid.faces);
        FixtureUnfoldOptions options;
        options.autoFlapAngles = false;
        UnfoldForFixture(*document, {}, options);
        return document;
    }();
    return *doc;
}

size_t PartLines(const Development& development) {
    size_t lines = 0;
    for (auto& part : development.parts) lines += part->lines.size();
    return lines;
}

std::string OutputPath(const char* name) {
    return (std::filesystem::path(TESSALY_BENCH_DATA_DIR) / name).string();
}

void BM_ExportEps(benchmark::State& state) {
    Settings settings;
    settings.drawEdgeIds = true;
    Development& development = *BigDevelopment().development;
    const std::string path = OutputPath("export_bench.eps");
    for (auto _ : state) {
        if (!ExporterEPS(settings, EpsOptions()).Export(path, development).ok()) {
            state.SkipWithError("cannot write the EPS file");
            return;
        }
    }
    const auto bytes = static_cast<int64_t>(std::filesystem::file_size(path));
    state.SetBytesProcessed(bytes * state.iterations());
    state.counters["part_lines"] = static_cast<double>(PartLines(development));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    std::remove(path.c_str());
}

void BM_ExportDxf(benchmark::State& state) {
    const Settings settings;
    Development& development = *BigDevelopment().development;
    const std::string path = OutputPath("export_bench.dxf");
    for (auto _ : state) {
        if (!ExporterDXF(settings).Export(path, development).ok()) {
            state.SkipWithError("cannot write the DXF file");
            return;
        }
    }
    const auto bytes = static_cast<int64_t>(std::filesystem::file_size(path));
    state.SetBytesProcessed(bytes * state.iterations());
    state.counters["part_lines"] = static_cast<double>(PartLines(development));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    std::remove(path.c_str());
}

BENCHMARK(BM_ExportEps)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportDxf)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
