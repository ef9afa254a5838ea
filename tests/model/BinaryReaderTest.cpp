#include "model/BinaryReader.h"

#include "model/Settings.h"
#include "tests/model/ImageTestSupport.h"
#include "tests/support/BinaryFixtures.h"
#include "tests/support/DocumentCompare.h"
#include "tests/support/RecordingCompletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

using namespace tsm;
using namespace tsm::test;

namespace {

const char* const kTooOld = "Failed to load specified file.\nToo old version.";
const char* const kTooNew =
    "Failed to load specified file.\nToo newer version.\nWe recommend you to upgrade the application.";
const char* const kNewMinor =
    "New version file. This application may not be able to read some information.\nWe "
    "recommend you to upgrade the application.";
const char* const kOtherLanguage =
    "This file is saved with other language OS.\nTexts may not be displayed correctly.";

struct Loaded {
    std::unique_ptr<Document> doc = std::make_unique<Document>();
    RecordingPrompt prompt;
    RecordingCompletion completion;
    Outcome::Kind result = Outcome::Kind::Failed;
    std::string reason;
};

std::unique_ptr<Loaded> Load(const std::string& bytes, ImportKind kind = ImportKind::Open,
                             const Settings& settings = Settings()) {
    auto loaded = std::make_unique<Loaded>();
    BinaryReader reader("test.tsm", *loaded->doc, kind, loaded->prompt, loaded->completion, settings);
    const Outcome outcome = reader.LoadFromBytes(bytes);
    loaded->result = outcome.kind();
    loaded->reason = outcome.reason();
    return loaded;
}

std::unique_ptr<Loaded> Load(const TriangleFile& triangle, ImportKind kind = ImportKind::Open,
                             const Settings& settings = Settings()) {
    return Load(BuildTriangleFile(triangle).bytes, kind, settings);
}

size_t Count(const std::vector<std::string>& calls, const std::string& name) {
    return size_t(std::count(calls.begin(), calls.end(), name));
}

} // namespace

// The writer's round trips compare whole documents; this file is built by hand, so that a field the
// writer and the reader both misplace still shows.
TEST(BinaryReader, ReadsEveryKindOfRecordOfASmallFile) {
    auto l = Load(TriangleFile{});
    ASSERT_EQ(l->result, Outcome::Kind::Ok) << l->reason;
    EXPECT_TRUE(l->prompt.texts.empty());
    const Mesh& model = *l->doc->model;
    ASSERT_EQ(model.solids.size(), 1u);
    const Solid& solid = *model.solids[0];
    ASSERT_EQ(solid.vertices.size(), 4u);
    EXPECT_TRUE((solid.vertices[3]->position == Vec3{5, 5, 5}));
    ASSERT_EQ(solid.faces.size(), 1u);
    const Face& face = *solid.faces[0];
    ASSERT_EQ(face.CornerCount(), 3u);
    const HalfEdge& c1 = *face.Corner(1);
    EXPECT_EQ(c1.vertex, solid.vertices[1].get());
    EXPECT_EQ((std::vector<double>{c1.u, c1.v, c1.flapHeight, c1.flapAngle1, c1.flapAngle2}),
              (std::vector<double>{0.25, 0.5, 5, 0.5, 0.75}));
    EXPECT_EQ((std::vector<bool>{face.Corner(0)->hasFlap, c1.hasFlap}), (std::vector<bool>{false, true}));
    EXPECT_FLOAT_EQ(c1.sideColor[0], 0.4f);

    // Open edges: one side, no twin, the edge named by its corner.
    ASSERT_EQ(solid.edges.size(), 3u);
    // The reader makes its records in blocks, not one allocation each.
    EXPECT_EQ((std::vector<bool>{solid.vertices[3]->home.inBlock, face.home.inBlock, c1.home.inBlock,
                                 solid.edges[2]->home.inBlock}),
              (std::vector<bool>{true, true, true, true}));
    for (int e = 0; e < 3; ++e) {
        EXPECT_EQ(solid.edges[e]->halfEdge1, face.Corner(e));
        EXPECT_EQ(solid.edges[e]->halfEdge2, nullptr);
    }
    EXPECT_EQ(solid.edges[1]->edgeClass, EdgeClass::MarkedOpen);
    EXPECT_TRUE(solid.edges[2]->edgeFlag);

    ASSERT_EQ(model.materials.size(), 1u);
    const Material& paper = *model.materials[0];
    EXPECT_EQ(paper.shininess, 8.0f);
    ASSERT_NE(paper.texture, nullptr);
    EXPECT_EQ(paper.texture->pixels[5], char(17 * 5 + 3));
    EXPECT_NE(paper.bitmap, nullptr);

    ASSERT_NE(l->doc->development, nullptr);
    const Development& dev = *l->doc->development;
    ASSERT_EQ(dev.parts.size(), 1u);
    const Part& part = *dev.parts[0];
    EXPECT_EQ(part.x, 20);
    EXPECT_EQ(part.faces, std::vector<Face*>{solid.faces[0].get()});
    ASSERT_EQ(part.lines.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(part.lines[i]->first, face.Corner(i));
        EXPECT_EQ(part.lines[i]->edge, solid.edges[i].get());
        EXPECT_EQ(static_cast<int>(part.lines[i]->lineKind), i);
        EXPECT_EQ(part.lines[i]->hidden, i == 2);
        EXPECT_TRUE(part.lines[i]->home.inBlock);
    }
    EXPECT_EQ(dev.lineBlocks.BlockCount(), 1u);
    ASSERT_EQ(dev.texts.size(), 1u);
    EXPECT_EQ(dev.texts[0]->lines, (std::vector<std::string>{"first line", "second line"}));
    EXPECT_EQ(dev.texts[0]->color, 0x00FF0000);

    // Pictures: each has its own material in imageMaterials holding the texture, and no bitmap.
    ASSERT_EQ(dev.imageMaterials.size(), 2u);
    ASSERT_EQ(dev.imagesB.size(), 1u);
    EXPECT_EQ(dev.imagesB[0]->material, dev.imageMaterials[1].get());
    EXPECT_EQ(dev.imageMaterials[1]->texture->height, 2);
    EXPECT_EQ(dev.imageMaterials[0]->bitmap, nullptr);
}

TEST(BinaryReader, HeaderVersionsAndLanguageDecideTheMessages) {
    // Versions 2 and 3 share the layout of version 4 (the minor version only matters for version 4); 1 is
    // too old, 5 too new. Another locale at level 101 with texts gives one message, after the minor
    // version's, however many texts there are; letter case alone is no other locale. The header line runs
    // to the first line feed within 511 bytes and what follows "version 3" on it is not looked at.
    const struct {
        const char* name;
        std::function<void(TriangleFile&)> change;
        Outcome::Kind result;
        std::vector<std::string> messages;
    } cases[] = {
        {"version 1", [](TriangleFile& t) { t.version = 1; }, Outcome::Kind::Cancelled, {kTooOld}},
        {"version 5", [](TriangleFile& t) { t.version = 5; }, Outcome::Kind::Cancelled, {kTooNew}},
        {"version 3", [](TriangleFile& t) { t.version = 3, t.minorVersion = 7; }, Outcome::Kind::Ok, {}},
        {"case only", [](TriangleFile& t) { t.locale = "EN-us"; }, Outcome::Kind::Ok, {}},
        {"other language",
         [](TriangleFile& t) { t.locale = "ja-JP", t.minorVersion = 1; },
         Outcome::Kind::Ok,
         {kNewMinor, kOtherLanguage}},
        {"level 100",
         [](TriangleFile& t) { t.locale = "ja-JP", t.writerLevel = 100; },
         Outcome::Kind::Ok,
         {}},
        {"no text", [](TriangleFile& t) { t.locale = "ja-JP", t.textCount = 0; }, Outcome::Kind::Ok, {}},
        {"three texts",
         [](TriangleFile& t) { t.locale = "ja-JP", t.textCount = 3; },
         Outcome::Kind::Ok,
         {kOtherLanguage}},
        {"long header line",
         [](TriangleFile& t) { t.headerLine = "version 3" + std::string(501, ' ') + "\n"; },
         Outcome::Kind::Ok,
         {}},
        {"words after the version",
         [](TriangleFile& t) { t.headerLine = "version 3 saved by hand\n"; },
         Outcome::Kind::Ok,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TriangleFile triangle;
        triangle.display = ChangedDisplaySettings();
        c.change(triangle);
        auto l = Load(triangle);
        EXPECT_EQ(l->result, c.result) << l->reason;
        EXPECT_EQ(l->prompt.texts, c.messages);
        EXPECT_EQ(l->doc->model->solids.empty(), c.result != Outcome::Kind::Ok);
        // The settings at the end of the file are already applied when the language message shows.
        if (c.result == Outcome::Kind::Ok) {
            EXPECT_EQ(l->doc->display.defaultFlapHeightMM, ChangedDisplaySettings().defaultFlapHeightMM);
        }
    }
}

TEST(BinaryReader, WithoutDevelopmentTheSettingsFollowTheMaterials) {
    TriangleFile triangle;
    triangle.hasDevelopment = false;
    triangle.locale = "ja-JP"; // the language check needs a development with texts
    triangle.display = ChangedDisplaySettings();
    auto l = Load(triangle);
    ASSERT_EQ(l->result, Outcome::Kind::Ok) << l->reason;
    EXPECT_EQ(l->doc->development, nullptr);
    EXPECT_TRUE(l->prompt.texts.empty());
    ExpectSameDisplaySettings(l->doc->display, ChangedDisplaySettings());
    // No development: nothing to classify and no part extents.
    EXPECT_EQ(Count(l->completion.calls, "ClassifyPartLines"), 0u);
    EXPECT_EQ(Count(l->completion.calls, "ComputePartExtent"), 0u);
}

TEST(BinaryReader, LineSideWithoutACornerAtTheVertexStaysNull) {
    TriangleFile triangle;
    triangle.line0First[1] = 3; // vertex 3 lies on no face
    triangle.line0HasSecond = true;
    triangle.line0Second[1] = 1;
    auto l = Load(triangle);
    ASSERT_EQ(l->result, Outcome::Kind::Ok) << l->reason;
    const Face& face = *l->doc->model->solids[0]->faces[0];
    const PartLine& line = *l->doc->development->parts[0]->lines[0];
    EXPECT_EQ(line.first, nullptr);
    EXPECT_EQ(line.second, face.Corner(1));
    // The edge is that of the side that was found.
    EXPECT_EQ(line.edge, face.Corner(1)->edge);
    // Corner 0 belongs to no line now (and corner 1 to line 1, the last line naming it).
    EXPECT_EQ(face.Corner(0)->line, nullptr);
    EXPECT_EQ(face.Corner(1)->line, l->doc->development->parts[0]->lines[1].get());
}

TEST(BinaryReader, OpeningAppliesTheSettingsAndClassifiesImportingDoesNeither) {
    TriangleFile triangle;
    triangle.display = ChangedDisplaySettings();
    auto opened = Load(triangle);
    ASSERT_EQ(opened->result, Outcome::Kind::Ok) << opened->reason;
    ExpectSameDisplaySettings(opened->doc->display, triangle.display);
    // Each part as it is read, the values at the end of the file being the file's display values.
    EXPECT_EQ(Count(opened->completion.calls, "ClassifyPart"), opened->doc->development->parts.size());
    EXPECT_EQ(Count(opened->completion.calls, "ClassifyPartLines"), 0u);
    // Importing still reads the rest of the file.
    auto imported = Load(triangle, ImportKind::Import);
    ASSERT_EQ(imported->result, Outcome::Kind::Ok) << imported->reason;
    ExpectSameDisplaySettings(imported->doc->display, DisplaySettings());
    EXPECT_EQ(Count(imported->completion.calls, "ClassifyPartLines"), 0u);
    EXPECT_EQ(Count(imported->completion.calls, "ClassifyPart"), 0u);
    EXPECT_EQ(imported->doc->development->imagesB.size(), 1u);
}

TEST(BinaryReader, LoadReadsTheFileAndReportsFilesItCannotRead) {
    testimage::TempFolder dir;
    // Bytes after the trailer are not looked at.
    const std::string path = dir.Write("triangle.tsm", BuildTriangleFile().bytes + "trailing bytes");
    Document doc;
    RecordingPrompt prompt;
    RecordingCompletion completion;
    const Outcome read = BinaryReader(path, doc, ImportKind::Open, prompt, completion).Load();
    EXPECT_TRUE(read.ok()) << read.reason();
    EXPECT_EQ(doc.model->solids.size(), 1u);

    // A file too large to hold in memory is refused before anything is read (a sparse file costs nothing).
    const std::string large = dir.Write("large.tsm", BuildTriangleFile().bytes);
    std::filesystem::resize_file(large, (uintmax_t(2) << 30) + 1);
    const std::pair<std::string, std::string> bad[] = {{dir.File("nothing.tsm"), "the file cannot be opened"},
                                                       {dir.File(""), "it is not a regular file"},
                                                       {large, "the file is larger than 2 GiB"}};
    for (const auto& [file, reason] : bad) {
        Document failed;
        const Outcome outcome = BinaryReader(file, failed, ImportKind::Open, prompt, completion).Load();
        EXPECT_TRUE(outcome.failed()) << file;
        EXPECT_EQ(outcome.reason().rfind(reason, 0), 0u) << outcome.reason();
        EXPECT_TRUE(failed.model->solids.empty());
    }
    EXPECT_TRUE(prompt.texts.empty());
}
