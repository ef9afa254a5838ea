// Broken binary model files: every one must end with result 1 and a reason in words, without a crash, a
// read outside the file, or an allocation the file cannot back. Cases that must not even allocate run
// under a time budget here, and under AddressSanitizer (whose allocator refuses absurd requests) in the
// sanitizer build.
#include "model/BinaryReader.h"

#include "model/BinaryWriter.h"
#include "model/Settings.h"
#include "tests/model/ImageTestSupport.h"
#include "tests/support/BinaryFixtures.h"
#include "tests/support/DocumentCompare.h"
#include "tests/support/RecordingCompletion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

using namespace tsm;
using namespace tsm::test;

namespace {

struct ReadOutcome {
    Outcome::Kind result;
    std::string reason;
    std::vector<std::string> messages;
    DisplaySettings display; // the document's afterwards
};

ReadOutcome Read(const std::string& bytes, IModelCompletion& completion) {
    Document doc;
    RecordingPrompt prompt;
    BinaryReader reader("broken.tsm", doc, ImportKind::Open, prompt, completion);
    const Outcome result = reader.LoadFromBytes(bytes);
    return {result.kind(), result.reason(), prompt.texts, doc.display};
}

ReadOutcome Read(const std::string& bytes) {
    test::RecordingCompletion engine;
    return Read(bytes, engine);
}

// Reads the triangle file after `change`; expects failure with exactly `reason`.
void ExpectFailure(const std::function<void(BuiltFile&)>& change, const std::string& reason) {
    BuiltFile file = BuildTriangleFile();
    change(file);
    const ReadOutcome outcome = Read(file.bytes);
    EXPECT_EQ(outcome.result, Outcome::Kind::Failed) << reason;
    EXPECT_EQ(outcome.reason, reason);
    EXPECT_TRUE(outcome.messages.empty());
}

std::string HouseBytes() {
    std::ifstream in(std::string(TESSALY_SOURCE_DIR) + "/samples/house.tsm", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

// Every cut of the small file and of a sample with a development: near the start, where the counts are, and
// near the end every length, a stride through the rest. Where the cut lands is named (the failure table
// holds the names); the document's display values never change, not even by a cut inside the settings.
TEST(BinaryCorruption, EveryTruncationFailsWithAReason) {
    TriangleFile triangle;
    triangle.display = ChangedDisplaySettings();
    const std::string files[] = {BuildTriangleFile(triangle).bytes, HouseBytes()};
    for (const std::string& full : files) {
        ASSERT_EQ(Read(full).result, Outcome::Kind::Ok);
        for (size_t length = 0; length < full.size();
             length += length < 600 || length + 200 > full.size() ? 1 : 37) {
            const ReadOutcome outcome = Read(full.substr(0, length));
            ASSERT_EQ(outcome.result, Outcome::Kind::Failed) << "cut at " << length;
            ASSERT_FALSE(outcome.reason.empty()) << "cut at " << length;
            ExpectSameDisplaySettings(outcome.display, DisplaySettings());
            if (HasFailure()) FAIL() << "cut at " << length;
        }
    }
}

// A file read a window at a time, records falling across the windows' seams, reads as the same bytes in
// memory do, whole or cut anywhere: the same document, the same outcome and reason.
TEST(BinaryCorruption, AFileReadAWindowAtATimeReadsAsItsBytesInMemory) {
    const std::string full = HouseBytes();
    testimage::TempFolder dir;
    for (size_t length = 0; length <= full.size(); length += length + 200 > full.size() ? 1 : 97) {
        const std::string path = dir.Write("house.tsm", full.substr(0, length));
        Document inMemory;
        RecordingPrompt prompt;
        test::RecordingCompletion completion;
        const Outcome expected = BinaryReader("house.tsm", inMemory, ImportKind::Open, prompt, completion)
                                     .LoadFromBytes(full.substr(0, length));
        for (size_t window : {1, 7, 64, 5000}) {
            Document read;
            BinaryReader reader(path, read, ImportKind::Open, prompt, completion);
            reader.SetWindowBytes(window);
            const Outcome outcome = reader.Load();
            ASSERT_EQ(outcome.kind(), expected.kind()) << "cut at " << length << ", window " << window;
            ASSERT_EQ(outcome.reason(), expected.reason()) << "cut at " << length << ", window " << window;
            if (length == full.size()) ExpectSameDocument(read, inMemory);
        }
    }
}

// One field of the small file set to a value the file cannot back: counts beyond what the rest of the file
// can hold (2^31 - 1 faces in a file of about 1 KB), strings or blobs longer than it, negative counts and
// sizes, indices outside their arrays (a face of a solid in the development must lie in a part: -1 is
// none), too few corners, edges not found from their first side.
TEST(BinaryCorruption, FieldsTheFileCannotBackAreRefusedBeforeAllocating) {
    const int32_t kHuge = INT32_MAX;
    const struct {
        const char* field;
        int32_t value;
        std::string reason;
    } cases[] = {
        {"faceCount", kHuge, "the file is too short for the 2147483647 faces of solid 0"},
        {"solidCount", kHuge, "the file is too short for the 2147483647 solids"},
        {"vertexCount", kHuge, "the file is too short for the 2147483647 vertices of solid 0"},
        {"cornerCount", kHuge, "the file is too short for the 2147483647 corners of face 0 of solid 0"},
        {"edgeCount", kHuge, "the file is too short for the 2147483647 edges of solid 0"},
        {"materialCount", kHuge, "the file is too short for the 2147483647 materials"},
        {"partCount", kHuge, "the file is too short for the 2147483647 parts"},
        {"lineCount", kHuge, "the file is too short for the 2147483647 lines of part 0"},
        {"textCount", kHuge, "the file is too short for the 2147483647 texts"},
        {"textLineCount", kHuge, "the file is too short for the 2147483647 lines of text 0"},
        {"picturesB", kHuge, "the file is too short for the 2147483647 pictures of the second picture list"},
        {"solidNameLength", kHuge, "the file ends inside the header of solid 0"},
        {"texture.size", kHuge, "the file ends inside material 0"},
        {"solidCount", -1, "the number of solids is negative (-1)"},
        {"faceCount", -3, "the number of faces of solid 0 is negative (-3)"},
        {"cornerCount", INT32_MIN, "the number of corners of face 0 of solid 0 is negative (-2147483648)"},
        {"solidNameLength", -4, "a text in the header of solid 0 has a negative length (-4)"},
        {"texture.size", -1, "the compressed size of the texture of material 0 is negative (-1)"},
        {"texture.width", 0, "the texture of material 0 has an unusable size (0 x 2 pixels)"},
        {"texture.height", -2, "the texture of material 0 has an unusable size (2 x -2 pixels)"},
        {"pictureA.width", 40000,
         "picture 0 of the first picture list has an unusable size (40000 x 1 pixels)"},
        {"corner0.vertex", 900,
         "vertex index 900 of face 0 of solid 0 is out of range (the solid has 4 vertices)"},
        {"corner0.vertex", -1,
         "vertex index -1 of face 0 of solid 0 is out of range (the solid has 4 vertices)"},
        {"edge1.face2", 1, "face index 1 of edge 1 of solid 0 is out of range (the solid has 1 faces)"},
        {"edge1.face1", -2, "face index -2 of edge 1 of solid 0 is out of range (the solid has 1 faces)"},
        {"edge2.vertex2", 4,
         "vertex index 4 of edge 2 of solid 0 is out of range (the solid has 4 vertices)"},
        {"materialIndex", 1,
         "material index 1 of face 0 of solid 0 is out of range (the model has 1 materials)"},
        {"materialIndex", -2,
         "material index -2 of face 0 of solid 0 is out of range (the model has 1 materials)"},
        {"part.solid", 1, "solid index 1 of part 0 is out of range (the model has 1 solids)"},
        {"line0.face", 1, "face index 1 of line 0 of part 0 is out of range (its solid has 1 faces)"},
        {"line0.vertex", 4, "vertex index 4 of line 0 of part 0 is out of range (its solid has 4 vertices)"},
        {"partIndex", -1, "part index -1 of face 0 of solid 0 is out of range (the development has 1 parts)"},
        {"partIndex", 1, "part index 1 of face 0 of solid 0 is out of range (the development has 1 parts)"},
        {"cornerCount", 2, "face 0 of solid 0 has 2 corners; a face needs at least 3"},
        {"edge0.face1", -1, "edge 0 of solid 0 has no first side: face -1 has no corner at vertex 0"},
        {"edge0.vertex1", 3, "edge 0 of solid 0 has no first side: face 0 has no corner at vertex 3"},
    };
    for (const auto& c : cases) ExpectFailure([&](BuiltFile& f) { f.SetI32(c.field, c.value); }, c.reason);
    // 16384 x 16384 pixels cannot come out of a stream of a few bytes: refused before the 768 MiB buffer.
    const std::string streamBytes = std::to_string(BuildTriangleFile().GetI32("texture.size"));
    ExpectFailure(
        [&](BuiltFile& f) {
            f.SetI32("texture.width", 16384);
            f.SetI32("texture.height", 16384);
        },
        "the texture of material 0 cannot be decompressed: " + streamBytes +
            " bytes cannot hold 16384 x 16384 pixels");
}

TEST(BinaryCorruption, BrokenMeshStructureIsRefused) {
    // Two edges on one corner would leave one-sided links.
    ExpectFailure(
        [&](BuiltFile& f) { f.SetI32("edge1.vertex1", 0); },
        "edge 1 of solid 0 uses the corner of face 0 at vertex 0, which already belongs to another edge");
    ExpectFailure(
        [&](BuiltFile& f) {
            f.SetI32("edge0.face2", 0);
            f.SetI32("edge0.vertex2", 0);
        },
        "edge 0 of solid 0 uses the corner of face 0 at vertex 0, which already belongs to another edge");
    // Numbers that are not finite, or so large that the part extent would overflow to infinity.
    const struct {
        const char* field;
        double value;
        std::string reason;
    } numbers[] = {
        {"vertex0.x", std::numeric_limits<double>::quiet_NaN(),
         "a number in the vertices of solid 0 is not finite"},
        {"vertex0.x", -1.5e308, "a number in the vertices of solid 0 is out of range (-1.5e+308)"},
        {"plane", -std::numeric_limits<double>::infinity(), "a number in face 0 of solid 0 is not finite"},
        {"corner1.flapAngle2", 2e15, "a number in the corners of face 0 of solid 0 is out of range (2e+15)"},
        {"lineSpacing", 1e20, "a number in text 0 is out of range (1e+20)"},
        // A line spacing that no int32 holds.
        {"lineSpacing", 1e10, "the line spacing of text 0 is out of range"},
    };
    for (const auto& c : numbers) ExpectFailure([&](BuiltFile& f) { f.SetF64(c.field, c.value); }, c.reason);
    // A colour channel of the last corner that is a NaN.
    ExpectFailure([](BuiltFile& f) { f.SetI32("corner2.sideColor2", 0x7fc00000); },
                  "a number in the corners of face 0 of solid 0 is not finite");
}

TEST(BinaryCorruption, CornerOutsideEveryEdgeAndBrokenTextureStreamsAreRefused) {
    // Two edge records instead of three: corner 2 starts no edge. The count stands before the erased record,
    // so its offset still holds.
    ExpectFailure(
        [](BuiltFile& f) {
            f.bytes.erase(f.at.at("edge2.face1"), 4 * 4 + 1 + 1 + 4);
            f.SetI32("edgeCount", 2);
        },
        "corner 2 of face 0 of solid 0 belongs to no edge");
    const std::string broken = "the texture of material 0 cannot be decompressed";
    // A stream with a damaged header.
    ExpectFailure([](BuiltFile& f) { f.bytes[f.at.at("texture.data")] ^= 0x55; }, broken);
    // A stream cut inside (the size field shrunk to match, so the file itself is not short).
    ExpectFailure(
        [](BuiltFile& f) {
            const int32_t size = f.GetI32("texture.size");
            f.SetI32("texture.size", size - 4);
            f.bytes.erase(f.at.at("texture.data") + size_t(size) - 4, 4);
        },
        broken);
    // Complete streams of fewer or more bytes than 2 x 2 pixels need (12).
    for (const size_t bytes : {9, 13}) {
        ExpectFailure(
            [&](BuiltFile& f) {
                const std::string stream = Deflate(std::string(bytes, 'x'));
                f.bytes.replace(f.at.at("texture.data"), size_t(f.GetI32("texture.size")), stream);
                f.SetI32("texture.size", int32_t(stream.size()));
            },
            bytes == 9 ? "the texture of material 0 is incomplete: it holds 9 of 12 bytes" : broken);
    }
}

TEST(BinaryCorruption, EveryByteChangedNeverCrashes) {
    // A small deterministic fuzz: each byte set to values that tend to break counts, indices, lengths and
    // booleans. Any result is fine; a crash, a sanitizer report or a failure without a reason is not.
    const std::string full = BuildTriangleFile().bytes;
    int failures = 0;
    for (size_t i = 0; i < full.size(); ++i) {
        for (const uint8_t value : {0x00, 0x01, 0x7f, 0x80, 0xff}) {
            std::string bytes = full;
            bytes[i] = char(value);
            const ReadOutcome outcome = Read(bytes);
            if (outcome.result != Outcome::Kind::Failed) continue;
            ++failures;
            ASSERT_FALSE(outcome.reason.empty()) << "byte " << i;
        }
    }
    EXPECT_GT(failures, 0);
}
