// tsmtool export end to end: the real program on the sample models, its files compared with what the
// writers give for the same model opened in this process.

#include "engine/EdgeLabels.h"
#include "engine/EngineCompletion.h"
#include "engine/Flaps.h"
#include "model/DocumentSettings.h"
#include "model/OpenPipeline.h"
#include "sheet/CutFiles.h"
#include "sheet/ExportCommands.h"
#include "sheet/Paper.h"
#include "tests/cli/ToolTestFolder.h"
#include "tests/sheet/InkscapeRender.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <regex>
#include <set>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

using test::FileBytes;

class ExportCommandTest : public test::ToolTestFolder {};

TEST_F(ExportCommandTest, WritesWhatTheWritersGiveToAFileOrStandardOutput) {
    // The model opened as tsmtool opens it: default settings, the open pipeline, the sheet grid.
    Settings defaults;
    RecordingPrompt prompt;
    EngineCompletion completion;
    DocumentController documents{defaults, prompt, completion};
    ASSERT_TRUE(documents.OpenModelFile(Sample("house.tsm")));
    const Settings shown = DocumentSettings(defaults, documents.Current());
    UpdateSheetGrid(*documents.Current(), Paper::FromSettings(shown), true);
    const ExportOptions bare{{true, true}, {false, false}};
    const struct {
        std::vector<std::string> args;
        std::string file; // a name without an extension gets the format's
        ExportFormat format;
        ExportOptions options;
    } cases[] = {
        {{"export", "dxf"}, "house.dxf", ExportFormat::Dxf, {}},
        {{"export", "emf"}, "house.emf", ExportFormat::Emf, {}},
        {{"export", "svg"}, "house", ExportFormat::Svg, {}},
        // The fill options may stand anywhere, as the other options do.
        {{"--not-fill-faces", "export", "eps", "--not-fill-flaps"}, "bare.eps", ExportFormat::Eps, bare},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Result<std::string> made =
            DevelopmentExportBytes(c.format, *documents.Current(), shown, c.options, prompt);
        ASSERT_TRUE(made.ok());
        const std::string& bytes = *made;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {Sample("house.tsm"), Out(c.file)});
        test::ToolRun r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(FileBytes(Out(c.file) + (c.file == "house" ? ".svg" : "")), bytes);
        args.back() = "-";
        r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, bytes);
    }
    EXPECT_FALSE(fs::exists("-.eps"));

    // Standard output that takes nothing: the failure as for a file.
    const test::ToolRun full = Run({"export", "dxf", Sample("house.tsm"), "-"}, {}, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "message: Failed to export development data.\ntsmtool: cannot write standard "
                        "output: No space left on device\n");
}

// Past a file size limit every write fails with EFBIG, as on a full disk: the message, exit 1, the reason,
// and the folder exactly as it was, the existing target with its old bytes and no other file left.
TEST_F(ExportCommandTest, AFullDiskFailsEveryWriterAndLeavesTheFolderAsItWas) {
    const std::string failed = "message: Failed to export development data.\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"export", "eps"}, failed},
        {{"export", "bmp"}, "message: write error\n"},
        {{"save"}, ""},
    };
    for (const auto& [command, message] : cases) {
        const std::string output = "house." + (command.size() > 1 ? command[1] : std::string("tsm"));
        SCOPED_TRACE(output);
        std::ofstream(Out(output)) << "old bytes";
        std::vector<std::string> args = command;
        args.insert(args.end(), {Sample("house.tsm"), Out(output)});
        // 2 blocks are 1 or 2 KB, depending on the shell; every output here is larger.
        const test::ToolRun r = Run(args, "ulimit -f 2;");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, message + "tsmtool: cannot write " + Out(output) + ": File too large\n");
        EXPECT_EQ(Names(), (std::vector<std::string>{output, "stderr.txt"}));
        EXPECT_EQ(FileBytes(Out(output)), "old bytes");
        fs::remove(Out(output));
    }
}

} // namespace

// Print and cut: one file per printed sheet in either format, the options checked, and the marks at their
// places on the printed PDF page (10 pixels per millimetre, so a pixel is a tenth of a millimetre).
TEST_F(ExportCommandTest, CutFilesPerSheetAndMarksOnThePrint) {
    const struct {
        std::vector<std::string> options;
        std::string file, status;
    } cases[] = {
        {{}, "cut_001.svg", ""},
        {{"--format", "dxf", "--marks", "silhouette"}, "cut_001.dxf", ""},
        {{"--marks", "circles"}, "", "tsmtool: --marks is silhouette or none"},
        {{"--format", "pdf"}, "", "tsmtool: --format is svg or dxf"},
        {{"--width", "100"}, "", "tsmtool: cut takes no fill or width options"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"export", "cut"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {Sample("cube.tsm"), Out("cut.svg")});
        const test::ToolRun r = Run(args);
        SCOPED_TRACE(r.line);
        EXPECT_EQ(r.status, c.file.empty() ? 2 : 0) << r.err;
        if (c.file.empty()) {
            EXPECT_EQ(r.err.rfind(c.status, 0), 0u) << r.err;
            continue;
        }
        EXPECT_TRUE(fs::exists(Out(c.file)));
        EXPECT_EQ(FileBytes(Out(c.file)).rfind(c.file.back() == 'g' ? "<?xml" : "  0\nSECTION", 0), 0u);
    }
    EXPECT_EQ(Run({"export", "svg", "--marks", "none", Sample("cube.tsm"), Out("x.svg")}).status, 2);
    // Inkscape reads the sheet and, saving it again, keeps its five layers as layers.
    ASSERT_EQ(test::RunShell("inkscape " + test::ShellQuote(Out("cut_001.svg")) + " --export-type=svg -o " +
                             test::ShellQuote(Out("resaved.svg")))
                  .status,
              0);
    const std::string resaved = FileBytes(Out("resaved.svg"));
    size_t layers = 0;
    for (size_t at = resaved.find("inkscape:groupmode=\"layer\""); at != std::string::npos;
         at = resaved.find("inkscape:groupmode=\"layer\"", at + 1))
        ++layers;
    EXPECT_EQ(layers, 5u);
    for (const char* label : {"Print", "Cut", "Mountain", "Valley", "Registration"})
        EXPECT_NE(resaved.find("inkscape:label=\"" + std::string(label) + '"'), std::string::npos) << label;

    const std::string pdf = Out("marks.pdf");
    ASSERT_EQ(
        Run({"print", Sample("cube.tsm"), "--pdf", pdf, "--dpi", "254", "--marks", "silhouette"}).status, 0);
    ASSERT_EQ(test::RunShell("pdftoppm -r 254 -gray -singlefile " + test::ShellQuote(pdf) + ' ' +
                             test::ShellQuote(Out("page")))
                  .status,
              0);
    const std::string pgm = FileBytes(Out("page.pgm"));
    // "P5\n2100 2970\n255\n" then the pixels, a row of 2100 after another.
    const size_t start = pgm.size() - 2100 * 2970;
    ASSERT_GT(pgm.size(), 2100u * 2970u);
    const auto dark = [&](int x, int y) {
        return static_cast<unsigned char>(pgm[start + y * 2100 + x]) < 128;
    };
    const struct {
        int x, y;
        bool ink;
    } pixels[] = {
        {101, 101, true},  {98, 120, false},  {120, 98, false},   {148, 148, true},  {151, 120, false},
        {1990, 101, true}, {1998, 250, true}, {1990, 106, false}, {1801, 101, true}, {1798, 101, false},
        {101, 2860, true}, {250, 2868, true}, {106, 2860, false}, {101, 2671, true}, {101, 2668, false},
    };
    for (const auto& p : pixels) EXPECT_EQ(dark(p.x, p.y), p.ink) << p.x << ", " << p.y;
}

namespace {

// Pixels of the highlight's pure red (picked faces are drawn so), allowing for the PDF's compression.
int HighlightPixels(const QImage& picture) {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            count += c.red() > 200 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
        }
    return count;
}

} // namespace

// The bunny's instructions as poppler reads them: one picture per step, each step's words as text, and
// the new part's highlight visible in every picture.
TEST_F(ExportCommandTest, InstructionsShowEveryStepWithItsPartHighlighted) {
    ASSERT_EQ(Run({"import", "--faces", "300", "--unfold", "--size", "300", "--strategy", "fewest-parts",
                   Mesh("bunny.obj"), Out("b.tsm")})
                  .status,
              0);
    const int parts = Info(Out("b.tsm"))["development"]["partCount"].toInt();
    ASSERT_GT(parts, 6) << "the case needs more than one page";
    const test::ToolRun r = Run({"export", "instructions", Out("b.tsm"), Out("steps.pdf")});
    ASSERT_EQ(r.status, 0) << r.err;

    const std::string text = test::RunShell("pdftotext " + test::ShellQuote(Out("steps.pdf")) + " -").out;
    for (int step = 1; step <= parts; ++step) {
        EXPECT_NE(text.find("Step " + std::to_string(step) + "\n"), std::string::npos) << step;
        EXPECT_NE(text.find("Part " + std::to_string(step) + "\n"), std::string::npos) << step;
    }
    EXPECT_NE(text.find("start here"), std::string::npos);

    ASSERT_EQ(test::RunShell("pdfimages -png " + test::ShellQuote(Out("steps.pdf")) + " " +
                             test::ShellQuote(Out("picture")))
                  .status,
              0);
    for (int step = 0; step < parts; ++step) {
        char name[32];
        std::snprintf(name, sizeof name, "picture-%03d.png", step);
        const QImage picture(QString::fromStdString(Out(name)));
        ASSERT_FALSE(picture.isNull()) << name;
        EXPECT_GE(HighlightPixels(picture), 300) << name;
    }
    char extra[32];
    std::snprintf(extra, sizeof extra, "picture-%03d.png", parts);
    EXPECT_FALSE(fs::exists(Out(extra))) << "one picture per step";
}

// --part-numbers adds one text per part: the numbers 1 ... n, each at a size between the bounds, each on
// its own part's box.
TEST_F(ExportCommandTest, SvgPartNumbersNameEveryPartOnce) {
    ASSERT_EQ(Run({"import", "--faces", "300", "--unfold", "--size", "300", "--strategy", "fewest-parts",
                   Mesh("bunny.obj"), Out("b.tsm")})
                  .status,
              0);
    ASSERT_EQ(Run({"export", "svg", "--part-numbers", Out("b.tsm"), Out("b.svg")}).status, 0);
    ASSERT_EQ(Run({"export", "svg", Out("b.tsm"), Out("plain.svg")}).status, 0);
    EXPECT_EQ(FileBytes(Out("plain.svg")).find("part-numbers"), std::string::npos);
    const QJsonArray parts = Info(Out("b.tsm"))["development"]["parts"].toArray();
    const std::string svg = FileBytes(Out("b.svg"));
    const size_t group = svg.find("<g id=\"part-numbers\"");
    ASSERT_NE(group, std::string::npos);
    const std::regex text(
        "<text x=\"([-0-9.e]+)\" y=\"([-0-9.e]+)\" font-size=\"([0-9.e]+)\">([0-9]+)</text>");
    std::set<int> numbers;
    const std::string body = svg.substr(group, svg.find("</g>", group) - group);
    for (auto it = std::sregex_iterator(body.begin(), body.end(), text); it != std::sregex_iterator(); ++it) {
        const double x = std::stod((*it)[1]), y = std::stod((*it)[2]), size = std::stod((*it)[3]);
        EXPECT_TRUE(size >= 2.2 - 1e-9 && size <= 12 + 1e-9) << size;
        numbers.insert(std::stoi((*it)[4]));
        // Some part's box holds the number's centre (the baseline stands 0.35 size below it).
        const bool onAPart = std::any_of(parts.begin(), parts.end(), [&](const QJsonValue& p) {
            return x >= p["x"].toDouble() && x <= p["x"].toDouble() + p["width"].toDouble() &&
                   y - 0.35 * size >= p["y"].toDouble() &&
                   y - 0.35 * size <= p["y"].toDouble() + p["height"].toDouble();
        });
        EXPECT_TRUE(onAPart) << (*it)[4];
    }
    std::set<int> expected;
    for (int n = 1; n <= parts.size(); ++n) expected.insert(n);
    EXPECT_EQ(numbers, expected);
    EXPECT_NE(Run({"export", "eps", "--part-numbers", Out("b.tsm"), Out("b.eps")}).status, 0);
}

namespace {

struct Segment2 {
    Point2 a, b;
};

struct SvgLabel {
    Point2 centre;
    double angle = 0, size = 0; // radians, millimetres
    std::string text;
};

std::vector<SvgLabel> LabelsIn(const std::string& body) {
    static const std::regex edge(
        "<text transform=\"translate\\(([-0-9.e]+) ([-0-9.e]+)\\) rotate\\(([-0-9.e]+)\\)\" "
        "y=\"[-0-9.e]+\" font-size=\"([0-9.e]+)\">([0-9-]+)</text>");
    static const std::regex part(
        "<text x=\"([-0-9.e]+)\" y=\"([-0-9.e]+)\" font-size=\"([0-9.e]+)\">([0-9]+)</text>");
    std::vector<SvgLabel> out;
    for (auto it = std::sregex_iterator(body.begin(), body.end(), edge); it != std::sregex_iterator(); ++it)
        out.push_back({{std::stod((*it)[1]), std::stod((*it)[2])},
                       std::stod((*it)[3]) * 3.14159265358979 / 180,
                       std::stod((*it)[4]),
                       (*it)[5]});
    for (auto it = std::sregex_iterator(body.begin(), body.end(), part); it != std::sregex_iterator(); ++it) {
        const double size = std::stod((*it)[3]);
        out.push_back({{std::stod((*it)[1]), std::stod((*it)[2]) - 0.35 * size}, 0, size, (*it)[4]});
    }
    return out;
}

std::array<Point2, 4> BoxOf(const SvgLabel& label) {
    return LabelBox(label.centre, label.angle, label.size, label.text.size());
}

bool InPolygon(const Point2& p, const std::vector<Point2>& polygon) {
    bool in = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
        if ((polygon[i].y > p.y) != (polygon[j].y > p.y) &&
            p.x < (polygon[j].x - polygon[i].x) * (p.y - polygon[i].y) / (polygon[j].y - polygon[i].y) +
                      polygon[i].x)
            in = !in;
    return in;
}

} // namespace

// Meshes unfolded with fewest parts at the sizes a person builds them at, exported as SVG with edge IDs and
// part numbers: every side of every numbered edge has its label, inside its own face, on its own flap or at
// the end of a leader from its edge, never below the smallest size, and no two texts overlap. Part numbers
// run 1 ... n.
TEST_F(ExportCommandTest, EdgeLabelsStandOnBothSidesLegibleAndApart) {
    const struct {
        const char* mesh;
        const char* faces; // "" keeps the mesh's own
        const char* size;
        std::vector<std::string> rules;
    } cases[] = {
        {"geosphere.off", "", "150", {}},
        {"cactus.off", "600", "150", {"--set", "bEdgeLabelPartEdge=1"}},
        {"bunny.obj", "600", "150", {"--set", "bEdgeLabelOnFlap=1", "--set", "dEdgeLabelMinCapMM=1.8"}},
        {"bunny.obj", "1500", "300", {"--set", "bEdgeLabelPartEdge=1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mesh) + " at " + c.size);
        std::vector<std::string> import{"import",     "--unfold",     "--size", c.size,
                                        "--strategy", "fewest-parts", "--set",  "bDrawNumber=1"};
        if (*c.faces) import.insert(import.end(), {"--faces", c.faces});
        import.insert(import.end(), {Mesh(c.mesh), Out("m.tsm")});
        ASSERT_EQ(Run(import).status, 0);
        std::vector<std::string> exportArgs{"export", "svg", "--part-numbers"};
        exportArgs.insert(exportArgs.end(), c.rules.begin(), c.rules.end());
        exportArgs.insert(exportArgs.end(), {Out("m.tsm"), Out("m.svg")});
        ASSERT_EQ(Run(exportArgs).status, 0);
        const std::string svg = FileBytes(Out("m.svg"));
        const size_t ids = svg.find("<g id=\"edge-ids\""), numbers = svg.find("<g id=\"part-numbers\"");
        ASSERT_TRUE(ids != std::string::npos && numbers != std::string::npos);
        const std::vector<SvgLabel> labels = LabelsIn(svg.substr(ids, numbers - ids));
        std::vector<SvgLabel> texts = labels;
        const std::vector<SvgLabel> parts = LabelsIn(svg.substr(numbers));
        texts.insert(texts.end(), parts.begin(), parts.end());

        Settings defaults;
        RecordingPrompt prompt;
        EngineCompletion completion;
        DocumentController documents{defaults, prompt, completion};
        ASSERT_TRUE(documents.OpenModelFile(Out("m.tsm")));
        const Development& dev = *documents.Current()->development;
        std::set<std::string> partNumbers, expectedNumbers;
        for (const SvgLabel& p : parts) partNumbers.insert(p.text);
        for (size_t n = 1; n <= dev.parts.size(); ++n) expectedNumbers.insert(std::to_string(n));
        EXPECT_EQ(partNumbers, expectedNumbers);

        const double smallest = (c.rules.size() > 2 ? 1.8 : 1.5) / 0.7;
        std::vector<Segment2> leaders;
        const std::regex line(
            "<line x1=\"([-0-9.e]+)\" y1=\"([-0-9.e]+)\" x2=\"([-0-9.e]+)\" y2=\"([-0-9.e]+)\"/>");
        const std::string body = svg.substr(ids, numbers - ids);
        for (auto it = std::sregex_iterator(body.begin(), body.end(), line); it != std::sregex_iterator();
             ++it)
            leaders.push_back(
                {{std::stod((*it)[1]), std::stod((*it)[2])}, {std::stod((*it)[3]), std::stod((*it)[4])}});
        // Each side's label by its edge ID (the text's last number), taken by the first side that holds it.
        std::map<int, std::vector<const SvgLabel*>> byEdge;
        for (const SvgLabel& label : labels) {
            EXPECT_GE(label.size, smallest - 1e-3) << label.text;
            byEdge[std::stoi(label.text.substr(label.text.rfind('-') + 1))].push_back(&label);
        }
        size_t sides = 0;
        for (const auto& part : dev.parts) {
            const Point2 offset{part->x, part->y};
            for (const Face* face : part->faces)
                for (const auto& h : face->halfEdges) {
                    if (h->edge->edgeId == -1) continue;
                    ++sides;
                    std::vector<Point2> polygon, flap;
                    for (const auto& corner : face->halfEdges) polygon.push_back(offset + corner->Pos2D());
                    if (h->hasFlap)
                        for (const Point2& q : FlapOutline(*h)) flap.push_back(offset + q);
                    const Point2 mid = offset + (h->Pos2D() + h->next->Pos2D()) * 0.5;
                    auto& candidates = byEdge[h->edge->edgeId];
                    const auto mine =
                        std::find_if(candidates.begin(), candidates.end(), [&](const SvgLabel* l) {
                            if (InPolygon(l->centre, polygon) ||
                                (!flap.empty() && InPolygon(l->centre, flap)))
                                return true;
                            return std::any_of(leaders.begin(), leaders.end(), [&](const Segment2& s) {
                                return Length(s.a - mid) < 0.5 && InPolygon(s.a, polygon) &&
                                       Length(s.b - l->centre) <=
                                           Length(Point2{0.3 * l->size * l->text.size(), 0.5 * l->size}) +
                                               0.3;
                            });
                        });
                    ASSERT_NE(mine, candidates.end()) << "edge " << h->edge->edgeId;
                    candidates.erase(mine);
                }
        }
        EXPECT_EQ(sides, labels.size());
        // No two texts overlap: sorted by their left ends, each checked against those starting before its
        // right end.
        std::vector<std::pair<double, std::array<Point2, 4>>> boxes;
        for (const SvgLabel& t : texts) {
            const auto box = BoxOf(t);
            double left = box[0].x;
            for (const Point2& p : box) left = std::min(left, p.x);
            boxes.push_back({left, box});
        }
        std::sort(boxes.begin(), boxes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        int overlaps = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            double right = boxes[i].first;
            for (const Point2& p : boxes[i].second) right = std::max(right, p.x);
            for (size_t j = i + 1; j < boxes.size() && boxes[j].first < right; ++j)
                overlaps += LabelBoxesOverlap(boxes[i].second, boxes[j].second) ? 1 : 0;
        }
        EXPECT_EQ(overlaps, 0);
    }
}

// The Print layer of each cut file against the printed PDF page of its sheet, each drawn at 150 dpi by a
// reader none of us wrote: at most 1 % of the pixels may differ by more than 64 in a channel. The samples
// and shared meshes unfolded at --size 150 (the sheets with the most lines, flaps and pictures).
TEST_F(ExportCommandTest, CutFilePrintLayerMatchesThePrintedPage) {
    if (!test::InkscapeInstalled())
        GTEST_SKIP() << "inkscape is not installed: no real reader checks the SVG";
    const struct {
        std::string model, mesh; // a sample, or a mesh to unfold first
        std::vector<int> sheets;
    } cases[] = {
        {"house.tsm", "", {1}}, {"cube.tsm", "", {1}},      {"", "cactus.off", {1, 2}},
        {"", "bunny.obj", {2}}, {"", "geosphere.off", {1}}, {"", "icosahedron.off", {1}},
    };
    for (const auto& c : cases) {
        std::string model = c.model.empty() ? Out(c.mesh + ".tsm") : Sample(c.model.c_str());
        SCOPED_TRACE(model);
        if (!c.mesh.empty()) {
            ASSERT_EQ(Run({"import", "--unfold", "--size", "150", Mesh(c.mesh.c_str()), model}).status, 0);
        }
        ASSERT_EQ(Run({"export", "cut", model, Out("cut.svg")}).status, 0);
        ASSERT_EQ(Run({"print", model, "--pdf", Out("page.pdf")}).status, 0);
        for (int sheet : c.sheets) {
            const std::string n = std::to_string(sheet);
            ASSERT_EQ(test::RunShell("pdftoppm -r 150 -png -singlefile -f " + n + " -l " + n + ' ' +
                                     test::ShellQuote(Out("page.pdf")) + ' ' + test::ShellQuote(Out("page")))
                          .status,
                      0);
            const QImage printed =
                QImage(QString::fromStdString(Out("page.png"))).convertToFormat(QImage::Format_RGB32);
            std::string log;
            const QImage drawn = test::RenderWithInkscape(
                CutFilePath(Out("cut.svg"), sheet, CutFileFormat::Svg), 150, &log, "print");
            ASSERT_FALSE(drawn.isNull()) << log;
            // The two round the page's 297 mm to whole pixels apart.
            const int w = std::min(printed.width(), drawn.width()),
                      h = std::min(printed.height(), drawn.height());
            ASSERT_GE(std::min(w, h), 1200);
            long differing = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const QRgb a = printed.pixel(x, y), b = drawn.pixel(x, y);
                    differing += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                           std::abs(qBlue(a) - qBlue(b))}) > 64;
                }
            EXPECT_LE(100.0 * differing / (double(w) * h), 1.0) << "sheet " << sheet;
        }
    }
}
