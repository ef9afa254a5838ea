// The development editors on a large development: 2,000 parts of 100 faces (200,000 faces). Each
// benchmark times one kind of command as the window runs it (undo copy, change, corner separation, line
// classes, extent); HistoryMemory reports what fifty steps of history hold. Targets: every command under
// 250 ms, the history under 1 GiB.
#include "engine/DocumentEdits.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>

using namespace tsm;

namespace {

constexpr int kParts = 2000;

std::unique_ptr<Document> LargeDevelopment() {
    auto document = std::make_unique<Document>();
    const MeshData grid = Grid(10, 10, 5);
    for (int i = 0; i < kParts; ++i)
        AddSolid(*document, "Sheet " + std::to_string(i), grid.vertices, grid.faces);
    FixtureUnfoldOptions options;
    options.rowWidthMM = 4400;
    UnfoldForFixture(*document, {}, options);
    return document;
}

// The first fold of part `index`.
PartLine* FoldOf(Document& document, size_t index) {
    for (auto& line : document.development->parts[index % document.development->parts.size()]->lines)
        if (IsFoldLine(*line)) return line.get();
    return nullptr;
}

double ResidentMiB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

Settings& BenchSettings() {
    static Settings settings;
    return settings;
}

void BM_CutFold(benchmark::State& state) {
    auto document = LargeDevelopment();
    EditContext context{*document, BenchSettings()};
    size_t part = 0;
    for (auto _ : state) {
        PartLine* fold = FoldOf(*document, part++ * 7);
        if (!fold || !CutFold(context, *fold).ok()) state.SkipWithError("no fold to cut");
    }
    state.counters["faces"] = double(document->model->solids.size() * 100);
}

void BM_JoinCutEdge(benchmark::State& state) {
    auto document = LargeDevelopment();
    EditContext context{*document, BenchSettings()};
    size_t part = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PartLine* fold = FoldOf(*document, part++ * 7);
        HalfEdge* corner = fold ? fold->first : nullptr;
        if (!fold || !CutFold(context, *fold).ok()) state.SkipWithError("no fold to cut");
        state.ResumeTiming();
        if (!corner || !JoinCutEdge(context, *corner->line).ok()) state.SkipWithError("no edge to join");
    }
}

void UndoRedo(benchmark::State& state, bool redo) {
    auto document = LargeDevelopment();
    EditContext context{*document, BenchSettings()};
    for (size_t i = 0; i < 50; ++i)
        if (PartLine* fold = FoldOf(*document, i * 37)) (void)CutFold(context, *fold);
    for (auto _ : state) {
        if (redo) {
            state.PauseTiming();
            (void)Undo(context);
            state.ResumeTiming();
            if (!Redo(context).ok()) state.SkipWithError("nothing to redo");
        } else {
            if (!Undo(context).ok()) state.SkipWithError("nothing to undo");
            state.PauseTiming();
            (void)Redo(context);
            state.ResumeTiming();
        }
    }
}

void BM_Undo(benchmark::State& state) {
    UndoRedo(state, false);
}
void BM_Redo(benchmark::State& state) {
    UndoRedo(state, true);
}

void BM_HistoryMemory(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto document = LargeDevelopment();
        const double before = ResidentMiB();
        state.ResumeTiming();
        EditContext context{*document, BenchSettings()};
        for (size_t i = 0; i < 50; ++i)
            if (PartLine* fold = FoldOf(*document, i * 37)) (void)CutFold(context, *fold);
        state.PauseTiming();
        state.counters["history_MiB"] = double(document->history.HeldBytes()) / (1024.0 * 1024.0);
        state.counters["rss_growth_MiB"] = ResidentMiB() - before;
        state.counters["steps"] = double(document->history.UndoCount());
        document.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_CutFold)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_JoinCutEdge)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Undo)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Redo)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_HistoryMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
