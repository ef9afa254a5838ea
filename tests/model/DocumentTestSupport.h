// A document controller wired to recording stand-ins for the window and the prompt, with a scratch folder
// to write model files into.
#pragma once

#include "ImageTestSupport.h"
#include "engine/EngineCompletion.h"
#include "model/BinaryWriter.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tsm::test {

// Records what the controller asks of the window, in order.
class RecordingWindow : public IDocumentWindow {
public:
    void SetTitle(const std::string& title) override { calls.push_back("title:" + title); }
    void AddRecentFile(const std::string& path) override { calls.push_back("recent:" + path); }
    void RefreshDocumentPanels() override { calls.push_back("panels"); }
    void UpdateAllViews(UpdateHint hint) override {
        calls.push_back("hint:" + std::to_string(static_cast<int>(hint)));
    }
    std::vector<std::string> calls;
};

class DocumentFixture : public testing::Test {
protected:
    std::string Write(const Document& doc, const std::string& name) {
        const std::string path = dir_.File(name);
        const Outcome written = WriteBinaryModel(doc, doc.display, path);
        EXPECT_TRUE(written.ok()) << written.reason();
        return path;
    }

    Settings settings_;
    testimage::TempFolder dir_;
    RecordingPrompt prompt_;
    EngineCompletion completion_;
    RecordingWindow window_;
    DocumentController documents_{settings_, prompt_, completion_, &window_};
};

} // namespace tsm::test
