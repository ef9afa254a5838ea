#include "model/BinaryWriter.h"

#include "engine/Classify.h"
#include "engine/EngineCompletion.h"
#include "model/BinaryReader.h"
#include "tests/support/BinaryFixtures.h"
#include "tests/support/DocumentCompare.h"
#include "tests/support/RecordingCompletion.h"
#include "tests/support/engine/MeshFixtures.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/ModelBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace tsm;
using namespace tsm::test;

namespace {

// Reads `bytes` into a new document; fails the test when the reader does.
std::unique_ptr<Document> Read(const std::string& bytes, IModelCompletion& completion,
                               const Settings& settings = Settings()) {
    auto doc = std::make_unique<Document>();
    RecordingPrompt prompt;
    BinaryReader reader("round-trip.tsm", *doc, ImportKind::Open, prompt, completion, settings);
    const Outcome result = reader.LoadFromBytes(bytes);
    EXPECT_TRUE(result.ok()) << result.reason();
    EXPECT_TRUE(prompt.texts.empty());
    return doc;
}

// Offset of the first byte that differs, or "none"; keeps failure output short for long byte strings.
std::string FirstDifference(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return "byte " + std::to_string(i);
    return a.size() == b.size() ? "none"
                                : "length " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
}

int32_t I32At(const std::string& bytes, size_t offset) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = bits << 8 | uint8_t(bytes[offset + i]);
    return int32_t(bits);
}

// How every line of the development is drawn and every edge numbered.
std::vector<int> Classification(const Document& doc) {
    std::vector<int> kinds;
    for (const auto& part : doc.development->parts)
        for (const auto& line : part->lines) kinds.push_back(int(line->drawKind));
    for (const auto& solid : doc.model->solids)
        for (const auto& edge : solid->edges) kinds.push_back(edge->edgeId);
    return kinds;
}

} // namespace

// Opening classifies each part as soon as it is read, with the display values the end of the file holds:
// the lines and edge numbers must come out as a classification of the whole opened model makes them, also
// when the file ends in bytes that only look like a display block.
TEST(BinaryWriter, OpenedLinesAreDrawnAsTheirDisplayValuesSay) {
    const auto built = MakeRichDocument();
    const struct {
        bool drawFlaps, omitFlatFolds;
        int flatAngle;
        bool endsInOtherValues;
    } cases[] = {
        {true, false, 175, false}, {false, true, 170, false}, {true, true, 181, false},
        {true, false, 175, true},  {false, true, 90, true},
    };
    for (const auto& c : cases) {
        DisplaySettings display;
        display.drawFlaps = c.drawFlaps;
        display.omitFlatFolds = c.omitFlatFolds;
        display.flatFoldAngleDegrees = c.flatAngle;
        std::string bytes = SerializeBinaryModel(*built, display);
        if (c.endsInOtherValues) {
            DisplaySettings other = display;
            other.drawFlaps = !display.drawFlaps;
            other.omitFlatFolds = !display.omitFlatFolds;
            const std::string otherBytes = SerializeBinaryModel(*built, other);
            bytes += otherBytes.substr(otherBytes.size() - 151); // its display block and end marker
        }
        EngineCompletion completion;
        auto read = Read(bytes, completion);
        const std::vector<int> opened = Classification(*read);
        ClassifyPartLines(*read->development, *read->model, display);
        EXPECT_EQ(Classification(*read), opened) << c.drawFlaps << c.omitFlatFolds << c.flatAngle;
        EXPECT_EQ(read->display.drawFlaps, c.drawFlaps);
        EXPECT_NE(std::count_if(opened.begin(), opened.end(), [](int v) { return v > 1; }), 0);
    }
}

TEST(BinaryWriter, StartsWithTheHeaderLineFieldsAndUnusedBlock) {
    Document doc;
    BinaryWriteOptions options;
    options.writerLocale = "de-DE";
    options.writerCharset = "x";
    const std::string bytes = SerializeBinaryModel(doc, Settings{}, options);
    // "version 3\n", version 4, minor 0, level 101, then strings that count their terminating zero.
    std::string expected = "version 3\n";
    expected += std::string("\x04\0\0\0", 4) + std::string("\0\0\0\0", 4) + std::string("\x65\0\0\0", 4);
    expected += std::string("\x06\0\0\0de-DE\0", 10);
    expected += std::string("\x02\0\0\0x\0", 6);
    // The unused block: 0 and an empty string (count 1, one zero byte).
    expected += std::string("\0\0\0\0\x01\0\0\0\0", 9);
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(bytes.substr(0, expected.size()), expected);
    // An empty model: header, 0 solids, 0 materials, no development, 147 bytes of settings, trailer 0.
    EXPECT_EQ(bytes.size(), expected.size() + 32 + 4 + 4 + 1 + 147 + 4);
    EXPECT_EQ(I32At(bytes, bytes.size() - 4), 0);
}

TEST(BinaryWriter, ReaderGivesBackExactlyWhatWasWritten) {
    // Without the engine's completion steps the reader changes nothing, so the document read back must
    // equal the one built, field by field, and serialise to the same bytes.
    auto built = MakeRichDocument();
    ASSERT_TRUE(CheckModelInvariants(*built).empty());
    const DisplaySettings display = ChangedDisplaySettings();
    const std::string bytes = SerializeBinaryModel(*built, display);
    RecordingCompletion completion;
    auto read = Read(bytes, completion);
    ExpectSameDocument(*built, *read);
    ExpectSameDisplaySettings(read->display, display);
    EXPECT_TRUE(CheckModelInvariants(*read).empty());
    EXPECT_EQ(FirstDifference(SerializeBinaryModel(*read, read->display), bytes), "none");
}

TEST(BinaryWriter, FacePartIndexFollowsThePartTheFaceLiesIn) {
    auto doc = MakeRichDocument();
    Face& inPart = *doc->model->solids[1]->faces[0];
    ASSERT_NE(inPart.part, nullptr);
    const int32_t truePart = inPart.partIndex;
    // A stale stored index is not written when the face lies in a part.
    inPart.partIndex = 99;
    RecordingCompletion completion;
    auto read = Read(SerializeBinaryModel(*doc, Settings{}), completion);
    EXPECT_EQ(read->model->solids[1]->faces[0]->partIndex, truePart);
    // A face in no part keeps its stored index (the loose solid is outside the development).
    EXPECT_EQ(read->model->solids[3]->faces[0]->partIndex, 7);
    EXPECT_EQ(read->model->solids[3]->faces[1]->partIndex, -1);
}

TEST(BinaryWriter, PicturesWithoutPixelsAreLeftOutAndPicturesAreLimited) {
    auto doc = MakeRichDocument();
    Development& dev = *doc->development;
    const double rect[4] = {1, 2, 3, 4};
    AddPicture(*doc, false, rect, nullptr);
    ASSERT_EQ(dev.imagesA.size(), 2u);
    // A large picture in the second list passes through the texture size limit when read.
    AddPicture(*doc, true, rect, MakeCheckerboard(100, 100, 10, {1, 1, 1}, {0, 0, 0}));
    Settings settings;
    settings.limitTextureSize = true;
    settings.textureLimitChoice = 0; // 64
    RecordingCompletion completion;
    auto read = Read(SerializeBinaryModel(*doc, Settings{}), completion, settings);
    const Development& back = *read->development;
    EXPECT_EQ(back.imagesA.size(), 1u);
    ASSERT_EQ(back.imagesB.size(), 3u);
    ASSERT_EQ(back.imageMaterials.size(), 4u);
    const Material& large = *back.imagesB[2]->material;
    EXPECT_EQ(large.texture->width, 64);
    EXPECT_EQ(large.texture->height, 64);
    EXPECT_EQ(large.bitmap, nullptr);
}
