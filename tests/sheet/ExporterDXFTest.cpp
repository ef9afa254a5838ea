// The DXF writer: exact entities for small hand-built developments, golden files for complete models, and
// a real DXF reader (ezdxf) auditing every golden file and counting its lines per layer.

#include "sheet/ExporterDXF.h"

#include "engine/Classify.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/sheet/ExportFixtures.h"
#include "tests/support/ShellCommand.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

const std::string kHead = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
                          "  0\nSECTION\n  2\nBLOCKS\n  0\nENDSEC\n"
                          "  0\nSECTION\n  2\nENTITIES\n";
const std::string kTail = "  0\nENDSEC\n  0\nEOF\n";

// A LINE entity as "layer colour x1 y1 x2 y2".
using Entity = std::string;

// The LINE entities of the entities section, in file order; fails the test on any other entity or on a
// LINE that does not have exactly the 16 items in their order.
std::vector<Entity> Entities(const std::string& text) {
    std::vector<Entity> entities;
    const size_t start = text.find("ENTITIES\n");
    if (start == std::string::npos) {
        ADD_FAILURE() << "no entities section";
        return entities;
    }
    std::istringstream in(text.substr(start + 9));
    std::vector<std::string> items;
    for (std::string line; std::getline(in, line);) items.push_back(line);
    size_t i = 0;
    for (; i + 16 <= items.size() && items[i] == "  0" && items[i + 1] == "LINE"; i += 16) {
        const char* codes[] = {"  0", "  8", "  6", " 62", " 10", " 20", " 11", " 21"};
        for (int k = 0; k < 8; ++k) EXPECT_EQ(items[i + 2 * k], codes[k]) << "item " << i + 2 * k;
        EXPECT_EQ(items[i + 5], "CONTINUOUS");
        entities.push_back(items[i + 3] + " " + items[i + 7] + " " + items[i + 9] + " " + items[i + 11] +
                           " " + items[i + 13] + " " + items[i + 15]);
    }
    EXPECT_EQ(i + 4, items.size()) << "the entities section holds LINE entities only, then the end";
    return entities;
}

std::string Dxf(const Development& dev, const Settings& settings = Settings()) {
    return ExporterDXF(settings).BuildText(dev);
}

// A triangle (10, 20), (30, 20), (20, 40) in a part at the origin whose three open edges are lines of the
// given kinds; the frame is set by hand to start at (10, 0) with height 50.
struct TriangleFixture : DevelopmentFixture {
    Face* face = nullptr;
    Part* part = nullptr;
    explicit TriangleFixture(std::vector<DrawKind> kinds = std::vector<DrawKind>(3, DrawKind::Cut)) {
        face = AddFace({AddVertex(10, 20), AddVertex(30, 20), AddVertex(20, 40)});
        PairEdges();
        part = AddPart({face});
        MakeLines(part);
        for (size_t i = 0; i < 3; ++i) part->lines[i]->drawKind = kinds[i];
        const double frame[4] = {10, 0, 20, 50};
        std::copy(frame, frame + 4, Dev().frame);
    }
};

TEST(ExporterDXF, EdgeCoordinatesAreMillimetresFromTheLowerLeftCornerOfTheFrameAsHeld) {
    TriangleFixture f({DrawKind::Cut, DrawKind::Omitted, DrawKind::Omitted});
    // (10, 20) -> (30, 20) with the frame at (10, 0), height 50: the whole file, entity by entity.
    EXPECT_EQ(Dxf(f.Dev()), kHead +
                                "  0\nLINE\n  8\nCutLine\n  6\nCONTINUOUS\n 62\n8\n"
                                " 10\n0.000000\n 20\n30.000000\n 11\n20.000000\n 21\n30.000000\n" +
                                kTail);
    // The part's offset is added before the frame's corner is taken off.
    f.part->x = 5;
    f.part->y = -2.5;
    EXPECT_EQ(Entities(Dxf(f.Dev())),
              std::vector<Entity>{"CutLine 8 5.000000 32.500000 25.000000 32.500000"});
    // A stale frame is used as held, not recomputed, and left alone.
    TriangleFixture g;
    const double stale[4] = {0, 10, 5, 100};
    std::copy(stale, stale + 4, g.Dev().frame);
    const std::vector<Entity> entities = Entities(Dxf(g.Dev()));
    ASSERT_EQ(entities.size(), 3u);
    EXPECT_EQ(entities[0], "CutLine 8 10.000000 90.000000 30.000000 90.000000");
    EXPECT_EQ(g.Dev().frame[3], 100);
    // Damaged records are skipped: a line without its half-edge, a null line, a null part.
    g.part->lines[0]->first = nullptr;
    g.part->lines.push_back(nullptr);
    g.Dev().parts.push_back(nullptr);
    EXPECT_EQ(Entities(Dxf(g.Dev())).size(), 2u);
    // Nothing at all: an empty entities section.
    EXPECT_EQ(Dxf(Development()), kHead + kTail);
}

// Golden files, compared byte for byte; then ezdxf (the system Python's first, since the Debian package
// installs there) audits each and counts its lines per layer.
TEST(ExporterDXFGolden, MatchesTheGoldenFilesAndEzdxfReadsThem) {
    for (const test::ExportCase& c : test::ExportCases()) {
        Document doc;
        const Settings settings = test::PrepareCase(c, doc);
        EXPECT_TRUE(test::MatchesGolden(c.name + ".dxf", ExporterDXF(settings).BuildText(*doc.development)));
    }
    std::string python;
    for (const char* candidate : {"/usr/bin/python3", "python3"})
        if (python.empty() && test::RunShell(std::string(candidate) + " -c 'import ezdxf' 2>&1").status == 0)
            python = candidate;
    if (python.empty()) GTEST_SKIP() << "no python3 with ezdxf; scripts/setup installs python3-ezdxf";
    const std::string script = std::string(TESSALY_SOURCE_DIR) + "/tests/sheet/dxf_check.py";
    for (const test::ExportCase& c : test::ExportCases()) {
        const std::string golden = test::GoldenFilePath(c.name + ".dxf");
        const test::ShellResult run = test::RunShell(python + " '" + script + "' '" + golden + "' 2>&1");
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.out;
        std::map<std::string, int> found;
        std::istringstream lines(run.out);
        std::string version;
        int errors = -1;
        for (std::string word; lines >> word;) {
            if (word == "version") lines >> version;
            if (word == "errors") lines >> errors;
            if (word == "layer") {
                std::string layer;
                lines >> layer >> found[layer];
            }
        }
        EXPECT_EQ(version, "AC1009") << c.name;
        EXPECT_EQ(errors, 0) << c.name << ": " << run.out;
        // The reader sees the lines our own parser finds, layer by layer.
        std::map<std::string, int> ours;
        for (const Entity& e : Entities(test::ReadWholeFile(golden))) ++ours[e.substr(0, e.find(' '))];
        EXPECT_EQ(found, ours) << c.name << ": " << run.out;
        EXPECT_EQ(found.empty(), c.name == "empty") << c.name;
    }
}

} // namespace
