// The EPS writer: exact statements for small hand-built developments, golden files for complete models,
// and Ghostscript rendering every golden file.

#include "sheet/ExporterEPS.h"

#include "engine/Classify.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/sheet/ExportFixtures.h"
#include "tests/support/ShellCommand.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A 100 x 50 mm rectangle placed at (10, 20) whose four open edges are lines of the given kinds.
struct RectFixture : DevelopmentFixture {
    Face* face = nullptr;
    Part* part = nullptr;
    explicit RectFixture(std::vector<DrawKind> kinds = std::vector<DrawKind>(4, DrawKind::Cut)) {
        face = AddFace({AddVertex(0, 0), AddVertex(100, 0), AddVertex(100, 50), AddVertex(0, 50)});
        PairEdges();
        part = AddPart({face});
        part->x = 10;
        part->y = 20;
        MakeLines(part);
        for (size_t i = 0; i < 4; ++i) part->lines[i]->drawKind = kinds[i];
    }
};

// A triangle (0, 0), (20, 0), (10, 10) whose horizontal first edge carries the edge ID.
struct IdFixture : DevelopmentFixture {
    Face* face = nullptr;
    explicit IdFixture(int id) {
        face = AddFace({AddVertex(0, 0), AddVertex(20, 0), AddVertex(10, 10)});
        PairEdges();
        MakeLines(AddPart({face}));
        face->Corner(0)->edge->edgeId = id;
    }
};

class ExporterEPSTest : public testing::Test {
protected:
    std::string Eps(Development& dev, const EpsOptions& options = {}) {
        return ExporterEPS(settings, options).BuildText(dev);
    }
    Settings settings;
};

TEST_F(ExporterEPSTest, StyleChoosesThePatternAndKindChoosesTheStyle) {
    settings.drawFlaps = false;
    const double valley[6] = {2, 1, 0.5, 1, -1, -1}, mountain[6] = {3, 1.5, 0.5, 1.5, 0.5, 1.5};
    const std::string valleyDash = "\n[5.669291 2.834646 1.417323 2.834646 ] 0 setdash";
    const std::string mountainDash = "\n[8.503937 4.251969 1.417323 4.251969 1.417323 4.251969 ] 0 setdash";
    const std::string solid = "\n[] 0 setdash\n", cutShort = "\n[8.503937 4.251969 ] 0 setdash\n";
    using K = DrawKind;
    const struct {
        std::vector<DrawKind> kinds;
        int cut, mountain, valley;
        bool damaged;
        std::vector<std::pair<std::string, size_t>> counts;
    } cases[] = {
        // The example patterns; valley style on valley lines, mountain style on mountain lines.
        {{K::Valley, K::Mountain, K::FlapValley, K::FlapMountain},
         0,
         3,
         2,
         false,
         {{valleyDash, 2}, {mountainDash, 2}, {"[] 0 setdash", 0}}},
        // A cut line with style 2 takes the valley pattern: the style names the pattern, not the kind.
        {{K::Cut, K::Mountain, K::Valley, K::Cut}, 2, 2, 3, false, {{valleyDash, 3}, {mountainDash, 1}}},
        // A pattern whose first length is not positive is solid; a pair with a zero gap ends the list.
        {{K::Valley, K::Mountain, K::Cut, K::Cut}, 0, 3, 2, true, {{solid, 3}, {cutShort, 1}}},
    };
    for (const auto& c : cases) {
        std::copy(valley, valley + 6, settings.valleyDash);
        std::copy(mountain, mountain + 6, settings.mountainDash);
        if (c.damaged) settings.valleyDash[0] = settings.mountainDash[3] = 0;
        settings.cutLineStyle = c.cut;
        settings.mountainLineStyle = c.mountain;
        settings.valleyLineStyle = c.valley;
        RectFixture f(c.kinds);
        const std::string text = Eps(f.Dev(), {true, false});
        for (const auto& [what, n] : c.counts) EXPECT_EQ(Count(text, what), n) << what << "\n" << text;
    }
}

// The golden files pin underlays, hidden and omitted lines; here the damaged records: a line without its
// half-edge and a null face are skipped.
TEST_F(ExporterEPSTest, DamagedLinesAndFacesAreSkipped) {
    RectFixture damaged;
    damaged.part->lines[0]->first = nullptr;
    damaged.part->faces.push_back(nullptr);
    settings.drawEdgeIds = true;
    EXPECT_EQ(Count(Eps(damaged.Dev()), "stroke"), 3u);
}

// The golden files pin the faces' colours and the edge IDs of real models; these are the damaged cases.
TEST_F(ExporterEPSTest, DamagedMaterialIndexAndCollapsedIdEdge) {
    settings.drawFlaps = false;
    RectFixture f;
    float* colour = f.Model().defaultMaterial.flatColor;
    colour[0] = colour[1] = 0.85f;
    colour[2] = 1.0f;
    f.face->materialIndex = 5;
    EXPECT_NE(Eps(f.Dev()).find("\nclosepath\n0.850000 0.850000 1.000000 setrgbcolor\nfill"),
              std::string::npos);
    // A collapsed edge has no direction; the file must still hold numbers PostScript can read.
    settings.drawEdgeIds = true;
    IdFixture collapsed(5);
    collapsed.face->Corner(1)->x2d = 0;
    const std::string text = Eps(collapsed.Dev());
    EXPECT_NE(text.find("\n0.000000 rotate\n(5)show"), std::string::npos) << text;
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
}

// Complete models exported under their settings, compared byte for byte; then Ghostscript renders every
// golden file without an error and shows lines.
TEST(ExporterEPSGolden, MatchesTheGoldenFilesAndGhostscriptRendersThem) {
    for (const test::ExportCase& c : test::ExportCases()) {
        Document doc;
        const Settings settings = test::PrepareCase(c, doc);
        EXPECT_TRUE(
            test::MatchesGolden(c.name + ".eps", ExporterEPS(settings, c.eps).BuildText(*doc.development)));
    }
    if (std::system("gs --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Ghostscript (gs) is not installed; scripts/setup installs it";
    test::ScratchDir dir;
    for (const test::ExportCase& c : test::ExportCases()) {
        const std::string eps = test::GoldenFilePath(c.name + ".eps"), png = dir.Path(c.name + ".png");
        // The first line carries no "-3.0" after "PS-Adobe", so Ghostscript does not take the file for
        // EPS and would not crop it: the page is sized from the bounding box here. Placed EPS has no
        // showpage of its own; the host adds it, as this command does.
        int width = 0, height = 0;
        EXPECT_EQ(std::sscanf(test::ReadWholeFile(eps).c_str(),
                              "%%!PS-Adobe EPSF-3\n%%%%BoundingBox:0 0 %d %d", &width, &height),
                  2)
            << c.name;
        const test::ShellResult run =
            test::RunShell("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -dEPSCrop -r72 -dFIXEDMEDIA "
                           "-dDEVICEWIDTHPOINTS=" +
                           std::to_string(std::max(width, 1)) +
                           " -dDEVICEHEIGHTPOINTS=" + std::to_string(std::max(height, 1)) +
                           " -sOutputFile='" + png + "' '" + eps + "' -c showpage 2>&1");
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.out;
        EXPECT_EQ(run.out.find("Error"), std::string::npos) << c.name << ": " << run.out;
        if (c.name == "empty") continue; // a zero-sized box has nothing to show
        const QImage image(QString::fromStdString(png));
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
        EXPECT_GT(dark, 100) << c.name << ": the rendered page shows no lines (" << png << ")";
    }
}

} // namespace
