// The DXF writer: exact entities for small hand-built developments, golden files for complete models, and
// a real DXF reader (ezdxf) auditing every golden file and counting its lines per layer.

#include "sheet/ExporterDXF.h"

#include "engine/Classify.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/sheet/ExportFixtures.h"
#include "tests/support/ShellCommand.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

const char* const kHead = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
                          "  0\nSECTION\n  2\nBLOCKS\n  0\nENDSEC\n"
                          "  0\nSECTION\n  2\nENTITIES\n";
const char* const kTail = "  0\nENDSEC\n  0\nEOF\n";

struct Entity {
    std::string layer;
    int colour = 0;
    std::string x1, y1, x2, y2;
};

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
    while (i + 1 < items.size() && items[i] == "  0" && items[i + 1] == "LINE") {
        if (i + 16 > items.size()) break;
        const char* codes[] = {"  0", nullptr, "  8", nullptr, "  6", nullptr, " 62", nullptr,
                               " 10", nullptr, " 20", nullptr, " 11", nullptr, " 21", nullptr};
        for (int k = 0; k < 16; k += 2) EXPECT_EQ(items[i + k], codes[k]) << "item " << i + k;
        EXPECT_EQ(items[i + 5], "CONTINUOUS");
        Entity e;
        e.layer = items[i + 3];
        e.colour = std::atoi(items[i + 7].c_str());
        e.x1 = items[i + 9];
        e.y1 = items[i + 11];
        e.x2 = items[i + 13];
        e.y2 = items[i + 15];
        entities.push_back(e);
        i += 16;
    }
    EXPECT_EQ(i + 4, items.size()) << "the entities section holds LINE entities only, then the end";
    return entities;
}

std::string Dxf(const Development& dev, const Settings& settings) {
    return ExporterDXF(settings).BuildText(dev);
}

// A triangle (10, 20), (30, 20), (20, 40) in a part at the origin whose three open edges are lines of the
// given kinds; the frame is set by hand to start at (10, 0) with height 50.
struct TriangleFixture : DevelopmentFixture {
    CFace* face = nullptr;
    CPart* part = nullptr;
    explicit TriangleFixture(std::vector<DrawKind> kinds = {DrawKind::Cut, DrawKind::Cut, DrawKind::Cut}) {
        face = Face({Vertex(10, 20), Vertex(30, 20), Vertex(20, 40)});
        PairEdges();
        part = Part({face});
        MakeLines(part);
        for (size_t i = 0; i < 3; ++i) part->lines[i]->drawKind = kinds[i];
        const double frame[4] = {10, 0, 20, 50};
        std::copy(frame, frame + 4, Dev().frame);
    }
};

class ExporterDXFTest : public testing::Test {
protected:
    Settings settings;
};

TEST_F(ExporterDXFTest, EdgeCoordinatesAreMillimetresFromTheLowerLeftCorner) {
    TriangleFixture f({DrawKind::Cut, DrawKind::Omitted, DrawKind::Omitted});
    // (10, 20) -> (30, 20) with the frame at (10, 0), height 50: the whole file, entity by entity.
    EXPECT_EQ(Dxf(f.Dev(), settings), std::string(kHead) +
                                          "  0\nLINE\n  8\nCutLine\n  6\nCONTINUOUS\n 62\n8\n"
                                          " 10\n0.000000\n 20\n30.000000\n 11\n20.000000\n 21\n30.000000\n" +
                                          kTail);
    // The part's offset is added before the frame's corner is taken off.
    f.part->x = 5;
    f.part->y = -2.5;
    const std::vector<Entity> moved = Entities(Dxf(f.Dev(), settings));
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].x1, "5.000000");
    EXPECT_EQ(moved[0].y1, "32.500000");
    EXPECT_EQ(moved[0].x2, "25.000000");
}

TEST_F(ExporterDXFTest, TheFrameIsUsedAsHeldNotRecomputed) {
    TriangleFixture f;
    const double stale[4] = {0, 10, 5, 100};
    std::copy(stale, stale + 4, f.Dev().frame);
    const std::vector<Entity> entities = Entities(Dxf(f.Dev(), settings));
    ASSERT_EQ(entities.size(), 3u);
    EXPECT_EQ(entities[0].x1, "10.000000");
    EXPECT_EQ(entities[0].y1, "90.000000");
    EXPECT_EQ(f.Dev().frame[3], 100) << "the export leaves the frame alone";
}

TEST_F(ExporterDXFTest, LayerAndColourFollowTheKind) {
    DevelopmentFixture f;
    CFace* face = f.Face({f.Vertex(0, 0), f.Vertex(10, 0), f.Vertex(10, 10), f.Vertex(5, 15), f.Vertex(0, 10),
                          f.Vertex(-5, 5), f.Vertex(-5, 2)});
    f.PairEdges();
    CPart* part = f.Part({face});
    f.MakeLines(part);
    const DrawKind kinds[7] = {DrawKind::Cut,     DrawKind::Mountain,     DrawKind::Valley,
                               DrawKind::Omitted, DrawKind::FlapMountain, DrawKind::FlapValley,
                               DrawKind::FlapOnly};
    for (int i = 0; i < 7; ++i) part->lines[i]->drawKind = kinds[i];
    settings.bDrawFlap = false;
    // Every line style set to none: the DXF still writes every edge, all CONTINUOUS.
    settings.iCutLineStyle = settings.iMountainLineStyle = settings.iValleyLineStyle = 1;
    const std::vector<Entity> entities = Entities(Dxf(f.Dev(), settings));
    ASSERT_EQ(entities.size(), 5u) << "omitted and flap-only lines have no edge line";
    const struct {
        const char* layer;
        int colour;
    } expected[5] = {
        {"CutLine", 8}, {"MountainLine", 5}, {"ValleyLine", 1}, {"MountainLine", 5}, {"ValleyLine", 1}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(entities[i].layer, expected[i].layer) << i;
        EXPECT_EQ(entities[i].colour, expected[i].colour) << i;
    }
}

TEST_F(ExporterDXFTest, FlapsAddThreeCutLinesEachBeforeAllEdgeLines) {
    auto build = [](DevelopmentFixture& f) {
        CFace* face = f.Face({f.Vertex(0, 0), f.Vertex(0, 20), f.Vertex(20, 20), f.Vertex(20, 0)});
        f.PairEdges();
        CPart* part = f.Part({face});
        f.MakeLines(part);
        for (auto& line : part->lines) line->drawKind = DrawKind::Cut;
        part->lines[1]->drawKind = DrawKind::FlapValley;
        part->lines[3]->drawKind = DrawKind::FlapOnly;
        part->lines[3]->hidden = true; // its flap is still written, its edge line is not
        for (int i : {1, 3}) {
            CHalfEdge* h = face->Corner(i);
            h->hasFlap = true;
            h->flapShape.tipStart = {h->x2d + 1, h->y2d + 1};
            h->flapShape.tipEnd = {h->next->x2d + 1, h->next->y2d + 1};
        }
        const double frame[4] = {0, 0, 21, 21};
        std::copy(frame, frame + 4, f.Dev().frame);
    };
    {
        // Flaps hidden: the three visible edge lines only.
        settings.bDrawFlap = false;
        DevelopmentFixture f;
        build(f);
        const std::vector<Entity> entities = Entities(Dxf(f.Dev(), settings));
        ASSERT_EQ(entities.size(), 3u);
        EXPECT_EQ(entities[1].layer, "ValleyLine");
    }
    {
        settings.bDrawFlap = true;
        DevelopmentFixture f;
        build(f);
        const std::vector<Entity> entities = Entities(Dxf(f.Dev(), settings));
        ASSERT_EQ(entities.size(), 3u + 6u);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(entities[i].layer, "CutLine") << i;
            EXPECT_EQ(entities[i].colour, 8) << i;
        }
        // The first flap is on (0, 20) -> (20, 20): start -> tipStart -> tipEnd -> end, without the base.
        EXPECT_EQ(entities[0].x1 + " " + entities[0].y1, "0.000000 1.000000");
        EXPECT_EQ(entities[0].x2 + " " + entities[0].y2, "1.000000 0.000000");
        EXPECT_EQ(entities[1].x2 + " " + entities[1].y2, "21.000000 0.000000");
        EXPECT_EQ(entities[2].x2 + " " + entities[2].y2, "20.000000 1.000000");
        EXPECT_EQ(entities[6].layer, "CutLine");
        EXPECT_EQ(entities[7].layer, "ValleyLine");
        EXPECT_EQ(entities[8].layer, "CutLine");
    }
}

TEST_F(ExporterDXFTest, EmptyDevelopmentHasAnEmptyEntitiesSection) {
    Development dev;
    EXPECT_EQ(Dxf(dev, settings), std::string(kHead) + kTail);
}

TEST_F(ExporterDXFTest, DamagedRecordsAreSkipped) {
    TriangleFixture f;
    f.part->lines[0]->first = nullptr;
    f.part->lines.push_back(nullptr);
    f.Dev().parts.push_back(nullptr);
    EXPECT_EQ(Entities(Dxf(f.Dev(), settings)).size(), 2u);
}

TEST_F(ExporterDXFTest, ExportWritesTheTextOrFailsWithoutCreating) {
    const fs::path dir = fs::temp_directory_path() / ("tessaly_dxf_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    TriangleFixture f;
    const std::string path = (dir / "out.dxf").string();
    EXPECT_TRUE(ExporterDXF(settings).Export(path, f.Dev()).ok());
    EXPECT_EQ(test::ReadFileBytes(path), Dxf(f.Dev(), settings));
    const std::string bad = (dir / "missing" / "out.dxf").string();
    EXPECT_TRUE(ExporterDXF(settings).Export(bad, f.Dev()).failed());
    EXPECT_FALSE(fs::exists(bad));
    fs::remove_all(dir);
}

TEST_F(ExporterDXFTest, NumbersIgnoreTheUserLocale) {
    TriangleFixture f;
    f.part->x = 0.125;
    const std::string inC = Dxf(f.Dev(), settings);
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    const std::string inGerman = Dxf(f.Dev(), settings);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(inGerman, inC);
    EXPECT_NE(inC.find("\n0.125000\n"), std::string::npos);
}

// Golden files, compared byte for byte; TESSALY_UPDATE_GOLDEN=1 writes them again.
TEST(ExporterDXFGolden, MatchesTheGoldenFiles) {
    const fs::path actualDir = fs::path(TESSALY_BINARY_DIR) / "golden-actual";
    for (const test::ExportCase& c : test::ExportCases()) {
        Document doc;
        const Settings settings = test::PrepareCase(c, doc);
        const std::string text = ExporterDXF(settings).BuildText(*doc.development);
        const std::string golden = test::GoldenPath(c.name + ".dxf");
        if (std::getenv("TESSALY_UPDATE_GOLDEN") != nullptr) std::ofstream(golden, std::ios::binary) << text;
        if (text != test::ReadFileBytes(golden)) {
            fs::create_directories(actualDir);
            const fs::path actual = actualDir / (c.name + ".dxf");
            std::ofstream(actual, std::ios::binary) << text;
            ADD_FAILURE() << c.name << ".dxf differs from " << golden << "; the actual output is " << actual;
        }
    }
}

// A Python with ezdxf: the system one first, since the Debian package installs there.
std::string PythonWithEzdxf() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        const std::string probe = std::string(python) + " -c 'import ezdxf' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) return python;
    }
    return {};
}

TEST(ExporterDXFGolden, EzdxfReadsEveryGoldenFileWithoutAuditErrors) {
    const std::string python = PythonWithEzdxf();
    if (python.empty()) GTEST_SKIP() << "no python3 with ezdxf; scripts/setup installs python3-ezdxf";
    const std::string script = std::string(TESSALY_SOURCE_DIR) + "/tests/sheet/dxf_check.py";
    for (const test::ExportCase& c : test::ExportCases()) {
        Document doc;
        const Settings settings = test::PrepareCase(c, doc);
        std::map<std::string, int> expected = test::ExpectedDxfLines(*doc.development, settings.bDrawFlap);

        const std::string command =
            python + " '" + script + "' '" + test::GoldenPath(c.name + ".dxf") + "' 2>&1";
        const test::ShellResult run = test::RunShell(command);
        const std::string& output = run.out;
        ASSERT_EQ(run.status, 0) << c.name << ": " << output;

        std::map<std::string, int> found;
        std::istringstream lines(output);
        std::string version;
        int errors = -1;
        for (std::string word; lines >> word;) {
            if (word == "version")
                lines >> version;
            else if (word == "errors")
                lines >> errors;
            else if (word == "layer") {
                std::string layer;
                int count = 0;
                lines >> layer >> count;
                found[layer] = count;
            }
        }
        EXPECT_EQ(version, "AC1009") << c.name;
        EXPECT_EQ(errors, 0) << c.name << ": " << output;
        EXPECT_EQ(found, expected) << c.name << ": " << output;
        if (c.name != "empty") {
            EXPECT_FALSE(found.empty()) << c.name;
        }
    }
}

} // namespace
