#include "model/TextReader.h"

#include "model/Settings.h"
#include "tests/support/RecordingCompletion.h"
#include "tools/lib/Invariants.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tsm;
using namespace tsm::test;

namespace {

std::string Fixture(const std::string& name) {
    return std::string(TESSALY_SOURCE_DIR) + "/tests/data/text/" + name;
}

struct Loaded {
    std::unique_ptr<Document> doc = std::make_unique<Document>();
    RecordingPrompt prompt;
    Outcome::Kind result = Outcome::Kind::Failed;
    std::string reason;
};

// Reads the file at `path`, or `bytes` when the path is empty.
std::unique_ptr<Loaded> Read(const std::string& path, const std::string& bytes, IModelCompletion& completion,
                             ImportKind kind = ImportKind::Open, const Settings& settings = Settings()) {
    auto loaded = std::make_unique<Loaded>();
    TextReader reader(path.empty() ? "inline.tsm" : path, *loaded->doc, kind, loaded->prompt, completion,
                      settings);
    const Outcome outcome = path.empty() ? reader.LoadFromBytes(bytes) : reader.Load();
    loaded->result = outcome.kind();
    loaded->reason = outcome.reason();
    return loaded;
}

std::unique_ptr<Loaded> LoadFile(const std::string& path, IModelCompletion& completion,
                                 ImportKind kind = ImportKind::Open, const Settings& settings = Settings()) {
    return Read(path, "", completion, kind, settings);
}

std::unique_ptr<Loaded> LoadText(const std::string& bytes, IModelCompletion& completion) {
    return Read("", bytes, completion);
}

void ExpectInvariants(const Document& doc) {
    for (const std::string& violation : CheckModelInvariants(doc)) ADD_FAILURE() << violation;
}

// The twenty colour numbers of a material record.
const std::string kColours = "1 1 1 1 1 1 1 1 0 0 0 1 0 0 0 1 0\n1 1 1\n";

// A one-triangle solid in part 0 whose corners have the given flap heights (cm), plus one part record.
std::string TriangleWithPart() {
    return "solids 1\nsolid\nTri\n1\nvertices 3\n0 0 0\n1 0 0\n0 1 0\nfaces 1\n-1 0 0 0 1 0 3\n"
           "0 0 0 0 0 1 1 0.5\n1 1 0 0 0 0 1 0.5\n2 0 1 0 0 0 1 0.5\n"
           "edges 3\n0 -1 0 1 0 0\n0 -1 1 2 0 0\n0 -1 2 0 0 0\nparts 1\n0 0 0 1 1\n";
}

} // namespace

TEST(TextReader, ReadsEveryRecordOfATetrahedron) {
    RecordingCompletion completion; // leaves what the reader and the conversion wrote untouched
    auto l = LoadFile(Fixture("tetra.tsm"), completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok) << l->reason;
    EXPECT_TRUE(l->prompt.texts.empty());
    const Mesh& model = *l->doc->model;
    EXPECT_EQ(model.size, 1.0); // from the "model" box, as stored

    ASSERT_EQ(model.solids.size(), 1u);
    const Solid& solid = *model.solids[0];
    EXPECT_EQ(solid.name, "Tetra");
    ASSERT_EQ(solid.vertices.size(), 4u);
    // dMag3d 2 halves every position.
    EXPECT_TRUE((solid.vertices[3]->position == Vec3{0, 0, 1}));

    ASSERT_EQ(solid.faces.size(), 4u);
    const Face &f0 = *solid.faces[0], &f1 = *solid.faces[1], &f2 = *solid.faces[2], &f3 = *solid.faces[3];
    EXPECT_EQ((std::vector<int>{f0.materialIndex, f2.materialIndex, f3.materialIndex, f1.partIndex}),
              (std::vector<int>{0, -1, 1, 1}));
    EXPECT_EQ(f3.plane[3], -1.155); // the stored plane; the recording completion recomputes nothing
    for (const Face* face : {&f0, &f1, &f2, &f3})
        for (const auto& h : face->halfEdges) EXPECT_EQ(h->flapHeight, 5.0); // 0.5 cm
    const HalfEdge& c00 = *f0.halfEdges[0];
    EXPECT_EQ(c00.vertex, solid.vertices[0].get());
    // Development lengths: cm times 10 times dMag2d 1.5.
    EXPECT_DOUBLE_EQ(c00.x2d, 10.5);
    EXPECT_EQ(f3.halfEdges[0]->u, 0.25);
    EXPECT_EQ(f3.halfEdges[0]->v, 0.5);

    ASSERT_EQ(solid.edges.size(), 6u);
    const Edge &e0 = *solid.edges[0], &e2 = *solid.edges[2];
    EXPECT_EQ(e0.halfEdge1, f1.halfEdges[0].get());
    EXPECT_EQ(e0.halfEdge2, f0.halfEdges[2].get());
    // A cut edge has twins but no joined sides; a folded one has both.
    EXPECT_EQ(e0.halfEdge1->twin, e0.halfEdge2);
    EXPECT_EQ(e0.halfEdge1->Joined(), nullptr);
    EXPECT_EQ(e2.halfEdge1->Joined(), e2.halfEdge2);
    EXPECT_EQ(e2.halfEdge2->Joined(), e2.halfEdge1);

    ASSERT_EQ(model.materials.size(), 2u);
    const Material& red = *model.materials[0];
    EXPECT_EQ((std::vector<float>{red.ambient[0], red.diffuse[0], red.specular[2], red.shininess,
                                  red.flatColor[0]}),
              (std::vector<float>{1.0f, 0.8f, 0.5f, 10.0f, 0.9f}));
    ASSERT_NE(red.texture, nullptr);
    EXPECT_EQ(std::string(red.texture->pixels.begin(), red.texture->pixels.end()), "abcdefghijkl");
    // A name line that starts with "#" is a name.
    EXPECT_EQ(model.materials[1]->name, "# Blue, a name and not a comment");

    ASSERT_NE(l->doc->development, nullptr);
    const Development& dev = *l->doc->development;
    EXPECT_DOUBLE_EQ(dev.scale, 30.0); // 1.5 x 2 x 10
    EXPECT_TRUE(dev.reversed);
    ASSERT_EQ(dev.parts.size(), 2u);
    const Part &p0 = *dev.parts[0], &p1 = *dev.parts[1];
    EXPECT_DOUBLE_EQ(p1.y, 15.0);
    EXPECT_EQ(p0.faces, (std::vector<Face*>{solid.faces[0].get(), solid.faces[3].get()}));
    EXPECT_EQ(p1.faces, (std::vector<Face*>{solid.faces[1].get(), solid.faces[2].get()}));

    // Part lines: one per edge side in the part, both sides of a folded edge in one record.
    ASSERT_EQ(p0.lines.size(), 5u);
    ASSERT_EQ(p1.lines.size(), 5u);
    const PartLine &cut = *p0.lines[0], &fold = *p0.lines[1];
    EXPECT_EQ(cut.first, f0.halfEdges[0].get());
    EXPECT_EQ(cut.second, nullptr);
    EXPECT_EQ(cut.edge, solid.edges[1].get());
    EXPECT_FALSE(cut.hidden);
    EXPECT_EQ(cut.lineKind, LineKind::NoFlap); // the edge has a twin
    EXPECT_EQ(fold.second, f3.halfEdges[0].get());
    EXPECT_EQ(f3.halfEdges[0]->line, &fold);
    // The corner's foldShown 0 hides the fold line built on it.
    EXPECT_EQ(p1.lines[2]->first, f1.halfEdges[2].get());
    EXPECT_TRUE(p1.lines[2]->hidden);

    // Folded edges: the smaller face carries the flap; on equal areas the side visited last keeps it. Cut
    // edges keep the flags of the file.
    EXPECT_EQ(
        (std::vector<bool>{f0.halfEdges[1]->hasFlap, f3.halfEdges[0]->hasFlap, f2.halfEdges[0]->hasFlap,
                           f1.halfEdges[2]->hasFlap, f0.halfEdges[0]->hasFlap, f0.halfEdges[2]->hasFlap}),
        (std::vector<bool>{true, false, true, false, true, false}));

    ASSERT_EQ(dev.texts.size(), 1u);
    const TextBlock& text = *dev.texts[0];
    // 5 cm x 15, less the height.
    EXPECT_EQ((std::vector<double>(text.rect, text.rect + 4)), (std::vector<double>{15.0, 70.0, 30.0, 5.0}));
    EXPECT_EQ((std::vector<int>{text.fontSize, text.color, text.lineSpacing}),
              (std::vector<int>{12, 255 + 256 * 128, 2}));

    // Automatic flap angles only when the setting asks for them.
    EXPECT_EQ(std::count(completion.calls.begin(), completion.calls.end(), "AutoFlapAnglesAll"), 0);
    Settings automatic;
    automatic.autoFlapAnglesForOldFiles = true;
    RecordingCompletion on;
    ASSERT_EQ(LoadFile(Fixture("tetra.tsm"), on, ImportKind::Open, automatic)->result, Outcome::Kind::Ok);
    EXPECT_EQ(std::count(on.calls.begin(), on.calls.end(), "AutoFlapAnglesAll"), 1);
}

TEST(TextReader, MissingFileAndTextureRowsPastTheEndFailTheLoad) {
    // Bad input -> reason words and messages: a missing file shows "error" directly followed by the path;
    // otherwise the pipeline shows the reason.
    const std::string path = Fixture("no-such-file.tsm");
    const std::tuple<std::string, std::string, std::vector<std::string>> cases[] = {
        {path, "the file cannot be opened", {"error" + path}},
        {Fixture("truncated-texture.tsm"), "material 0 \"Cut short\"", {}},
        {Fixture("truncated-texture.tsm"), "runs past the end of the file", {}}};
    for (const auto& [file, words, messages] : cases) {
        RecordingCompletion recording;
        auto failed = LoadFile(file, recording);
        EXPECT_EQ(failed->result, Outcome::Kind::Failed);
        EXPECT_NE(failed->reason.find(words), std::string::npos) << failed->reason;
        EXPECT_EQ(failed->prompt.texts, messages);
    }
}

TEST(TextReader, WithoutInfoNothingIsConverted) {
    test::RecordingCompletion completion;
    auto l = LoadFile(Fixture("sheet-no-info.tsm"), completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok) << l->reason;
    ExpectInvariants(*l->doc);
    const Solid& solid = *l->doc->model->solids[0];
    EXPECT_TRUE((solid.vertices[2]->position == Vec3{2, 2, 0}));
    EXPECT_EQ(solid.faces[0]->halfEdges[1]->x2d, 1.0); // still centimetres
    EXPECT_EQ(solid.faces[0]->halfEdges[1]->flapHeight, 5.0);
    // Edges are not completed and no part lines exist.
    for (const auto& edge : solid.edges) EXPECT_EQ(edge->length, 0.0);
    ASSERT_NE(l->doc->development, nullptr);
    const Development& dev = *l->doc->development;
    EXPECT_TRUE(dev.parts[0]->lines.empty());
    EXPECT_EQ(dev.parts[0]->x, 2.0);
    EXPECT_EQ(dev.scale, 1.0);
    EXPECT_FALSE(dev.reversed);
    // The joined edge keeps both file flags: no side was chosen.
    EXPECT_FALSE(solid.faces[0]->halfEdges[2]->hasFlap);
    EXPECT_FALSE(solid.faces[1]->halfEdges[0]->hasFlap);
}

TEST(TextReader, OpenEdgesGetLineKindsFromFlapAndTypeFlag) {
    test::RecordingCompletion completion;
    auto l = LoadFile(Fixture("sheet.tsm"), completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok) << l->reason;
    const Solid& solid = *l->doc->model->solids[0];
    ASSERT_EQ(solid.edges.size(), 5u);
    // Types: 22 = flag + 6 (class 1), 6 (class 1), 23 = flag + 7 (class 2), 16 = flag alone (class 0).
    std::vector<std::pair<bool, EdgeClass>> types;
    for (int e = 1; e < 5; ++e) types.emplace_back(solid.edges[e]->typeFlag, solid.edges[e]->edgeClass);
    EXPECT_EQ(types, (std::vector<std::pair<bool, EdgeClass>>{{true, EdgeClass::MarkedOpen},
                                                              {false, EdgeClass::MarkedOpen},
                                                              {true, EdgeClass::MarkedJoined},
                                                              {true, EdgeClass::Free}}));
    EXPECT_EQ(solid.edges[1]->halfEdge2, nullptr); // open: one side only
    EXPECT_EQ(solid.edges[1]->halfEdge1->twin, nullptr);

    ASSERT_NE(l->doc->development, nullptr);
    ASSERT_EQ(l->doc->development->parts[0]->lines.size(), 5u);
    const Face& f0 = *solid.faces[0];
    const Face& f1 = *solid.faces[1];
    // Flap on an open edge: kind 1 with the type flag, 2 without; no flap: kind 0 whatever the flag.
    EXPECT_EQ((std::vector<LineKind>{f0.halfEdges[0]->line->lineKind, f0.halfEdges[1]->line->lineKind,
                                     f1.halfEdges[1]->line->lineKind, f1.halfEdges[2]->line->lineKind,
                                     f0.halfEdges[2]->line->lineKind}),
              (std::vector<LineKind>{LineKind::MountainFlap, LineKind::ValleyFlap, LineKind::MountainFlap,
                                     LineKind::NoFlap, LineKind::NoFlap}));
    EXPECT_EQ(f0.halfEdges[2]->line->second, f1.halfEdges[0].get()); // folded
    // Two faces of equal area: the side visited last (face 1's) keeps the flap.
    EXPECT_TRUE(f1.halfEdges[0]->hasFlap);
    EXPECT_FALSE(f0.halfEdges[2]->hasFlap);
    // An empty info section still converts, with every default.
    EXPECT_EQ(l->doc->development->scale, 10.0);
}

TEST(TextReader, CommentsNamesAndKeywords) {
    // Comments between sections lose the rest of their line, whether or not a space follows the "#", but
    // at most 512 bytes of it. Windows line ends leave no carriage return in a name (and the version needs
    // no min_version); names hold up to 255 characters. Keywords are whole, case-sensitive words; anything
    // else at the top level is ignored.
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"# solids 1\nsolid\nA\n1\n", {}},
        {"#solids 1\nsolid\nA\n1\n", {}},
        {"# a comment\nsolids 1\nsolid\nAfter\n1\n", {"After"}},
        {"# " + std::string(600, 'x') + " solids 1\nsolid\nTail\n1\n", {"Tail"}},
        {"version 2\r\nsolids 1\r\nsolid\r\nBox one\r\n1\r\nend\r\n", {"Box one"}},
        {"solids 1\nsolid\n" + std::string(300, 'n') + "\n1\nend", {std::string(255, 'n')}},
        {"Solids 1\nsolid\nA\n1\nsolids1\nend solids 1\nsolid\nB\n1\n", {}},
    };
    RecordingCompletion completion;
    for (const auto& [text, names] : cases) {
        auto l = LoadText(text, completion);
        std::vector<std::string> read;
        for (const auto& solid : l->doc->model->solids) read.push_back(solid->name);
        EXPECT_EQ(read, names) << text.substr(0, 40);
    }
    // Fonts and text lines hold up to 511 characters.
    auto longText = LoadText(TriangleWithPart() + "text 1\n0\n" + std::string(600, 'f') + "\n" +
                                 std::string(600, 't') + "\n10 0 0 1 1\ncolor 0 0 0\nend",
                             completion);
    ASSERT_NE(longText->doc->development, nullptr);
    ASSERT_EQ(longText->doc->development->texts.size(), 1u);
    EXPECT_EQ(longText->doc->development->texts[0]->fontName, std::string(511, 'f'));
    EXPECT_EQ(longText->doc->development->texts[0]->lines[0], std::string(511, 't'));
    // Words that are not numbers read as 0.
    auto words = LoadText("solids 1\nsolid\nW\nyes\nvertices 1\nx 1,5 2.5e0\n", completion);
    ASSERT_EQ(words->doc->model->solids.size(), 1u);
    EXPECT_FALSE(words->doc->model->solids[0]->inDevelopment);
    EXPECT_TRUE((words->doc->model->solids[0]->vertices[0]->position == Vec3{0, 1, 2.5}));
}

TEST(TextReader, InfoKeysSetTheDisplaySettings) {
    RecordingCompletion completion;
    auto l = LoadFile(Fixture("settings.tsm"), completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok);
    EXPECT_TRUE(l->doc->model->solids.empty());
    EXPECT_EQ(l->doc->development, nullptr);
    const DisplaySettings& s = l->doc->display;
    const DisplaySettings defaults;
    EXPECT_EQ(s.marginSideMM, 12); // 1.25 cm, truncated
    EXPECT_EQ(s.marginTopMM, -9);  // toward zero
    // Valley code 2: style 2 with the pattern (2, 1, 0.5, 1).
    EXPECT_EQ(s.valleyLineStyle, 2);
    const double patternB[6] = {2.0, 1.0, 0.5, 1.0, -1, -1};
    EXPECT_TRUE(std::equal(std::begin(s.valleyDash), std::end(s.valleyDash), patternB));
    // Mountain code 5: style 1, and its dash pattern stays as it was.
    EXPECT_EQ(s.mountainLineStyle, 1);
    EXPECT_TRUE(std::equal(std::begin(s.mountainDash), std::end(s.mountainDash), defaults.mountainDash));
    EXPECT_EQ(s.cutLineStyle, 1);
    EXPECT_EQ(s.paperSize, 4); // page type 5: B5 landscape
    EXPECT_EQ(s.paperOrientation, 1);
    EXPECT_EQ(s.edgeIdFontSizePt, 8);
    EXPECT_TRUE(s.invertEdgeIds);
    EXPECT_FALSE(s.omitFlatFolds);
    EXPECT_TRUE(s.whiteLinesUnderFolds);
    // The value of an unknown key is read as a key: "bObsoleteKey iAngleEps 99" sets the angle, while
    // the value word of "bEnableLineAlpha" is never taken for one.
    EXPECT_EQ(s.flatFoldAngleDegrees, 99);

    // Importing applies the info settings as well.
    auto imported = LoadFile(Fixture("settings.tsm"), completion, ImportKind::Import);
    ASSERT_EQ(imported->result, Outcome::Kind::Ok);
    EXPECT_EQ(imported->doc->display.marginSideMM, 12);
}

TEST(TextReader, DefaultFlapHeightIsTheMeanOfTheLastSolid) {
    RecordingCompletion completion;
    auto l = LoadFile(Fixture("flap-height.tsm"), completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok);
    // 5, 5 and 6 mm: mean 5.33, to the tenth 5.3. The earlier solid's 8 mm is overwritten, and a solid
    // without corners changes nothing.
    EXPECT_EQ(l->doc->display.defaultFlapHeightMM, 5.3);
    ASSERT_EQ(l->doc->model->solids.size(), 3u);
    EXPECT_FALSE(l->doc->model->solids[1]->inDevelopment);
    // A "#" word inside a solid is skipped as a word: "vertices" on its line still counts.
    EXPECT_EQ(l->doc->model->solids[1]->faces[0]->halfEdges.size(), 3u);
    EXPECT_EQ(l->doc->model->solids[2]->name, "No corners");

    // The rounding goes half up, then truncates toward zero (so a negative mean rounds toward zero).
    auto negative = LoadText("solids 1\nsolid\nN\n1\nvertices 1\n0 0 0\nfaces 1\n-1 -1 0 0 1 0 2\n"
                             "0 0 0 0 0 0 0 -0.534\n0 0 0 0 0 0 0 -0.534\n",
                             completion);
    ASSERT_EQ(negative->result, Outcome::Kind::Ok);
    EXPECT_EQ(negative->doc->display.defaultFlapHeightMM, -5.2);
}

TEST(TextReader, BadIndicesSkipTheirRecords) {
    test::RecordingCompletion completion;
    auto l = LoadFile(Fixture("bad-indices.tsm"), completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok) << l->reason;
    ExpectInvariants(*l->doc);
    const Solid& solid = *l->doc->model->solids[0];
    ASSERT_EQ(solid.faces.size(), 3u);
    const Face& f0 = *solid.faces[0];
    // The corner naming vertex 7 is left out; the others keep their order.
    ASSERT_EQ(f0.halfEdges.size(), 3u);
    EXPECT_EQ(f0.halfEdges[2]->vertex, solid.vertices[2].get());
    // Material 5 does not exist: no material.
    EXPECT_EQ(f0.materialIndex, -1);
    EXPECT_EQ(solid.faces[1]->materialIndex, -1);
    // A negative corner count gives a face without corners.
    EXPECT_TRUE(solid.faces[1]->halfEdges.empty());
    // Edges with an index out of range, on a corner that already has an edge, or twice on one corner
    // are dropped; an edge whose first face is -1 has only its second side.
    ASSERT_EQ(solid.edges.size(), 2u);
    EXPECT_EQ(solid.edges[0]->halfEdge1, f0.halfEdges[0].get());
    EXPECT_EQ(solid.edges[1]->halfEdge1, nullptr);
    EXPECT_EQ(solid.edges[1]->halfEdge2, f0.halfEdges[2].get());
    EXPECT_EQ(f0.halfEdges[1]->edge, nullptr);
    // The part of solid 3 is left out; faces naming it or no record at all stay outside.
    ASSERT_NE(l->doc->development, nullptr);
    const Development& dev = *l->doc->development;
    ASSERT_EQ(dev.parts.size(), 1u);
    EXPECT_EQ(f0.part, dev.parts[0].get());
    EXPECT_EQ(solid.faces[1]->part, nullptr);
    EXPECT_EQ(solid.faces[2]->part, nullptr);
    EXPECT_EQ(dev.parts[0]->faces.size(), 1u);
    EXPECT_TRUE(l->doc->model->materials.empty());
    EXPECT_TRUE(dev.texts.empty());
}

TEST(TextReader, ATextureOfNoPixelsGivesNoTexture) {
    RecordingCompletion completion;
    // A texture of no pixels reads no bytes and gives no texture; the next record is read as usual.
    const std::string noPixels = "materials 2\nmaterial\nEmpty\n" + kColours +
                                 "texture 1\nempty.bmp\n0 5\nmaterial\nNext\n" + kColours + "texture 0\n";
    auto empty = LoadText(noPixels, completion);
    ASSERT_EQ(empty->result, Outcome::Kind::Ok);
    ASSERT_EQ(empty->doc->model->materials.size(), 2u);
    EXPECT_EQ(empty->doc->model->materials[0]->texture, nullptr);
    EXPECT_EQ(empty->doc->model->materials[1]->name, "Next");
}

TEST(TextReader, DefaultMaterialTakesNameAndTextureButNotColours) {
    RecordingCompletion completion;
    auto l =
        LoadText("defaultmaterial\nmaterial\nBase\n0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 "
                 "0.25 0.25 0.25 0.25 0.25 0.25 0.25\n0.25 0.25 0.25\ntexture 1\nbase.bmp\n1 1\nxyz\nend",
                 completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok);
    const Material& base = l->doc->model->defaultMaterial;
    EXPECT_EQ(base.name, "Base");
    EXPECT_EQ(base.ambient[0], 1.0f);
    EXPECT_EQ(base.flatColor[0], 1.0f);
    ASSERT_NE(base.texture, nullptr);
    EXPECT_EQ(std::string(base.texture->pixels.begin(), base.texture->pixels.end()), "xyz");
    EXPECT_NE(base.bitmap, nullptr);
    EXPECT_TRUE(l->doc->model->materials.empty());
}

TEST(TextReader, HugeCountsStopAtTheEndOfTheFile) {
    test::RecordingCompletion completion;
    auto l = LoadFile(Fixture("huge-counts.tsm"), completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok);
    ASSERT_EQ(l->doc->model->solids.size(), 1u);
    EXPECT_EQ(l->doc->model->solids[0]->vertices.size(), 1u);

    // The same for every other count.
    for (const char* file :
         {"solids 1\nsolid\nS\n1\nvertices 0\nfaces 2000000000\n0 0 0 0 0 0 2000000000\n1 2 3",
          "solids 1\nsolid\nS\n1\nvertices 1\n0 0 0\nfaces 0\nedges 2147483647\n0 -1 0 0 0 0",
          "materials 2000000000\nmaterial\nM\n", "parts 2000000000\n0 0 0 1 1",
          "text 2000000000\n0\nA\nb\n"}) {
        auto huge = LoadText(file, completion);
        EXPECT_EQ(huge->result, Outcome::Kind::Ok) << file;
        ExpectInvariants(*huge->doc);
    }
}

TEST(TextReader, SectionsInAnyOrder) {
    test::RecordingCompletion completion;
    auto l = LoadFile(Fixture("any-order.tsm"), completion);
    ASSERT_EQ(l->result, Outcome::Kind::Ok) << l->reason;
    ExpectInvariants(*l->doc);
    EXPECT_EQ(l->doc->model->materials[0]->name, "Grey");
    EXPECT_EQ(l->doc->model->solids[0]->faces[0]->materialIndex, 0);
    // Texts read before the development joined it when the parts created it, and were converted.
    ASSERT_NE(l->doc->development, nullptr);
    const Development& dev = *l->doc->development;
    ASSERT_EQ(dev.texts.size(), 2u);
    EXPECT_EQ(dev.texts[0]->lines, std::vector<std::string>{"first"});
    EXPECT_DOUBLE_EQ(dev.texts[0]->rect[1], 30.0);
    EXPECT_DOUBLE_EQ(dev.texts[1]->rect[1], -2.0);

    // A second parts section attaches the faces that name its records, and no face twice.
    std::string twoSections = "solids 1\nsolid\nTwo\n1\nvertices 3\n0 0 0\n1 0 0\n0 1 0\nfaces 2\n"
                              "-1 0 0 0 1 0 3\n0 0 0 0 0 0 1 0.5\n1 1 0 0 0 0 1 0.5\n2 0 1 0 0 0 1 0.5\n"
                              "-1 1 0 0 -1 0 3\n0 0 0 0 0 0 1 0.5\n2 0 1 0 0 0 1 0.5\n1 1 0 0 0 0 1 0.5\n"
                              "edges 0\nparts 1\n0 0 0 1 1\nparts 1\n0 5 0 1 1\n";
    auto two = LoadText(twoSections, completion);
    ASSERT_EQ(two->result, Outcome::Kind::Ok);
    ExpectInvariants(*two->doc);
    ASSERT_NE(two->doc->development, nullptr);
    const Development& twoDev = *two->doc->development;
    ASSERT_EQ(twoDev.parts.size(), 2u);
    EXPECT_EQ(twoDev.parts[0]->faces.size(), 1u);
    EXPECT_EQ(twoDev.parts[1]->faces.size(), 1u);
    EXPECT_EQ(two->doc->model->solids[0]->faces[1]->part, twoDev.parts[1].get());

    // Texts of a file that never gets a development are dropped.
    auto orphan = LoadText("text 1\n0\nArial\nhello\n10 1 1 1 1\ncolor 0 0 0\nend", completion);
    ASSERT_EQ(orphan->result, Outcome::Kind::Ok);
    EXPECT_EQ(orphan->doc->development, nullptr);
}
