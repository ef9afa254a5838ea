// Print-and-cut files: the samples' sheets checked point by point against their cut outlines, the SVG's
// size and layers read back with Qt's XML reader, the DXF read by ezdxf, the marks at their places.
#include "sheet/CutFiles.h"

#include "engine/Extents.h"
#include "engine/FlapOutline.h"
#include "engine/Flaps.h"
#include "engine/MeshImportPipeline.h"
#include "engine/UndoCommands.h"
#include "engine/Unfolder.h"
#include "model/MeshImport.h"
#include "model/Settings.h"
#include "sheet/MarkClearance.h"
#include "tests/sheet/GoldenFiles.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TestMeshFiles.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Samples.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace tsm;

namespace {

struct Sample {
    Document doc;
    Settings settings;
    Paper paper;
    explicit Sample(bool house) {
        if (house)
            BuildSampleHouse(doc);
        else
            BuildSampleCube(doc);
        settings = WithDisplay(Settings(), doc.display);
        paper = Paper::FromSettings(settings);
        UpdateSheetGrid(doc, paper, true);
    }
};

double DistanceToSegment(const Point2& p, const Point2& a, const Point2& b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::max(0.0, std::min(1.0, t));
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// 1 inside, 0 on (within 0.01 mm), -1 outside; holes count.
int Locate(const Point2& p, const PartCutOutline& cut) {
    bool inside = false;
    for (const ClosedPath* path = &cut.outer; path != nullptr;) {
        for (size_t i = 0, n = path->size(); i < n; ++i) {
            const Point2& a = (*path)[i];
            const Point2& b = (*path)[(i + 1) % n];
            if (DistanceToSegment(p, a, b) <= 0.01) return 0;
            if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y))
                inside = !inside;
        }
        const size_t next = path == &cut.outer ? 0 : static_cast<size_t>(path - cut.holes.data()) + 1;
        path = next < cut.holes.size() ? &cut.holes[next] : nullptr;
    }
    return inside ? 1 : -1;
}

struct SvgLayers {
    std::string size; // width height viewBox
    std::vector<std::string> labels;
    std::map<std::string, std::vector<std::string>> paths; // d attributes by layer label
};

SvgLayers ReadSvg(const std::string& text) {
    SvgLayers svg;
    QXmlStreamReader xml(QString::fromStdString(text));
    std::string layer;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto attribute = [&](const char* name) {
            return xml.attributes().value(name).toString().toStdString();
        };
        if (xml.name() == QLatin1String("svg"))
            svg.size = attribute("width") + ' ' + attribute("height") + ' ' + attribute("viewBox");
        if (xml.name() == QLatin1String("g") &&
            xml.attributes().value("http://www.inkscape.org/namespaces/inkscape", "groupmode") ==
                QLatin1String("layer")) {
            layer = xml.attributes()
                        .value("http://www.inkscape.org/namespaces/inkscape", "label")
                        .toString()
                        .toStdString();
            svg.labels.push_back(layer);
        }
        if (xml.name() == QLatin1String("path")) svg.paths[layer].push_back(attribute("d"));
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return svg;
}

} // namespace

TEST(RegistrationMarks, ShapesAndKeepOutZonesOnA4) {
    const auto shapes = RegistrationMarkShapes(MarksKind::Silhouette, 210, 297);
    ASSERT_EQ(shapes.size(), 3u);
    // Bounding boxes: left, top, right, bottom.
    const double boxes[3][4] = {{10, 10, 15, 15}, {180, 10, 200, 30}, {10, 267, 30, 287}};
    const auto zones = MarkKeepOutZones(MarksKind::Silhouette, 210, 297);
    ASSERT_EQ(zones.size(), 3u);
    const double zoneBoxes[3][4] = {{0, 0, 35, 35}, {160, 0, 210, 50}, {0, 247, 50, 297}};
    for (size_t i = 0; i < 3; ++i) {
        double area2 = 0;
        PaperRect box{1e9, 1e9, -1e9, -1e9};
        for (size_t k = 0; k < shapes[i].size(); ++k) {
            const Point2 a = shapes[i][k], b = shapes[i][(k + 1) % shapes[i].size()];
            area2 += a.x * b.y - b.x * a.y;
            box = {std::min(box.left, a.x), std::min(box.top, a.y), std::max(box.right, a.x),
                   std::max(box.bottom, a.y)};
        }
        EXPECT_EQ((std::vector<double>{box.left, box.top, box.right, box.bottom}),
                  (std::vector<double>(boxes[i], boxes[i] + 4)))
            << i;
        // The square is 25 mm², an L two arms of 20 x 0.5 sharing their corner: 19.75 mm².
        EXPECT_DOUBLE_EQ(area2 / 2, i == 0 ? 25.0 : 19.75) << "clockwise on the sheet, " << i;
        EXPECT_EQ((std::vector<double>{zones[i].left, zones[i].top, zones[i].right, zones[i].bottom}),
                  (std::vector<double>(zoneBoxes[i], zoneBoxes[i] + 4)))
            << i;
    }
    EXPECT_TRUE(RegistrationMarkShapes(MarksKind::None, 210, 297).empty());
    EXPECT_TRUE(MarkKeepOutZones(MarksKind::None, 210, 297).empty());
    EXPECT_EQ(MarksKindNamed("silhouette"), MarksKind::Silhouette);
    EXPECT_EQ(MarksKindNamed("none"), MarksKind::None);
    EXPECT_FALSE(MarksKindNamed("Silhouette"));
}

namespace {

bool SegmentsCross(const Point2& a, const Point2& b, const Point2& c, const Point2& d) {
    const auto side = [](const Point2& p, const Point2& q, const Point2& r) {
        return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
    };
    const double d1 = side(c, d, a), d2 = side(c, d, b), d3 = side(a, b, c), d4 = side(a, b, d);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

PaperRect BoxOf(const ClosedPath& path) {
    PaperRect box{1e300, 1e300, -1e300, -1e300};
    for (const Point2& p : path)
        box = {std::min(box.left, p.x), std::min(box.top, p.y), std::max(box.right, p.x),
               std::max(box.bottom, p.y)};
    return box;
}

int CrossingsBetween(const ClosedPath& one, const ClosedPath& other) {
    const PaperRect a = BoxOf(one), b = BoxOf(other);
    if (a.right < b.left || b.right < a.left || a.bottom < b.top || b.bottom < a.top) return 0;
    int crossings = 0;
    for (size_t i = 0; i < one.size(); ++i)
        for (size_t k = 0; k < other.size(); ++k)
            crossings +=
                SegmentsCross(one[i], one[(i + 1) % one.size()], other[k], other[(k + 1) % other.size()]);
    return crossings;
}

// Every face corner and drawn flap tip of a part lies inside or on its own cut outline and on no other of
// its sheet; every part is cut exactly once; no two parts' outlines cross.
void ExpectEveryPointInExactlyOneOutline(const Document& doc, const Settings& settings, const Paper& paper) {
    const Development& dev = *doc.development;
    const std::vector<CutSheet> sheets = BuildCutSheets(doc, settings, paper, MarksKind::None);
    ASSERT_FALSE(sheets.empty());
    std::vector<int> outers(dev.parts.size(), 0);
    for (const CutSheet& sheet : sheets) {
        const Point2 shift{paper.sideMarginMM - sheet.sheet.column * paper.PrintableWidth(),
                           paper.topMarginMM - sheet.sheet.row * paper.PrintableHeight()};
        for (const PartCutOutline& cut : sheet.cuts) {
            ++outers[cut.partIndex];
            const Part& part = *dev.parts[cut.partIndex];
            std::vector<Point2> points;
            for (const Face* face : part.faces)
                for (const auto& corner : face->halfEdges) points.push_back(corner->Pos2D());
            for (const auto& line : part.lines)
                if (HasDrawnFlap(line->drawKind))
                    for (const Point2& p : FlapOutline(*line->first)) points.push_back(p);
            for (Point2 p : points) {
                p = Point2{part.x, part.y} + p + shift;
                int holders = 0;
                for (const PartCutOutline& other : sheet.cuts) holders += Locate(p, other) >= 0 ? 1 : 0;
                EXPECT_GE(Locate(p, cut), 0) << "part " << cut.partIndex << " at " << p.x << ", " << p.y;
                EXPECT_EQ(holders, 1) << "part " << cut.partIndex << " at " << p.x << ", " << p.y;
            }
        }
        for (size_t i = 0; i < sheet.cuts.size(); ++i)
            for (size_t k = i + 1; k < sheet.cuts.size(); ++k)
                EXPECT_EQ(CrossingsBetween(sheet.cuts[i].outer, sheet.cuts[k].outer), 0)
                    << "parts " << sheet.cuts[i].partIndex << " and " << sheet.cuts[k].partIndex;
    }
    for (size_t i = 0; i < outers.size(); ++i) EXPECT_EQ(outers[i], 1) << "part " << i;
}

} // namespace

TEST(CutFiles, EveryCornerAndFlapTipLiesInExactlyOneOutlineOfItsSheet) {
    for (bool house : {false, true}) {
        SCOPED_TRACE(house ? "house" : "cube");
        Sample s(house);
        ExpectEveryPointInExactlyOneOutline(s.doc, s.settings, s.paper);
    }
}

// The same for every mesh of the test data unfolded as a person builds it: 150 mm at its largest, A4.
TEST(CutFiles, MeshesAt150MillimetresCutEachPartOnceWithoutCrossings) {
    const std::vector<std::string> files = test::TestMeshFiles();
    ASSERT_GE(files.size(), 10u);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        RecordingPrompt prompt(false);
        Settings settings;
        settings.layoutMethod.automatic = false;
        Result<ImportedMesh> imported = ImportMeshDocument(path, settings, prompt);
        ASSERT_TRUE(imported.ok());
        Document& doc = *imported->document;
        doc.documentScale = ScaleForLargestDimension(*doc.model, 150);
        const Paper paper = Paper::FromSettings(settings);
        const SheetArea region = PrintableRegion(paper, settings);
        UnfoldOptions options;
        options.printableWidthMM = region.printableWidthMM;
        options.printableHeightMM = region.printableHeightMM;
        ASSERT_TRUE(UnfoldDocument(
                        doc, settings, prompt, [] { return true; }, options)
                        .ok());
        UpdateSheetGrid(doc, paper, true);
        ExpectEveryPointInExactlyOneOutline(doc, settings, paper);
    }
}

TEST(CutFiles, SvgHasThePaperSizeAndTheFiveLayers) {
    Sample s(false);
    for (MarksKind marks : {MarksKind::None, MarksKind::Silhouette}) {
        const std::vector<CutSheet> sheets = BuildCutSheets(s.doc, s.settings, s.paper, marks);
        ASSERT_EQ(sheets.size(), 1u);
        const SvgLayers svg = ReadSvg(CutSheetSvg(s.doc, s.settings, s.paper, sheets[0], marks));
        EXPECT_EQ(svg.size, "210mm 297mm 0 0 210 297");
        EXPECT_EQ(svg.labels,
                  (std::vector<std::string>{"Print", "Cut", "Mountain", "Valley", "Registration"}));
        EXPECT_EQ(svg.paths.at("Cut").size(), s.doc.development->parts.size());
        EXPECT_EQ(svg.paths.count("Registration") ? svg.paths.at("Registration").size() : 0u,
                  marks == MarksKind::None ? 0u : 3u);
        EXPECT_FALSE(svg.paths.at("Mountain").empty());
    }
    // The square's path exactly: its painted corner 10 mm from the top and left edges.
    const std::vector<CutSheet> sheets = BuildCutSheets(s.doc, s.settings, s.paper, MarksKind::Silhouette);
    EXPECT_EQ(ReadSvg(CutSheetSvg(s.doc, s.settings, s.paper, sheets[0], MarksKind::Silhouette))
                  .paths.at("Registration")[0],
              "M 10,10 L 15,10 L 15,15 L 10,15 Z");
}

TEST(CutFiles, EzdxfReadsTheLayersUnitsAndMarks) {
    std::string python;
    for (const char* candidate : {"/usr/bin/python3", "python3"})
        if (python.empty() && test::RunShell(std::string(candidate) + " -c 'import ezdxf' 2>&1").status == 0)
            python = candidate;
    if (python.empty()) GTEST_SKIP() << "no python3 with ezdxf; scripts/setup installs python3-ezdxf";
    Sample s(true);
    test::ScratchDir dir;
    RecordingPrompt prompt;
    std::vector<std::string> written;
    ASSERT_TRUE(ExportCutFiles(s.doc, s.settings, dir.Path("house.dxf"),
                               {CutFileFormat::Dxf, MarksKind::None}, prompt, &written)
                    .ok());
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written[0], dir.Path("house_001.dxf"));
    std::map<std::string, int> counts;
    size_t cuts = 0;
    for (const std::string& path : written) {
        const test::ShellResult run = test::RunShell(python + " '" + TESSALY_SOURCE_DIR +
                                                     "/tests/sheet/cut_dxf_check.py' '" + path + "' 2>&1");
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("version AC1015\nunits 4\nerrors 0\n"), std::string::npos) << run.out;
        std::istringstream lines(run.out);
        for (std::string layer, kind, rest; lines >> layer >> kind && std::getline(lines, rest);)
            if (layer == "CUT" || layer == "MOUNTAIN" || layer == "VALLEY") ++counts[layer + " " + kind];
    }
    for (const CutSheet& sheet : BuildCutSheets(s.doc, s.settings, s.paper, MarksKind::None))
        for (const PartCutOutline& cut : sheet.cuts) cuts += 1 + cut.holes.size();
    EXPECT_EQ(counts["CUT closed"], static_cast<int>(cuts));
    EXPECT_EQ(counts["CUT open"], 0);
    EXPECT_GT(counts["MOUNTAIN open"], 0);

    // With marks: the square stands 10 mm from the top and left, y up from the bottom left corner.
    Sample cube(false);
    ASSERT_TRUE(ExportCutFiles(cube.doc, cube.settings, dir.Path("cube"),
                               {CutFileFormat::Dxf, MarksKind::Silhouette}, prompt)
                    .ok());
    const test::ShellResult run =
        test::RunShell(python + " '" + TESSALY_SOURCE_DIR + "/tests/sheet/cut_dxf_check.py' '" +
                       dir.Path("cube_001.dxf") + "'");
    EXPECT_NE(run.out.find("REGISTRATION closed 10.0000 282.0000 15.0000 287.0000\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("REGISTRATION closed 180.0000 267.0000 200.0000 287.0000\n"), std::string::npos);
    EXPECT_NE(run.out.find("REGISTRATION closed 10.0000 10.0000 30.0000 30.0000\n"), std::string::npos);
}

TEST(CutFiles, PathsAndRefusals) {
    const struct {
        const char* chosen;
        int page;
        CutFileFormat format;
        const char* path;
    } names[] = {{"out.svg", 1, CutFileFormat::Svg, "out_001.svg"},
                 {"/a.b/out", 12, CutFileFormat::Dxf, "/a.b/out_012.dxf"},
                 {"dir/out.svg", 3, CutFileFormat::Dxf, "dir/out_003.dxf"}};
    for (const auto& n : names) EXPECT_EQ(CutFilePath(n.chosen, n.page, n.format), n.path);

    Document none;
    RecordingPrompt prompt;
    EXPECT_TRUE(ExportCutFiles(none, Settings(), "x.svg", {}, prompt).cancelled());
    EXPECT_EQ(prompt.texts, std::vector<std::string>{"No data for development."});

    // A part moved into the top left corner with marks on: moved away, rigidly, as one undoable edit, and
    // named; the files then have nothing in the zones.
    Sample s(false);
    Part& part = *s.doc.development->parts[0];
    part.x = -s.paper.sideMarginMM + 12;
    part.y = -s.paper.topMarginMM + 12;
    test::ScratchDir dir;
    prompt.texts.clear();
    std::vector<std::string> written;
    EXPECT_TRUE(ExportCutFiles(s.doc, s.settings, dir.Path("cube.svg"),
                               {CutFileFormat::Svg, MarksKind::Silhouette}, prompt, &written)
                    .ok());
    EXPECT_EQ(prompt.texts, std::vector<std::string>{"Part 1 was moved away from the registration marks."});
    EXPECT_EQ(written.size(), 1u);
    const std::vector<CutSheet> sheets = BuildCutSheets(s.doc, s.settings, s.paper, MarksKind::Silhouette);
    EXPECT_TRUE(PartsInMarkZones(sheets, s.paper, MarksKind::Silhouette).empty());
    EXPECT_TRUE(s.doc.history.CanUndo()) << "undo gives the old place back";

    // Printing with the marks setting: the same move before the pages, as one edit that undo takes back;
    // without marks, or once nothing is in the way, nothing is touched or said.
    for (MarksKind marks : {MarksKind::None, MarksKind::Silhouette}) {
        Sample p(false);
        Part& first = *p.doc.development->parts[0];
        first.x = -p.paper.sideMarginMM + 12;
        first.y = -p.paper.topMarginMM + 12;
        const double x = first.x, y = first.y;
        p.settings.marksKind = static_cast<int32_t>(marks);
        RecordingPrompt told;
        const EditResult cleared = ClearMarkZonesBeforePrinting(p.doc, p.settings, p.paper, told);
        ASSERT_TRUE(cleared.ok());
        const bool moves = marks != MarksKind::None;
        EXPECT_EQ(*cleared != UpdateHint::Redraw, moves);
        EXPECT_EQ(first.x != x || first.y != y, moves);
        EXPECT_EQ(told.texts.size(), moves ? 1u : 0u);
        EXPECT_EQ(p.doc.history.CanUndo(), moves);
        if (!moves) continue;
        const EditResult again = ClearMarkZonesBeforePrinting(p.doc, p.settings, p.paper, told);
        EXPECT_EQ(*again, UpdateHint::Redraw);
        EXPECT_EQ(told.texts.size(), 1u);
        EditContext context{p.doc, p.settings, p.paper.PrintableWidth()};
        ASSERT_TRUE(Undo(context).ok());
        EXPECT_EQ(p.doc.development->parts[0]->x, x);
        EXPECT_EQ(p.doc.development->parts[0]->y, y);
    }

    // Messages for moved parts and for parts that found no room.
    EXPECT_EQ(
        MarkClearanceMessage({{0, {1, 1}, true}, {3, {}, false}, {4, {}, false}}),
        "Part 1 was moved away from the registration marks.\nParts 4, 5 lie within 20 mm of a registration "
        "mark and found no free room; move them before cutting.");
    EXPECT_EQ(MarkClearanceMessage({}), "");
}
