#include "model/BinaryReader.h"

#include "model/Settings.h"
#include "tests/model/ImageTestSupport.h"
#include "tests/support/BinaryFixtures.h"
#include "tests/support/DocumentCompare.h"
#include "tests/support/RecordingCompletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

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
    ModelLoadResult result = kLoadFailed;
    std::string reason;
};

std::unique_ptr<Loaded> Load(const std::string& bytes, int importFlag = 0,
                             const Settings& settings = Settings()) {
    auto loaded = std::make_unique<Loaded>();
    BinaryReader reader("test.tsm", *loaded->doc, importFlag, loaded->prompt, loaded->completion, settings);
    loaded->result = reader.LoadFromBytes(bytes);
    loaded->reason = reader.FailureReason();
    return loaded;
}

std::unique_ptr<Loaded> Load(const TriangleFile& triangle, int importFlag = 0,
                             const Settings& settings = Settings()) {
    return Load(BuildTriangleFile(triangle).bytes, importFlag, settings);
}

size_t Count(const std::vector<std::string>& calls, const std::string& name) {
    return size_t(std::count(calls.begin(), calls.end(), name));
}

} // namespace

TEST(BinaryReader, ReadsEveryFieldOfASmallFile) {
    auto l = Load(TriangleFile{});
    ASSERT_EQ(l->result, kLoadOk) << l->reason;
    EXPECT_TRUE(l->prompt.texts.empty());
    const CMeshModel& model = *l->doc->model;
    EXPECT_EQ(model.size, 10);
    EXPECT_TRUE((model.center == Vec3{5, 5, 0}));

    ASSERT_EQ(model.solids.size(), 1u);
    const CSolid& solid = *model.solids[0];
    EXPECT_EQ(solid.name, "Tri");
    EXPECT_EQ(solid.model, &model);
    ASSERT_EQ(solid.vertices.size(), 4u);
    EXPECT_TRUE((solid.vertices[3]->position == Vec3{5, 5, 5}));
    ASSERT_EQ(solid.faces.size(), 1u);
    const CFace& face = *solid.faces[0];
    EXPECT_EQ(face.solid, &solid);
    EXPECT_EQ(face.materialIndex, 0);
    EXPECT_EQ(face.plane[2], 1.0);
    ASSERT_EQ(face.CornerCount(), 3u);
    const CHalfEdge& c1 = *face.Corner(1);
    EXPECT_EQ(c1.vertex, solid.vertices[1].get());
    EXPECT_EQ(c1.face, &face);
    EXPECT_EQ((std::vector<double>{c1.u, c1.v, c1.flapHeight, c1.flapAngle1, c1.flapAngle2}),
              (std::vector<double>{0.25, 0.5, 5, 0.5, 0.75}));
    EXPECT_TRUE(c1.hasFlap);
    EXPECT_FALSE(face.Corner(0)->hasFlap);
    EXPECT_FLOAT_EQ(c1.flapColor[2], 0.3f);
    EXPECT_FLOAT_EQ(c1.sideColor[0], 0.4f);

    // Open edges: one side, no twin, the edge named by its corner.
    ASSERT_EQ(solid.edges.size(), 3u);
    for (int e = 0; e < 3; ++e) {
        const CEdge& edge = *solid.edges[e];
        EXPECT_EQ(edge.halfEdge1, face.Corner(e));
        EXPECT_EQ(edge.halfEdge2, nullptr);
        EXPECT_EQ(edge.vertex1, solid.vertices[e].get());
        EXPECT_EQ(edge.vertex2, solid.vertices[(e + 1) % 3].get());
        EXPECT_EQ(edge.edgeId, -1);
        EXPECT_EQ(face.Corner(e)->edge, &edge);
        EXPECT_EQ(face.Corner(e)->twin, nullptr);
    }
    EXPECT_EQ(solid.edges[1]->edgeClass, EdgeClass::MarkedOpen);
    EXPECT_EQ((std::vector<bool>{solid.edges[0]->edgeFlag, solid.edges[2]->edgeFlag}),
              (std::vector<bool>{false, true}));

    ASSERT_EQ(model.materials.size(), 1u);
    const CMaterial& paper = *model.materials[0];
    EXPECT_EQ(paper.name, "Paper");
    EXPECT_FLOAT_EQ(paper.ambient[3], 0.8f);
    EXPECT_EQ(paper.shininess, 8.0f);
    EXPECT_FLOAT_EQ(paper.flatColor[2], 0.1f);
    ASSERT_NE(paper.texture, nullptr);
    EXPECT_EQ(paper.texture->width, 2);
    EXPECT_EQ(paper.texture->pixels[5], char(17 * 5 + 3));
    ASSERT_NE(paper.bitmap, nullptr);
    EXPECT_EQ(paper.bitmap->width, 2);

    ASSERT_NE(l->doc->development, nullptr);
    const Development& dev = *l->doc->development;
    EXPECT_EQ(dev.frame[2], 10);
    ASSERT_EQ(dev.parts.size(), 1u);
    const CPart& part = *dev.parts[0];
    EXPECT_EQ(part.solid, &solid);
    EXPECT_EQ(part.development, &dev);
    EXPECT_EQ(part.x, 20);
    EXPECT_EQ(part.height, 10);
    ASSERT_EQ(part.faces.size(), 1u);
    EXPECT_EQ(part.faces[0], &face);
    EXPECT_EQ(face.part, &part);
    ASSERT_EQ(part.lines.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const CPartLine& line = *part.lines[i];
        EXPECT_EQ(line.first, face.Corner(i));
        EXPECT_EQ(line.second, nullptr); // a line on the border of the part
        EXPECT_EQ(line.edge, solid.edges[i].get());
        EXPECT_EQ(static_cast<int>(line.lineKind), i);
        EXPECT_EQ(line.hidden, i == 2);
        EXPECT_EQ(face.Corner(i)->line, &line);
    }
    ASSERT_EQ(dev.texts.size(), 1u);
    const CTextBlock& text = *dev.texts[0];
    EXPECT_EQ(text.lines, (std::vector<std::string>{"first line", "second line"}));
    EXPECT_EQ(text.fontName, "Arial");
    EXPECT_EQ((std::vector<double>{double(text.fontSize), double(text.color), text.rect[2]}),
              (std::vector<double>{14, 0x00FF0000, 30}));

    // Pictures: each has its own material in imageMaterials holding the texture, and no bitmap.
    ASSERT_EQ(dev.imagesA.size(), 1u);
    ASSERT_EQ(dev.imagesB.size(), 1u);
    ASSERT_EQ(dev.imageMaterials.size(), 2u);
    EXPECT_EQ(dev.imagesA[0]->material, dev.imageMaterials[0].get());
    EXPECT_EQ(dev.imagesB[0]->material, dev.imageMaterials[1].get());
    EXPECT_EQ(dev.imagesA[0]->rect[2], -20);
    EXPECT_EQ(dev.imageMaterials[0]->texture->width, 3);
    EXPECT_EQ(dev.imageMaterials[1]->texture->height, 2);
    EXPECT_EQ(dev.imageMaterials[0]->bitmap, nullptr);
}

TEST(BinaryReader, RefusesVersionsOutsideTwoToFour) {
    // Version 1 is too old, 5 too new: result 3, and the message is the only one.
    TriangleFile old;
    old.version = 1;
    auto l = Load(old);
    EXPECT_EQ(l->result, kLoadVersionRefused);
    EXPECT_EQ(l->prompt.texts, std::vector<std::string>{kTooOld});
    EXPECT_TRUE(l->doc->model->solids.empty());
    TriangleFile newer;
    newer.version = 5;
    EXPECT_EQ(Load(newer)->prompt.texts, std::vector<std::string>{kTooNew});
    EXPECT_EQ(Load(newer)->result, kLoadVersionRefused);

    // Versions 2 and 3 share the layout of version 4.
    for (int32_t version : {2, 3}) {
        TriangleFile triangle;
        triangle.version = version;
        triangle.minorVersion = 7; // the minor version only matters for version 4
        l = Load(triangle);
        EXPECT_EQ(l->result, kLoadOk) << "version " << version << ": " << l->reason;
        EXPECT_TRUE(l->prompt.texts.empty());
    }

    // All five header fields are read before the test: a version-1 file cut inside the locale fails to
    // read instead of being refused.
    BuiltFile cut = BuildTriangleFile(old);
    cut.bytes.resize(cut.at.at("version") + 14);
    l = Load(cut.bytes);
    EXPECT_EQ(l->result, kLoadFailed);
    EXPECT_TRUE(l->prompt.texts.empty());
    EXPECT_EQ(l->reason, "the file ends inside the header fields");
}

TEST(BinaryReader, WithoutDevelopmentTheSettingsFollowTheMaterials) {
    TriangleFile triangle;
    triangle.hasDevelopment = false;
    triangle.locale = "ja-JP"; // the language check needs a development with texts
    triangle.display = ChangedDisplaySettings();
    auto l = Load(triangle);
    ASSERT_EQ(l->result, kLoadOk) << l->reason;
    EXPECT_EQ(l->doc->development, nullptr);
    EXPECT_TRUE(l->prompt.texts.empty());
    ExpectSameDisplaySettings(l->doc->display, ChangedDisplaySettings());
    // No development: nothing to classify and no part extents.
    EXPECT_EQ(Count(l->completion.calls, "ClassifyPartLines"), 0u);
    EXPECT_EQ(Count(l->completion.calls, "ComputePartExtent"), 0u);
}

TEST(BinaryReader, LanguageCheckComparesTheLocaleIgnoringCase) {
    // Only the letter case differs from en-US: no message.
    TriangleFile mixedCase;
    mixedCase.locale = "EN-us";
    EXPECT_TRUE(Load(mixedCase)->prompt.texts.empty());

    // Another locale, level 101 and one text: the message, once, after everything was read (the settings
    // at the end of the file are already applied when it shows).
    TriangleFile other;
    other.locale = "ja-JP";
    other.display = ChangedDisplaySettings();
    other.minorVersion = 1;
    auto l = Load(other);
    EXPECT_EQ(l->result, kLoadOk);
    EXPECT_EQ(l->prompt.texts, (std::vector<std::string>{kNewMinor, kOtherLanguage}));
    EXPECT_EQ(l->doc->display.dDefaultFlapHeightMM, ChangedDisplaySettings().dDefaultFlapHeightMM);

    // The same file written at level 100 shows nothing.
    other.minorVersion = 0;
    other.writerLevel = 100;
    EXPECT_TRUE(Load(other)->prompt.texts.empty());

    // Level 101 but no text: nothing to misdisplay.
    other.writerLevel = 101;
    other.textCount = 0;
    EXPECT_TRUE(Load(other)->prompt.texts.empty());

    // Several texts still give one message.
    other.textCount = 3;
    EXPECT_EQ(Load(other)->prompt.texts, std::vector<std::string>{kOtherLanguage});
}

TEST(BinaryReader, LineSideWithoutACornerAtTheVertexStaysNull) {
    TriangleFile triangle;
    triangle.line0First[1] = 3; // vertex 3 lies on no face
    triangle.line0HasSecond = true;
    triangle.line0Second[1] = 1;
    auto l = Load(triangle);
    ASSERT_EQ(l->result, kLoadOk) << l->reason;
    const CFace& face = *l->doc->model->solids[0]->faces[0];
    const CPartLine& line = *l->doc->development->parts[0]->lines[0];
    EXPECT_EQ(line.first, nullptr);
    EXPECT_EQ(line.second, face.Corner(1));
    // The edge is that of the side that was found.
    EXPECT_EQ(line.edge, face.Corner(1)->edge);
    // Corner 0 belongs to no line now (and corner 1 to line 1, the last line naming it).
    EXPECT_EQ(face.Corner(0)->line, nullptr);
    EXPECT_EQ(face.Corner(1)->line, l->doc->development->parts[0]->lines[1].get());
}

TEST(BinaryReader, LineSpacingIsTruncatedTowardZero) {
    for (const auto& [stored, expected] :
         std::vector<std::pair<double, int>>{{2.9, 2}, {-2.9, -2}, {7.0, 7}}) {
        TriangleFile triangle;
        triangle.lineSpacing = stored;
        auto l = Load(triangle);
        ASSERT_EQ(l->result, kLoadOk) << l->reason;
        EXPECT_EQ(l->doc->development->texts[0]->lineSpacing, expected) << stored;
    }
}

TEST(BinaryReader, OpeningAppliesTheSettingsAndClassifiesRightAfterTheValleyDashes) {
    const DisplaySettings before;
    TriangleFile triangle;
    triangle.display = ChangedDisplaySettings();
    auto doc = std::make_unique<Document>();
    RecordingPrompt prompt;
    RecordingCompletion completion;
    DisplaySettings atClassify;
    completion.onClassify = [&](const DisplaySettings& display) { atClassify = display; };
    BinaryReader reader("t.tsm", *doc, 0, prompt, completion);
    ASSERT_EQ(reader.LoadFromBytes(BuildTriangleFile(triangle).bytes), kLoadOk) << reader.FailureReason();
    ExpectSameDisplaySettings(doc->display, triangle.display);
    EXPECT_EQ(Count(completion.calls, "ClassifyPartLines"), 1u);
    // At the classification the dash patterns are in place, the two last settings are not yet.
    EXPECT_EQ(atClassify.valleyDash[0], triangle.display.valleyDash[0]);
    EXPECT_EQ(atClassify.bOmitFlatEdge, triangle.display.bOmitFlatEdge);
    EXPECT_EQ(atClassify.iFlatEdgeAngle, triangle.display.iFlatEdgeAngle);
    EXPECT_EQ(atClassify.bColorFlapWithFace, before.bColorFlapWithFace);
    EXPECT_EQ(atClassify.dDefaultFlapHeightMM, before.dDefaultFlapHeightMM);
}

TEST(BinaryReader, ImportingDiscardsTheSettingsAndDoesNotClassify) {
    TriangleFile triangle;
    triangle.display = ChangedDisplaySettings();
    auto l = Load(triangle, 1);
    ASSERT_EQ(l->result, kLoadOk) << l->reason;
    ExpectSameDisplaySettings(l->doc->display, DisplaySettings());
    EXPECT_EQ(Count(l->completion.calls, "ClassifyPartLines"), 0u);
    // The rest of the file is still read completely.
    EXPECT_EQ(l->doc->development->imagesB.size(), 1u);
}

TEST(BinaryReader, CallsTheCompletionStepsInFileOrder) {
    // The face ring closes before its edges; incidence and symmetry follow all edges; extents and the
    // classification come last; nothing else is called.
    EXPECT_EQ(Load(TriangleFile{})->completion.calls,
              (std::vector<std::string>{"LinkFaceRing", "UpdateEdgeGeometry", "UpdateEdgeGeometry",
                                        "UpdateEdgeGeometry", "RebuildVertexIncidence", "FindSymmetricEdges",
                                        "ComputePartExtent", "ClassifyPartLines"}));
}

TEST(BinaryReader, EmbeddedTexturesAreLimitedWhileTheirBitmapKeepsTheFullSize) {
    Settings settings;
    settings.bLimitTextureSizeByUser = true;
    settings.iTtextureLimitSizeID = 2; // 256
    TriangleFile triangle;
    triangle.textureWidth = 2048;
    triangle.textureHeight = 2048;
    auto l = Load(triangle, 0, settings);
    ASSERT_EQ(l->result, kLoadOk) << l->reason;
    const CMaterial& material = *l->doc->model->materials[0];
    EXPECT_EQ(material.texture->width, 256);
    EXPECT_EQ(material.texture->height, 256);
    EXPECT_EQ(material.texture->pixels.size(), 256u * 256u * 3u);
    ASSERT_NE(material.bitmap, nullptr);
    EXPECT_EQ(material.bitmap->width, 2048);
    EXPECT_EQ(material.bitmap->height, 2048);
}

TEST(BinaryReader, HeaderLineRunsToTheFirstLineFeedWithinFiveHundredElevenBytes) {
    // A 511-byte header line (line feed included) is the longest that is skipped whole.
    TriangleFile triangle;
    triangle.headerLine = "version 3" + std::string(501, ' ') + "\n";
    ASSERT_EQ(triangle.headerLine.size(), 511u);
    auto l = Load(triangle);
    EXPECT_EQ(l->result, kLoadOk) << l->reason;
    // Text after "version 3" on the line is not looked at.
    triangle.headerLine = "version 3 saved by hand\n";
    EXPECT_EQ(Load(triangle)->result, kLoadOk);
    // Without any byte there is no header line.
    l = Load(std::string());
    EXPECT_EQ(l->result, kLoadFailed);
    EXPECT_EQ(l->reason, "the file is empty");
}

TEST(BinaryReader, LoadReadsTheFileAndReportsFilesItCannotRead) {
    testimage::TempFolder dir;
    // Bytes after the trailer are not looked at.
    const std::string path = dir.Write("triangle.tsm", BuildTriangleFile().bytes + "trailing bytes");
    Document doc;
    RecordingPrompt prompt;
    RecordingCompletion completion;
    BinaryReader reader(path, doc, 0, prompt, completion);
    EXPECT_EQ(reader.Load(), kLoadOk) << reader.FailureReason();
    EXPECT_EQ(doc.model->solids.size(), 1u);

    Document missing;
    BinaryReader missingReader(dir.File("nothing.tsm"), missing, 0, prompt, completion);
    EXPECT_EQ(missingReader.Load(), kLoadFailed);
    EXPECT_EQ(missingReader.FailureReason().rfind("the file cannot be opened", 0), 0u)
        << missingReader.FailureReason();

    Document folder;
    BinaryReader folderReader(dir.File(""), folder, 0, prompt, completion);
    EXPECT_EQ(folderReader.Load(), kLoadFailed);
    EXPECT_FALSE(folderReader.FailureReason().empty());
    EXPECT_TRUE(prompt.texts.empty());

    // A file too large to hold in memory is refused before anything is read (a sparse file costs nothing).
    const std::string large = dir.Write("large.tsm", BuildTriangleFile().bytes);
    std::filesystem::resize_file(large, (uintmax_t(2) << 30) + 1);
    Document huge;
    BinaryReader largeReader(large, huge, 0, prompt, completion);
    EXPECT_EQ(largeReader.Load(), kLoadFailed);
    EXPECT_EQ(largeReader.FailureReason(), "the file is larger than 2 GiB");
    EXPECT_TRUE(huge.model->solids.empty());
}

TEST(BinaryReader, SolidOutsideTheDevelopmentKeepsItsPartIndexAndJoinsNoPart) {
    for (int32_t index : {-1, 5}) {
        TriangleFile triangle;
        triangle.inDevelopment = false;
        triangle.partIndex = index;
        auto l = Load(triangle);
        ASSERT_EQ(l->result, kLoadOk) << l->reason;
        const CFace& face = *l->doc->model->solids[0]->faces[0];
        EXPECT_EQ(face.partIndex, index);
        EXPECT_EQ(face.part, nullptr);
        EXPECT_TRUE(l->doc->development->parts[0]->faces.empty());
    }
}
