// The 3D view's frame time: a model of 100,000 lit triangles drawn at 1280 x 720 into the view's render
// surface, as the view paints it while the mouse turns the model (projection, facing split, drawing, and
// waiting for the pixels). The target is at least 15 frames per second.
//
// The model is a torus of 250 x 200 quads split into triangles, so 100,000 triangles and 150,000 edges;
// its folds are nearly flat, so with the default settings no edge is drawn. The other cases gather the
// model again on every frame, draw every edge, texture every face, or send every polygon on its own (the
// slow reference).
#include "model/Prompt.h"
#include "model/Settings.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/ModelViewLogic.h"
#include "view3d/RenderHeap.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace tsm;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

Document& TorusDocument() {
    static std::unique_ptr<Document> doc = [] {
        auto document = std::make_unique<Document>();
        AddMaterial(*document, "checker", {1, 1, 1},
                    MakeCheckerboard(256, 256, 32, {0.9f, 0.3f, 0.2f}, {1.0f, 0.9f, 0.8f}));
        const MeshData torus = Torus(250, 200, 2.0, 0.7, true);
        Solid& solid = AddSolid(*document, "torus", torus.vertices, torus.faces, -1);
        AssignFaceUV(solid);
        return document;
    }();
    return *doc;
}

void UseTexture(Document& doc, bool textured) {
    for (auto& solid : doc.model->solids)
        for (auto& face : solid->faces) face->materialIndex = textured ? 0 : -1;
}

// `afterHint`: every frame follows a document hint, so the model is gathered into arrays again each time
// (the slowest frame); otherwise only the camera moves, as while the mouse turns the model.
void Frames(benchmark::State& state, bool textured, bool afterHint = false) {
    Document& doc = TorusDocument();
    UseTexture(doc, textured);
    RecordingPrompt prompt;
    OffscreenModelViewHost host(&doc, Settings(), prompt);
    ModelViewLogic view(host);
    view.Resize(kWidth, kHeight);
    view.OnUpdate(UpdateHint::NewModel);
    if (view.RenderFrame().isNull()) {
        state.SkipWithError("the 3D view's surface did not start");
        return;
    }
    for (auto _ : state) {
        // A little turn each frame, as while the mouse rotates the model.
        view.Camera().yaw += 1.0;
        view.CameraChanged();
        if (afterHint) view.OnUpdate(UpdateHint::Redraw);
        benchmark::DoNotOptimize(view.RenderFrame().constBits());
    }
    const ModelFrameGeometry& drawn = view.Renderer().Geometry();
    state.counters["triangles"] = double(drawn.faces.frontIndices.size() / 3);
    state.counters["edges"] = double(drawn.edges.SegmentCount());
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_View3DFrame_Defaults(benchmark::State& state) {
    Frames(state, false);
}

void BM_View3DFrame_AfterHint(benchmark::State& state) {
    Frames(state, false, true);
}

void BM_View3DFrame_EveryEdge(benchmark::State& state) {
    // Flat-edge omission is the document's display value; the shared document gets it back afterwards.
    Document& doc = TorusDocument();
    const bool omitted = doc.display.omitFlatFolds;
    doc.display.omitFlatFolds = false;
    Frames(state, false);
    doc.display.omitFlatFolds = omitted;
}

void BM_View3DFrame_Textured(benchmark::State& state) {
    Frames(state, true);
}

// The same frame as Defaults, every polygon sent on its own: what the arrays save.
void BM_View3DFrame_OnePolygonAtATime(benchmark::State& state) {
    Document& doc = TorusDocument();
    UseTexture(doc, false);
    RecordingPrompt prompt;
    ViewRenderSurface surface(prompt, RenderSlot::View3D);
    if (!surface.Resize(kWidth, kHeight)) {
        state.SkipWithError("the surface did not start");
        return;
    }
    InitModelViewGL();
    Camera3D camera;
    ModelRenderer renderer;
    ModelFrameOptions options;
    options.vertexArrays = false;
    const Settings settings = WithDisplay(Settings(), doc.display);
    for (auto _ : state) {
        camera.yaw += 1.0;
        const Mat4 projection = CameraProjection(camera, kWidth, kHeight, doc.model.get());
        LoadViewProjection(projection, kWidth, kHeight);
        renderer.Render(&doc, settings, projection, options);
        surface.Finish();
    }
    glctx::Release();
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_View3DFrame_Defaults)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_View3DFrame_AfterHint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_View3DFrame_EveryEdge)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_View3DFrame_Textured)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_View3DFrame_OnePolygonAtATime)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

// The heap as the viewer sets it up before its first frame.
int main(int argc, char** argv) {
    tsm::KeepRenderBuffersOnTheHeap();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
