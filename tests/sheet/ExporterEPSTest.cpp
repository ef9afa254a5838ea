// The EPS writer: exact statements for small hand-built developments, golden files for complete models,
// and Ghostscript rendering every golden file.

#include "sheet/ExporterEPS.h"

#include "engine/Classify.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/sheet/ExportFixtures.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

const char* const kHeader100x50 = "%!PS-Adobe EPSF-3\n%%BoundingBox:0 0 283 141\n";

std::string Eps(Development& dev, const Settings& settings, const EpsOptions& options = {}) {
    return ExporterEPS(settings, options).BuildText(dev);
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A 100 x 50 mm rectangle placed at (10, 20) whose four open edges are lines of the given kinds.
struct RectFixture : DevelopmentFixture {
    CFace* face = nullptr;
    CPart* part = nullptr;
    explicit RectFixture(std::vector<DrawKind> kinds = {DrawKind::Cut, DrawKind::Cut, DrawKind::Cut,
                                                        DrawKind::Cut}) {
        face = Face({Vertex(0, 0), Vertex(100, 0), Vertex(100, 50), Vertex(0, 50)});
        PairEdges();
        part = Part({face});
        part->x = 10;
        part->y = 20;
        MakeLines(part);
        for (size_t i = 0; i < 4; ++i) part->lines[i]->drawKind = kinds[i];
    }
};

// A triangle (0, 0), (20, 0), (10, 10) whose horizontal first edge carries the edge ID.
struct IdFixture : DevelopmentFixture {
    CFace* face = nullptr;
    explicit IdFixture(int id) {
        face = Face({Vertex(0, 0), Vertex(20, 0), Vertex(10, 10)});
        PairEdges();
        CPart* part = Part({face});
        MakeLines(part);
        face->Corner(0)->edge->edgeId = id;
    }
};

// The statements written for each edge ID: moveto, rotate and show.
std::string IdStatement(const std::string& x, const std::string& y, const std::string& angle, int id) {
    return "\ninitmatrix\n" + x + " " + y + " moveto\n" + angle + " rotate\n(" + std::to_string(id) + ")show";
}

class ExporterEPSTest : public testing::Test {
protected:
    Settings settings;
};

TEST_F(ExporterEPSTest, WithoutFlapsAndFillsOnlyHeaderColourAndLines) {
    settings.bDrawFlap = false;
    RectFixture f;
    EpsOptions options;
    options.notFillFaces = true;
    // The whole file: two header lines, an empty third line, no final newline, no showpage or trailer.
    EXPECT_EQ(Eps(f.Dev(), settings, options),
              std::string(kHeader100x50) +
                  "\n0.0 0.0 0.0 setrgbcolor"
                  "\n[] 0 setdash\n0.000000 141.732283 moveto\n283.464567 141.732283 lineto"
                  "\nstroke"
                  "\n[] 0 setdash\n283.464567 141.732283 moveto\n283.464567 0.000000 lineto"
                  "\nstroke"
                  "\n[] 0 setdash\n283.464567 0.000000 moveto\n0.000000 0.000000 lineto"
                  "\nstroke"
                  "\n[] 0 setdash\n0.000000 0.000000 moveto\n0.000000 141.732283 lineto"
                  "\nstroke");
}

TEST_F(ExporterEPSTest, BoundingBoxIsTheRecomputedFrameTruncated) {
    RectFixture f;
    // A stale frame must not leak into the file: the export measures the parts again.
    f.Dev().frame[2] = 999;
    f.Dev().frame[3] = 999;
    const std::string text = Eps(f.Dev(), settings);
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1), kHeader100x50);
    EXPECT_DOUBLE_EQ(f.Dev().frame[0], 10);
    EXPECT_DOUBLE_EQ(f.Dev().frame[1], 20);
    EXPECT_DOUBLE_EQ(f.Dev().frame[3], 50);
    // 99.9 mm is 283.18 points: truncated, not rounded up.
    RectFixture g;
    g.face->Corner(1)->x2d = 99.9;
    g.face->Corner(2)->x2d = 99.9;
    EXPECT_EQ(Eps(g.Dev(), settings).rfind("%!PS-Adobe EPSF-3\n%%BoundingBox:0 0 283 141\n\n", 0), 0u);
}

TEST_F(ExporterEPSTest, AllLineStylesNoneLeaveOnlyTheColourStatement) {
    settings.bDrawFlap = false;
    settings.iCutLineStyle = settings.iMountainLineStyle = settings.iValleyLineStyle = 1;
    RectFixture f({DrawKind::Cut, DrawKind::Mountain, DrawKind::Valley, DrawKind::FlapValley});
    EXPECT_EQ(Eps(f.Dev(), settings, {true, false}),
              std::string(kHeader100x50) + "\n0.0 0.0 0.0 setrgbcolor");
}

TEST_F(ExporterEPSTest, StyleChoosesThePatternAndKindChoosesTheStyle) {
    settings.bDrawFlap = false;
    const double valley[6] = {2, 1, 0.5, 1, -1, -1};
    std::copy(valley, valley + 6, settings.valleyDash);
    const double mountain[6] = {3, 1.5, 0.5, 1.5, 0.5, 1.5};
    std::copy(mountain, mountain + 6, settings.mountainDash);
    const std::string valleyDash = "\n[5.669291 2.834646 1.417323 2.834646 ] 0 setdash";
    const std::string mountainDash = "\n[8.503937 4.251969 1.417323 4.251969 1.417323 4.251969 ] 0 setdash";

    {
        // The example pattern; valley style on valley lines, mountain style on mountain lines.
        RectFixture f({DrawKind::Valley, DrawKind::Mountain, DrawKind::FlapValley, DrawKind::FlapMountain});
        const std::string text = Eps(f.Dev(), settings, {true, false});
        EXPECT_EQ(Count(text, valleyDash), 2u) << text;
        EXPECT_EQ(Count(text, mountainDash), 2u) << text;
        EXPECT_EQ(Count(text, "[] 0 setdash"), 0u);
    }
    {
        // A cut line with style 2 takes the valley pattern: the style names the pattern, not the kind.
        settings.iCutLineStyle = 2;
        settings.iMountainLineStyle = 2;
        settings.iValleyLineStyle = 3;
        RectFixture f({DrawKind::Cut, DrawKind::Mountain, DrawKind::Valley, DrawKind::Cut});
        const std::string text = Eps(f.Dev(), settings, {true, false});
        EXPECT_EQ(Count(text, valleyDash), 3u) << text;
        EXPECT_EQ(Count(text, mountainDash), 1u) << text;
    }
    {
        // A pattern whose first length is not positive is solid; a pair with a zero gap ends the list.
        settings.valleyDash[0] = 0;
        settings.mountainDash[3] = 0;
        RectFixture f({DrawKind::Valley, DrawKind::Mountain, DrawKind::Cut, DrawKind::Cut});
        settings.iCutLineStyle = 0;
        settings.iMountainLineStyle = 3;
        settings.iValleyLineStyle = 2;
        const std::string text = Eps(f.Dev(), settings, {true, false});
        EXPECT_EQ(Count(text, "\n[] 0 setdash\n"), 3u) << text;
        EXPECT_EQ(Count(text, "\n[8.503937 4.251969 ] 0 setdash\n"), 1u) << text;
    }
}

TEST_F(ExporterEPSTest, WhiteUnderlayGoesOnlyUnderNonSolidLines) {
    settings.bDrawFlap = false;
    settings.bDrawWhiteBkLine = true;
    settings.iMountainLineStyle = 3;
    settings.iCutLineStyle = 0;
    RectFixture f({DrawKind::Mountain, DrawKind::Cut, DrawKind::Cut, DrawKind::Cut});
    const std::string text = Eps(f.Dev(), settings, {true, false});
    // The first line (mountain, dashed) gets the white solid stroke first, then black again.
    const std::string expectedFirst = "\n0.0 0.0 0.0 setrgbcolor"
                                      "\n1.0 1.0 1.0 setrgbcolor\n[] 0 setdash"
                                      "\n0.000000 141.732283 moveto\n283.464567 141.732283 lineto\nstroke"
                                      "\n0.0 0.0 0.0 setrgbcolor"
                                      "\n[2.834646 2.834646 ] 0 setdash"
                                      "\n0.000000 141.732283 moveto\n283.464567 141.732283 lineto\nstroke"
                                      "\n[] 0 setdash\n283.464567 141.732283 moveto";
    EXPECT_EQ(text.substr(std::string(kHeader100x50).size(), expectedFirst.size()), expectedFirst);
    EXPECT_EQ(Count(text, "1.0 1.0 1.0 setrgbcolor"), 1u) << "solid cut lines get no underlay";
}

TEST_F(ExporterEPSTest, HiddenOmittedAndFlapOnlyLinesAreNotStroked) {
    settings.bDrawFlap = false;
    RectFixture f({DrawKind::Cut, DrawKind::Omitted, DrawKind::FlapOnly, DrawKind::Cut});
    f.part->lines[3]->hidden = true;
    const std::string text = Eps(f.Dev(), settings, {true, false});
    // Only the first line remains.
    EXPECT_EQ(Count(text, "stroke"), 1u) << text;
    EXPECT_EQ(Count(text, "moveto"), 1u);
}

// A 20 mm square laid counter-clockwise on the sheet whose first edge, (0, 0) -> (0, 20), carries a
// 5 mm flap with 45-degree base angles: tips at (-5, 5) and (-5, 15).
struct FlapFixture : DevelopmentFixture {
    CPart* part = nullptr;
    FlapFixture() {
        CFace* face = Face({Vertex(0, 0), Vertex(0, 20), Vertex(20, 20), Vertex(20, 0)});
        PairEdges();
        part = Part({face});
        MakeLines(part);
        for (auto& line : part->lines) line->drawKind = DrawKind::Cut;
        CHalfEdge* h = face->Corner(0);
        h->hasFlap = true;
        h->flapHeight = 5;
        part->lines[0]->drawKind = DrawKind::FlapMountain;
    }
};

TEST_F(ExporterEPSTest, FlapsAreFilledWhiteAndOutlinedOpenAtTheBase) {
    const std::string fill = "\nnewpath\n14.173228 56.692913 moveto\n0.000000 42.519685 lineto"
                             "\n0.000000 14.173228 lineto\n14.173228 0.000000 lineto\nclosepath"
                             "\n1.0 1.0 1.0 setrgbcolor\nfill";
    const std::string outline =
        "\n0.0 0.0 0.0 setrgbcolor\n14.173228 56.692913 moveto\n0.000000 42.519685 lineto"
        "\n0.000000 14.173228 lineto\n14.173228 0.000000 lineto\nstroke";
    const std::string header = "%!PS-Adobe EPSF-3\n%%BoundingBox:0 0 70 56\n";
    {
        // Flaps come first, straight after the header, filled and outlined.
        FlapFixture f;
        const std::string text = Eps(f.Dev(), settings, {true, false});
        EXPECT_EQ(text.substr(0, header.size() + fill.size() + outline.size()), header + fill + outline);
    }
    {
        // "Not fill flaps" keeps the outline only.
        FlapFixture f;
        const std::string text = Eps(f.Dev(), settings, {true, true});
        EXPECT_EQ(text.substr(0, header.size() + outline.size()), header + outline);
        EXPECT_EQ(Count(text, "fill"), 0u);
    }
    {
        // A hidden flap line still has its flap; only its own stroke is left out.
        FlapFixture f;
        f.part->lines[0]->hidden = true;
        const std::string text = Eps(f.Dev(), settings, {true, false});
        EXPECT_EQ(text.substr(0, header.size() + fill.size() + outline.size()), header + fill + outline);
        EXPECT_EQ(Count(text, "stroke"), 1u + 3u);
    }
    {
        // Flaps not shown: no flap statements at all, but the frame still measures the flap.
        settings.bDrawFlap = false;
        FlapFixture f;
        const std::string text = Eps(f.Dev(), settings, {true, false});
        EXPECT_EQ(text.rfind(header + "\n0.0 0.0 0.0 setrgbcolor\n[", 0), 0u) << text;
        EXPECT_EQ(Count(text, "stroke"), 4u);
    }
}

TEST_F(ExporterEPSTest, FaceFillColours) {
    settings.bDrawFlap = false;
    auto faceColour = [this](DevelopmentFixture& f) {
        const std::string text = Eps(f.Dev(), settings);
        const size_t closeAt = text.find("\nclosepath\n");
        const size_t fillAt = text.find("\nfill", closeAt);
        return text.substr(closeAt + 11, fillAt - closeAt - 11);
    };
    RectFixture f;
    f.Model().defaultMaterial.flatColor[0] = 0.85f;
    f.Model().defaultMaterial.flatColor[1] = 0.85f;
    f.Model().defaultMaterial.flatColor[2] = 1.0f;
    // Faces are written with a blank after each newline of the corner statements.
    const std::string text = Eps(f.Dev(), settings);
    EXPECT_NE(text.find("\nnewpath\n 0.000000 141.732283 moveto\n 283.464567 141.732283 lineto"
                        "\n 283.464567 0.000000 lineto\n 0.000000 0.000000 lineto\nclosepath\n"),
              std::string::npos)
        << text;
    // No material: the model's default material, its float colour printed as a double.
    EXPECT_EQ(faceColour(f), "0.850000 0.850000 1.000000 setrgbcolor");
    // An index past the list (damaged file) falls back to the same default.
    f.face->materialIndex = 5;
    EXPECT_EQ(faceColour(f), "0.850000 0.850000 1.000000 setrgbcolor");
    // A plain material: its flat colour.
    auto plain = std::make_unique<CMaterial>();
    plain->flatColor[0] = 0.25f;
    plain->flatColor[1] = 0.5f;
    plain->flatColor[2] = 0.0f;
    f.Model().AppendMaterial(std::move(plain));
    f.face->materialIndex = 0;
    EXPECT_EQ(faceColour(f), "0.250000 0.500000 0.000000 setrgbcolor");
    // Materials off: white whatever the material.
    settings.bUseMaterial = false;
    EXPECT_EQ(faceColour(f), "1.0 1.0 1.0 setrgbcolor");
    // A textured material: white, textures are not exported.
    settings.bUseMaterial = true;
    f.Model().materials[0]->texture = std::make_unique<CTextureImage>();
    EXPECT_EQ(faceColour(f), "1.0 1.0 1.0 setrgbcolor");
    // Faces are filled before the lines are drawn over them.
    const std::string again = Eps(f.Dev(), settings);
    EXPECT_LT(again.find("\nfill"), again.find("\n0.0 0.0 0.0 setrgbcolor"));
}

TEST_F(ExporterEPSTest, EdgeIdHeaderAndOneNumberPerCorner) {
    settings.bDrawNumber = true;
    settings.iEdgeIDfontSizePoint = 12;
    IdFixture f(7);
    const std::string text = Eps(f.Dev(), settings);
    const std::string header =
        "\n[]0 setdash\n0.0 0.0 0.0 setrgbcolor\n/Arial findfont\n12 scalefont setfont";
    ASSERT_NE(text.find(header), std::string::npos) << text;
    EXPECT_EQ(text.find(header) + header.size(), text.find("\ninitmatrix"));
    EXPECT_EQ(Count(text, "show"), 1u) << "edges without an ID (-1) are not numbered";
    EXPECT_EQ(text.substr(text.size() - 7), "(7)show") << "the IDs end the file, without a newline";

    // Edge IDs off: no font statements at all.
    settings.bDrawNumber = false;
    IdFixture g(7);
    EXPECT_EQ(Eps(g.Dev(), settings).find("findfont"), std::string::npos);
}

TEST_F(ExporterEPSTest, EdgeIdDigitsShiftTheNumberLeft) {
    settings.bDrawNumber = true;
    // Font 5 pt: character size 3.5, half a character per digit to the left of the midpoint 28.346457.
    const struct {
        int id;
        const char* x;
    } cases[] = {
        {7, "26.596457"}, {10, "24.846457"}, {99, "24.846457"}, {100, "23.096457"}, {1000, "21.346457"}};
    for (const auto& c : cases) {
        IdFixture f(c.id);
        const std::string text = Eps(f.Dev(), settings);
        EXPECT_NE(text.find(IdStatement(c.x, "29.046457", "0.000000", c.id)), std::string::npos)
            << "ID " << c.id << "\n"
            << text.substr(text.find("initmatrix"));
    }
}

TEST_F(ExporterEPSTest, EdgeIdSideFollowsReversedAndInvert) {
    settings.bDrawNumber = true;
    // Equal flags: A is the next corner (20, 0), B this corner (0, 0): B to the left, rotation 0.
    // Different flags: A is this corner, B to the right of A: rotation 180, offset turned with it.
    const std::string left = IdStatement("26.596457", "29.046457", "0.000000", 7);
    const std::string right = IdStatement("30.096457", "27.646457", "180.000000", 7);
    for (bool reversed : {false, true}) {
        for (bool invert : {false, true}) {
            settings.bInvertEdgeID = invert;
            IdFixture f(7);
            f.Dev().reversed = reversed;
            const std::string text = Eps(f.Dev(), settings);
            EXPECT_NE(text.find(reversed != invert ? right : left), std::string::npos)
                << "reversed " << reversed << " invert " << invert << "\n"
                << text.substr(text.find("initmatrix"));
        }
    }
}

TEST_F(ExporterEPSTest, SlopedEdgeIdAngle) {
    settings.bDrawNumber = true;
    // Corner 1 -> 2 runs from (20, 0) down-left to (10, 10); with equal flags A = (10, 10), B = (20, 0):
    // B to the right, so the angle is pi - asin(-10 / 14.142) = 225 degrees.
    IdFixture f(-1);
    f.face->Corner(1)->edge->edgeId = 42;
    const std::string text = Eps(f.Dev(), settings);
    EXPECT_NE(text.find("\n225.000000 rotate\n(42)show"), std::string::npos) << text;
}

TEST_F(ExporterEPSTest, EdgeIdIsWrittenOnBothSidesOfACutEdge) {
    settings.bDrawNumber = true;
    DevelopmentFixture f;
    CVertex* a = f.Vertex(0, 0);
    CVertex* b = f.Vertex(10, 0);
    CVertex* c = f.Vertex(0, 10);
    CVertex* d = f.Vertex(10, 10);
    // Two triangles sharing the edge b-c, cut apart into two parts.
    CFace* first = f.Face({a, b, c});
    CFace* second = f.Face({b, d, c}, {{30, 0}, {40, 10}, {30, 10}});
    f.PairEdges();
    f.MakeLines(f.Part({first}));
    f.MakeLines(f.Part({second}));
    DevelopmentFixture::Shared(first, second)->edge->edgeId = 3;
    const std::string text = Eps(f.Dev(), settings);
    EXPECT_EQ(Count(text, "(3)show"), 2u) << text;
}

TEST_F(ExporterEPSTest, ZeroLengthEdgeIdIsWrittenUnrotated) {
    settings.bDrawNumber = true;
    // A collapsed edge has no direction; the file must still hold numbers PostScript can read.
    IdFixture f(5);
    f.face->Corner(1)->x2d = 0;
    const std::string text = Eps(f.Dev(), settings);
    EXPECT_NE(text.find("\n0.000000 rotate\n(5)show"), std::string::npos) << text;
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
}

TEST_F(ExporterEPSTest, EmptyDevelopment) {
    Development dev;
    EXPECT_EQ(Eps(dev, settings), "%!PS-Adobe EPSF-3\n%%BoundingBox:0 0 0 0\n\n0.0 0.0 0.0 setrgbcolor");
    settings.bDrawNumber = true;
    EXPECT_EQ(Eps(dev, settings),
              "%!PS-Adobe EPSF-3\n%%BoundingBox:0 0 0 0\n\n0.0 0.0 0.0 setrgbcolor"
              "\n[]0 setdash\n0.0 0.0 0.0 setrgbcolor\n/Arial findfont\n5 scalefont setfont");
}

TEST_F(ExporterEPSTest, DamagedRecordsAreSkipped) {
    // Line records without a half-edge and null faces: nothing to write, nothing to follow.
    RectFixture f;
    f.part->lines[0]->first = nullptr;
    f.part->faces.push_back(nullptr);
    settings.bDrawNumber = true;
    const std::string text = Eps(f.Dev(), settings);
    EXPECT_EQ(Count(text, "stroke"), 3u);
}

TEST_F(ExporterEPSTest, KeptOptionsStartOffAndAreUsedByDefault) {
    const EpsOptions saved = KeptEpsOptions();
    KeptEpsOptions() = EpsOptions();
    EXPECT_FALSE(KeptEpsOptions().notFillFaces);
    EXPECT_FALSE(KeptEpsOptions().notFillFlaps);
    RectFixture f;
    KeptEpsOptions().notFillFaces = true;
    // An exporter made with the defaults follows what the dialog stored last.
    EXPECT_EQ(ExporterEPS(settings).BuildText(f.Dev()).find("fill"), std::string::npos);
    KeptEpsOptions().notFillFaces = false;
    EXPECT_NE(ExporterEPS(settings).BuildText(f.Dev()).find("fill"), std::string::npos);
    KeptEpsOptions() = saved;
}

TEST_F(ExporterEPSTest, ExportWritesTheTextOrFailsWithoutCreating) {
    const fs::path dir = fs::temp_directory_path() / ("tessaly_eps_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    RectFixture f;
    const std::string expected = Eps(f.Dev(), settings);
    const std::string path = (dir / "out.eps").string();
    EXPECT_TRUE(ExporterEPS(settings).Export(path, f.Dev()).ok());
    EXPECT_EQ(test::ReadFileBytes(path), expected);
    // A folder that does not exist: a failure and no file.
    const std::string bad = (dir / "missing" / "out.eps").string();
    EXPECT_TRUE(ExporterEPS(settings).Export(bad, f.Dev()).failed());
    EXPECT_FALSE(fs::exists(bad));
    fs::remove_all(dir);
}

TEST_F(ExporterEPSTest, NumbersIgnoreTheUserLocale) {
    settings.bDrawNumber = true;
    RectFixture f;
    f.face->Corner(0)->edge->edgeId = 12;
    const std::string inC = Eps(f.Dev(), settings);
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    // The locale really uses a decimal comma, so a printf-based writer would fail here.
    char probe[32];
    std::snprintf(probe, sizeof probe, "%f", 0.5);
    const std::string german = probe;
    const std::string inGerman = Eps(f.Dev(), settings);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(german, "0,500000");
    EXPECT_EQ(inGerman, inC);
    EXPECT_EQ(inGerman.find(','), std::string::npos);
}

// Golden files: complete models exported under their settings, compared byte for byte. Set
// TESSALY_UPDATE_GOLDEN=1 to write them again after a deliberate change, then review the difference.
TEST(ExporterEPSGolden, MatchesTheGoldenFiles) {
    const fs::path actualDir = fs::path(TESSALY_BINARY_DIR) / "golden-actual";
    for (const test::ExportCase& c : test::ExportCases()) {
        Document doc;
        const Settings settings = test::PrepareCase(c, doc);
        const std::string text = ExporterEPS(settings, c.eps).BuildText(*doc.development);
        const std::string golden = test::GoldenPath(c.name + ".eps");
        if (std::getenv("TESSALY_UPDATE_GOLDEN") != nullptr) std::ofstream(golden, std::ios::binary) << text;
        if (text != test::ReadFileBytes(golden)) {
            fs::create_directories(actualDir);
            const fs::path actual = actualDir / (c.name + ".eps");
            std::ofstream(actual, std::ios::binary) << text;
            ADD_FAILURE() << c.name << ".eps differs from " << golden << "; the actual output is " << actual;
        }
    }
}

// Every golden file renders in Ghostscript without an error and shows lines.
TEST(ExporterEPSGolden, GhostscriptRendersEveryGoldenFile) {
    if (std::system("gs --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Ghostscript (gs) is not installed; scripts/setup installs it";
    const fs::path dir = fs::temp_directory_path() / ("tessaly_gs_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const test::ExportCase& c : test::ExportCases()) {
        const std::string eps = test::GoldenPath(c.name + ".eps");
        const std::string png = (dir / (c.name + ".png")).string();
        const std::string log = (dir / (c.name + ".log")).string();
        // The first line carries no "-3.0" after "PS-Adobe", so Ghostscript does not take the file for
        // EPS and would not crop it: the page is sized from the bounding box here. Placed EPS has no
        // showpage of its own; the host adds it, as this command does.
        int width = 0, height = 0;
        const std::string text = test::ReadFileBytes(eps);
        EXPECT_EQ(std::sscanf(text.c_str(), "%%!PS-Adobe EPSF-3\n%%%%BoundingBox:0 0 %d %d", &width, &height),
                  2)
            << c.name;
        const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -dEPSCrop -r72 "
                                    "-dFIXEDMEDIA -dDEVICEWIDTHPOINTS=" +
                                    std::to_string(std::max(width, 1)) +
                                    " -dDEVICEHEIGHTPOINTS=" + std::to_string(std::max(height, 1)) +
                                    " -sOutputFile='" + png + "' '" + eps + "' -c showpage >'" + log +
                                    "' 2>&1";
        const int status = std::system(command.c_str());
        const std::string output = test::ReadFileBytes(log);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name << ": " << output;
        EXPECT_EQ(output.find("Error"), std::string::npos) << c.name << ": " << output;
        if (c.name == "empty") continue; // a zero-sized box has nothing to show
        QImage image(QString::fromStdString(png));
        if (image.isNull()) {
            ADD_FAILURE() << c.name << ": no picture at " << png;
            continue;
        }
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128) ++dark;
        EXPECT_GT(dark, 100) << c.name << ": the rendered page shows no lines (" << png << ")";
    }
    fs::remove_all(dir);
}

} // namespace
