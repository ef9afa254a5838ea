// The development view's frame time: 2,000 textured parts painted at 1280 x 720 as the view paints them
// while the mouse pans or zooms (the raster side through the view's own render surface, copied out, then
// the texts and page numbers on top). The target is at least 15 frames per second.
//
// The model is the bitmap benchmark's: 2,000 cubes unfolded into cross-shaped parts with flaps over four
// checkerboard textures. "Fitted" shows the whole development (every part drawn, each a few pixels); the
// zoomed cases show a part of it, as people work.
#include "app/DevelopmentViewLogic.h"
#include "bench/BenchModels.h"
#include "bench/GuiBenchmarkMain.h"
#include "model/Prompt.h"
#include "model/Settings.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QWheelEvent>

#include <memory>

namespace {

using namespace tsm;

constexpr int kParts = 2000;
constexpr int kWidth = 1280;
constexpr int kHeight = 720;

Document& Development() {
    static std::unique_ptr<Document> doc = bench::TexturedCubesDevelopment(kParts, 4400);
    return *doc;
}

// The same parts over four textures of 2048 x 2048 pixels, as photographed models have them.
Document& LargeTextureDevelopment() {
    static std::unique_ptr<Document> doc = bench::TexturedCubesDevelopment(kParts, 4400, 2048);
    return *doc;
}

class BenchHost : public IViewHost {
public:
    explicit BenchHost(Document* document) : document_(document) {}
    Document* CurrentDocument() const override { return document_; }
    Settings ViewSettings() const override { return WithDisplay(Settings(), document_->display); }
    void TextureLimitFound(int) override {}
    IPrompt& Prompt() override { return prompt_; }
    int ClientWidth() const override { return kWidth; }
    int ClientHeight() const override { return kHeight; }
    void Repaint() override {}
    void UpdateAllViews(UpdateHint) override {}
    void ExecuteCommand(CommandId) override {}
    void SetStatusText(const std::string&) override {}
    QWidget* Widget() override { return nullptr; }
    void StartAnimationTimer(int) override {}
    void StopAnimationTimer() override {}

private:
    Document* document_;
    RecordingPrompt prompt_;
};

// `wheelSteps` notches of the wheel towards the middle of the view before the frames are timed.
void PaintFrames(benchmark::State& state, int wheelSteps, Document& document = Development()) {
    BenchHost host(&document);
    DevelopmentViewLogic logic(host);
    logic.Resize(kWidth, kHeight);
    logic.OnUpdate(UpdateHint::NewModel);
    for (int i = 0; i < wheelSteps; ++i) {
        QWheelEvent wheel(QPointF(kWidth / 2.0, kHeight / 2.0), QPointF(kWidth / 2.0, kHeight / 2.0),
                          QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        logic.Wheel(wheel);
    }
    QImage window(kWidth, kHeight, QImage::Format_RGB32);
    // The first frame also compiles the renderer's shaders for this state; a view paints many more.
    {
        QPainter painter(&window);
        logic.Paint(painter);
    }
    for (auto _ : state) {
        QPainter painter(&window);
        logic.Paint(painter);
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["zoom"] = logic.State().Zoom();
}

void BM_DevelopmentView_Fitted(benchmark::State& state) {
    PaintFrames(state, 0);
}

void BM_DevelopmentView_Zoomed(benchmark::State& state) {
    PaintFrames(state, 6);
}

// Flaps coloured with their faces' textures and every edge ID drawn on top.
void BM_DevelopmentView_FittedWithEdgeIds(benchmark::State& state) {
    // Both are the document's display values; the shared document gets its own back afterwards.
    Document& document = Development();
    const DisplaySettings shown = document.display;
    document.display.colorFlapsLikeFaces = true;
    document.display.drawEdgeIds = true;
    PaintFrames(state, 0, document);
    document.display = shown;
}

// Zoomed over large textures: the view keeps them from one frame to the next instead of uploading them
// again.
void BM_DevelopmentView_ZoomedLargeTextures(benchmark::State& state) {
    PaintFrames(state, 6, LargeTextureDevelopment());
}

BENCHMARK(BM_DevelopmentView_Fitted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DevelopmentView_Zoomed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DevelopmentView_FittedWithEdgeIds)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DevelopmentView_ZoomedLargeTextures)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return tsm::bench::RunGuiBenchmarks(argc, argv);
}
