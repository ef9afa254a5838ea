// The whole-development bitmap output: a development of 2,000 textured parts rendered off screen into a
// 4000 x 3000 bitmap (the largest the bitmap export offers), context, font and textures included. The
// output is rendered in bands, as every large output is.
//
// The model is 2,000 cubes of 20 mm, each unfolded into one cross-shaped part with flaps, their faces
// spread over four 256 x 256 checkerboard textures with full-size bitmaps.
#include "bench/BenchModels.h"
#include "bench/GuiBenchmarkMain.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "sheet/RasterRender.h"
#include "view3d/OffscreenBitmap.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace tsm;

constexpr int kParts = 2000;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kBorder = 5;

Document& TexturedDevelopment() {
    static std::unique_ptr<Document> doc = bench::TexturedCubesDevelopment(kParts, 4400);
    return *doc;
}

void RenderWholeDevelopment(benchmark::State& state, const Settings& settings = Settings()) {
    Document& doc = TexturedDevelopment();
    RecordingPrompt prompt;
    for (auto _ : state) {
        OffscreenBitmap output(prompt, kWidth, kHeight);
        if (!RenderWhole(doc, settings, output, kBorder, prompt)) {
            state.SkipWithError("the off-screen renderer did not start");
            return;
        }
        benchmark::DoNotOptimize(output.Bits());
    }
    state.counters["parts"] = static_cast<double>(doc.development->parts.size());
    state.counters["Mpixel/s"] = benchmark::Counter(
        double(kWidth) * kHeight / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
}

// The default display settings: white flaps, smoothed lines with alpha, edge IDs left to the overlay.
void BM_RenderWhole_Defaults(benchmark::State& state) {
    RenderWholeDevelopment(state);
}

// Flaps coloured with their neighbouring faces' textures, edge IDs as GL outline text.
void BM_RenderWhole_FlapsTexturedGLEdgeIds(benchmark::State& state) {
    Settings settings;
    settings.colorFlapsLikeFaces = true;
    settings.drawEdgeIds = true;
    settings.drawEdgeIdsWithGL = true;
    RenderWholeDevelopment(state, settings);
}

BENCHMARK(BM_RenderWhole_Defaults)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderWhole_FlapsTexturedGLEdgeIds)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return tsm::bench::RunGuiBenchmarks(argc, argv);
}
