// Documents for the 3D view's tests: the samples opened through the real open pipeline, and small models
// built in code.
#pragma once

#include "engine/EngineCompletion.h"
#include "model/OpenPipeline.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"
#include "view3d/ModelViewLogic.h"

#include <memory>
#include <string>

namespace tsm::test {

// A pointer at (x, y) with no button or key down.
inline PointerInput At(int x, int y) {
    PointerInput input;
    input.x = x;
    input.y = y;
    return input;
}

// The starting camera turned to the given pitch and yaw.
inline Camera3D Facing(double pitch, double yaw) {
    Camera3D camera;
    camera.pitch = pitch;
    camera.yaw = yaw;
    return camera;
}

// A sample file opened as the viewer opens it (display positions separated, lines classified).
struct OpenedSample {
    explicit OpenedSample(const std::string& name) : documents(settings, prompt, completion) {
        opened = documents.OpenModelFile(std::string(TESSALY_SOURCE_DIR) + "/samples/" + name).ok();
    }
    Document* Doc() const { return documents.Current(); }

    Settings settings;
    RecordingPrompt prompt;
    EngineCompletion completion;
    DocumentController documents;
    bool opened = false;
};

// Faces without material in colour 0, as an opened document has them.
inline void UseColourZero(Document& doc) {
    Settings settings;
    SetColourTableEntry(0, settings.colors[0], settings, &doc);
}

// A document holding one cube of edge 2 centred on the origin, without a development.
inline std::unique_ptr<Document> CubeDocument() {
    auto doc = std::make_unique<Document>();
    UseColourZero(*doc);
    const MeshData cube = Cube(2.0);
    AddSolid(*doc, "cube", cube.vertices, cube.faces);
    return doc;
}

// A host that records what the view asked of it; the view draws with `settings` and the document's display
// block.
class RecordingHost : public IModelViewHost {
public:
    explicit RecordingHost(Document* document = nullptr) : document(document) {}
    Document* CurrentDocument() const override { return document; }
    Settings ViewSettings() const override {
        return document ? WithDisplay(settings, document->display) : settings;
    }
    void TextureLimitFound(int pixels) override { textureLimit = pixels; }
    IPrompt& Prompt() override { return prompt; }
    void Repaint() override { ++repaints; }
    void UpdateAllViews(UpdateHint hint) override { hints.push_back(hint); }
    void StartAnimationTimer(int intervalMs) override {
        timerIntervalMs = intervalMs;
        timerRunning = true;
    }
    void StopAnimationTimer() override { timerRunning = false; }

    Document* document;
    Settings settings;
    int textureLimit = 0;
    RecordingPrompt prompt;
    int repaints = 0;
    std::vector<UpdateHint> hints;
    int timerIntervalMs = 0;
    bool timerRunning = false;
};

} // namespace tsm::test
