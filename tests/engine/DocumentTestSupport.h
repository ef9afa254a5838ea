// A document controller wired to recording stand-ins for the window and the prompt, with a scratch folder
// to write model files into.
#pragma once

#include "engine/EngineCompletion.h"
#include "model/BinaryWriter.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"
#include "tests/model/ImageTestSupport.h"
#include "tests/support/RecordingWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tsm::test {

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
