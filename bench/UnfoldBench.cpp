// Unfolding and laying out large meshes: a geodesic sphere of exactly 50,000 triangles (an icosahedron
// whose faces are split at frequency 50) and the bunny of the test data.
//
// Target: the indexed overlap test at least 10 x faster than all pairs on the 50,000-face sphere, with
// byte-identical developments. Counters: parts, pages (A4 portrait sheets the laid-out development
// covers), overlap tests, refused joins, process peak RSS (MB), and whether both strategies agree.
//
// Then the two unfolding strategies, Upright and Fewest parts, on every mesh of the test data and the
// sphere, laid out at scale 1 in millimetres: parts, cut length (mm), flaps and pages. Targets: Fewest
// parts at most 23 parts on the bunny (0.7 x the 33.5 of a widely used free unfolder) and at most 2 s on
// the sphere.
//
// Scale: a wavy sphere (an icosphere of 81,920 or 327,680 faces, its radius rippled so that the
// folds differ) with both strategies. Target: the larger within 5 x the time of the smaller.
#include "engine/EngineCompletion.h"
#include "engine/ModelOperations.h"
#include "engine/Topology.h"
#include "engine/Unfolder.h"
#include "model/BinaryWriter.h"
#include "model/MeshImport.h"
#include "model/Settings.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <benchmark/benchmark.h>

#include <filesystem>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace tsm;

namespace {

// Icosahedron faces split into frequency^2 triangles each, projected onto the sphere: 20 x frequency^2
// triangles. Points on shared icosahedron edges are keyed by their corners and weights in a fixed order,
// so both neighbouring faces compute the very same vertex.
MeshData GeodesicSphere(int frequency, double radius) {
    const MeshData ico = Icosphere(0, 1.0);
    MeshData mesh;
    std::map<std::vector<int>, int> index;
    auto vertexOf = [&](const std::vector<int>& corners, const std::vector<int>& weights) {
        std::vector<std::pair<int, int>> terms;
        for (size_t i = 0; i < corners.size(); ++i)
            if (weights[i] != 0) terms.push_back({corners[i], weights[i]});
        std::sort(terms.begin(), terms.end());
        std::vector<int> key;
        for (auto& t : terms) key.insert(key.end(), {t.first, t.second});
        auto it = index.find(key);
        if (it != index.end()) return it->second;
        Vec3 p;
        for (auto& t : terms) p = p + ico.vertices[t.first] * (static_cast<double>(t.second) / frequency);
        p = p * (radius / Length(p));
        mesh.vertices.push_back(p);
        index.emplace(key, static_cast<int>(mesh.vertices.size()) - 1);
        return static_cast<int>(mesh.vertices.size()) - 1;
    };
    for (const auto& f : ico.faces) {
        auto at = [&](int i, int j) { return vertexOf({f[0], f[1], f[2]}, {frequency - i - j, i, j}); };
        for (int i = 0; i < frequency; ++i)
            for (int j = 0; i + j < frequency; ++j) {
                mesh.faces.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
                if (i + j + 1 < frequency)
                    mesh.faces.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
            }
    }
    return mesh; // the icosahedron's faces already run counter-clockwise from outside, and so do these
}

std::unique_ptr<Document> SphereDocument() {
    static const MeshData mesh = GeodesicSphere(50, 100.0);
    auto doc = std::make_unique<Document>();
    AddSolid(*doc, "sphere", mesh.vertices, mesh.faces);
    ComputeBounds(*doc->model);
    FindSymmetricEdges(*doc->model);
    return doc;
}

std::unique_ptr<Document> MeshFileDocument(const std::string& path) {
    auto doc = std::make_unique<Document>();
    EngineCompletion engine;
    if (!ReadMeshFile(path, *doc, &engine).ok()) return nullptr;
    RecordingPrompt prompt;
    NormaliseModel(*doc, prompt);
    ComputeBounds(*doc->model);
    FindSymmetricEdges(*doc->model);
    return doc;
}

std::unique_ptr<Document> BunnyDocument() {
    return MeshFileDocument(std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/bunny.obj");
}

double PeakRssMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Sheets of the A4 portrait printable area (180 x 267 mm) that the development's frame reaches, counted
// as the sheet grid does.
int Pages(const Development& dev) {
    const int columns = static_cast<int>(std::floor((dev.frame[0] + dev.frame[2]) / (180.0 * 1.01))) + 1;
    const int rows = static_cast<int>(std::floor((dev.frame[1] + dev.frame[3]) / (267.0 * 1.01))) + 1;
    return columns * rows;
}

std::string g_indexedBytes[2]; // sphere, bunny: the indexed result, for the comparison

void RunUnfold(benchmark::State& state, std::unique_ptr<Document> (*make)(), OverlapStrategy strategy,
               int slot) {
    std::unique_ptr<Document> doc;
    int parts = 0, pages = 0, tests = 0, refused = 0;
    for (auto _ : state) {
        state.PauseTiming();
        doc = make();
        if (!doc) {
            state.SkipWithError("mesh not found");
            return;
        }
        state.ResumeTiming();
        RecordingPrompt prompt;
        UnfoldOptions options;
        options.overlap = strategy;
        // Layout in the sheet's millimetres with page breaks avoided: a sphere of 200 mm at scale 1.
        options.layoutMethod.automatic = false;
        Unfolder unfolder(*doc->model, 1.0, options);
        Result<UnfoldedDevelopment> result = unfolder.Run();
        benchmark::DoNotOptimize(result->development.get());
        state.PauseTiming();
        doc->development = std::move(result->development);
        doc->display.defaultFlapHeightMM = result->defaultFlapHeightMM;
        parts = static_cast<int>(doc->development->parts.size());
        pages = Pages(*doc->development);
        tests = unfolder.OverlapTests();
        refused = unfolder.RefusedJoins();
        state.ResumeTiming();
    }
    state.counters["faces"] = static_cast<double>(doc->model->solids[0]->faces.size());
    state.counters["parts"] = parts;
    state.counters["pages"] = pages;
    state.counters["overlap_tests"] = tests;
    state.counters["refused_joins"] = refused;
    state.counters["peak_rss_MB"] = PeakRssMB();
    const std::string bytes = SerializeBinaryModel(*doc, doc->display);
    if (strategy == OverlapStrategy::Indexed) {
        g_indexedBytes[slot] = bytes;
    } else if (!g_indexedBytes[slot].empty()) {
        state.counters["identical_to_indexed"] = bytes == g_indexedBytes[slot] ? 1 : 0;
    }
}

void BM_UnfoldSphere50k_Indexed(benchmark::State& state) {
    RunUnfold(state, SphereDocument, OverlapStrategy::Indexed, 0);
}
void BM_UnfoldSphere50k_AllPairs(benchmark::State& state) {
    RunUnfold(state, SphereDocument, OverlapStrategy::AllPairs, 0);
}
void BM_UnfoldBunny_Indexed(benchmark::State& state) {
    RunUnfold(state, BunnyDocument, OverlapStrategy::Indexed, 1);
}
void BM_UnfoldBunny_AllPairs(benchmark::State& state) {
    RunUnfold(state, BunnyDocument, OverlapStrategy::AllPairs, 1);
}

// One strategy on one model, as the Unfold command runs it: edge lengths and fold angles measured first.
void RunStrategy(benchmark::State& state, const std::function<std::unique_ptr<Document>()>& make,
                 UnfoldStrategy strategy) {
    std::unique_ptr<Document> doc;
    DevelopmentSummary summary;
    int pages = 0;
    for (auto _ : state) {
        state.PauseTiming();
        doc = make();
        if (!doc) {
            state.SkipWithError("mesh not found");
            return;
        }
        for (auto& solid : doc->model->solids)
            for (auto& edge : solid->edges) UpdateEdgeGeometry(*edge);
        state.ResumeTiming();
        UnfoldOptions options;
        options.strategy = strategy;
        options.layoutMethod.automatic = false;
        Unfolder unfolder(*doc->model, 1.0, options);
        Result<UnfoldedDevelopment> result = unfolder.Run();
        benchmark::DoNotOptimize(result->development.get());
        state.PauseTiming();
        summary = SummariseDevelopment(*result->development);
        pages = Pages(*result->development);
        doc->development = std::move(result->development);
        state.ResumeTiming();
    }
    size_t faces = 0;
    for (auto& solid : doc->model->solids) faces += solid->faces.size();
    state.counters["faces"] = static_cast<double>(faces);
    state.counters["parts"] = summary.parts;
    state.counters["cut_mm"] = summary.cutLengthMM;
    state.counters["flaps"] = summary.flaps;
    state.counters["pages"] = pages;
}

// An icosphere of 20 x 4^level faces whose radius ripples by a tenth, so that the folds are not all alike.
std::unique_ptr<Document> WavySphereDocument(int level) {
    MeshData mesh = Icosphere(level, 100.0);
    for (Vec3& v : mesh.vertices) {
        const Vec3 n = v / Length(v);
        v = n * (100.0 * (1.0 + 0.1 * std::sin(5 * n.x) * std::sin(5 * n.y) * std::sin(5 * n.z)));
    }
    auto doc = std::make_unique<Document>();
    AddSolid(*doc, "wavy", mesh.vertices, mesh.faces);
    ComputeBounds(*doc->model);
    FindSymmetricEdges(*doc->model);
    return doc;
}

void RegisterStrategies() {
    std::vector<std::pair<std::string, std::function<std::unique_ptr<Document>()>>> models;
    std::vector<std::string> files;
    const std::filesystem::path folder = std::filesystem::path(TESSALY_SOURCE_DIR) / "tests/data/meshes";
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (MeshFormatFromExtension(entry.path().string()) != MeshFormat::Unknown)
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    for (const std::string& path : files)
        models.push_back(
            {std::filesystem::path(path).filename().string(), [path] { return MeshFileDocument(path); }});
    models.push_back({"sphere50k", SphereDocument});
    models.push_back({"wavy81920", [] { return WavySphereDocument(6); }});
    models.push_back({"wavy327680", [] { return WavySphereDocument(7); }});
    for (const auto& [name, make] : models) {
        for (UnfoldStrategy strategy : {UnfoldStrategy::Upright, UnfoldStrategy::FewestParts}) {
            const std::string label = std::string("BM_Strategy/") + name +
                                      (strategy == UnfoldStrategy::Upright ? "/upright" : "/fewest_parts");
            benchmark::RegisterBenchmark(
                label.c_str(),
                [make = make, strategy](benchmark::State& state) { RunStrategy(state, make, strategy); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
    }
}

} // namespace

// Indexed first in each pair, so that the all-pairs run can compare its output with it.
BENCHMARK(BM_UnfoldBunny_Indexed)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UnfoldBunny_AllPairs)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_UnfoldSphere50k_Indexed)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_UnfoldSphere50k_AllPairs)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    RegisterStrategies();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
