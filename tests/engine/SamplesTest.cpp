#include "tools/lib/Samples.h"

#include "engine/EngineCompletion.h"
#include "engine/Extents.h"
#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"
#include "model/Settings.h"
#include "tests/support/DocumentCompare.h"
#include "tools/lib/Invariants.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace tsm;

// Each sample builds to the very bytes committed in samples/, which open with their links intact and hold
// what was built.
TEST(Samples, BuildsMatchTheCommittedFilesWhichReadBackUnchanged) {
    const struct {
        const char* file;
        std::vector<std::string> (*build)(Document&);
    } samples[] = {{"cube.tsm", BuildSampleCube}, {"house.tsm", BuildSampleHouse}};
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.file);
        Document built;
        ASSERT_TRUE(sample.build(built).empty());
        const std::string bytes = SerializeBinaryModel(built, DisplaySettings());
        const std::string path = std::string(TESSALY_SOURCE_DIR) + "/samples/" + sample.file;
        std::ifstream in(path, std::ios::binary);
        EXPECT_TRUE(bytes == std::string(std::istreambuf_iterator<char>(in), {}));

        Document read;
        RecordingPrompt prompt;
        EngineCompletion completion;
        BinaryReader loader(path, read, 0, prompt, completion);
        const Outcome loaded = loader.Load();
        ASSERT_TRUE(loaded.ok()) << loaded.reason();
        EXPECT_TRUE(prompt.texts.empty());
        EXPECT_TRUE(CheckModelInvariants(read).empty());
        // The reader measures the parts again, which may move them by a rounding step, and makes the
        // bitmaps the drawing code uses from the textures.
        for (auto& part : built.development->parts) ComputePartExtent(*part);
        for (auto& material : read.model->materials) material->bitmap.reset();
        test::ExpectSameDocument(built, read);
    }
}
