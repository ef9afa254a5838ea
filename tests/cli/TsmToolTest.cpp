// End-to-end checks of the tsmtool contract: the real program on real files, its JSON read back by Qt.

#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

class TsmToolTest : public test::ToolTestFolder {};

TEST_F(TsmToolTest, InfoReportsTheCubeSample) {
    const test::ToolRun r = Run({"info", Sample("cube.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject j = r.Json();
    EXPECT_TRUE(j["opened"].toBool());
    EXPECT_EQ(j["result"].toInt(), 0);
    EXPECT_EQ(j["format"].toInt(), 3);
    EXPECT_EQ(j["title"].toString(), "cube");
    EXPECT_TRUE(j["messages"].toArray().isEmpty()) << r.err;
    EXPECT_FALSE(j["model"]["solids"][0].toObject().contains("faceList")) << "only --detail lists faces";

    // --detail lists edges too (the faces' corners are read in the edit tests): every fold of a cube is a
    // right-angled mountain.
    const QJsonArray edges = Info(Sample("cube.tsm"), true)["model"]["solids"][0]["edgeList"].toArray();
    ASSERT_EQ(edges.size(), 12);
    for (const QJsonValue& edge : edges) {
        EXPECT_DOUBLE_EQ(edge["foldAngle"].toDouble(), 90.0);
        EXPECT_TRUE(edge["foldSense"].toBool());
    }
    // Names are decoded from the writer's code page.
    Document doc;
    AddSolid(doc, "Caf\xE9 \x80", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    ASSERT_TRUE(WriteBinaryModel(doc, Settings{}, Out("names.tsm")).ok());
    EXPECT_EQ(Info(Out("names.tsm"))["model"]["solids"][0]["name"].toString(),
              QString::fromUtf8("Caf\u00e9 \u20ac"));
}

// An OBJ with a material library: the detail lists each material's colour and texture size and each
// corner's texture coordinates as imported (v turned over: OBJ counts it up the image).
TEST_F(TsmToolTest, ImportedMaterialsShowTheirColourTextureAndCoordinates) {
    std::string bmp = "BM";
    for (uint32_t v : {54u + 64 * 64 * 3, 0u, 54u, 40u, 64u, 64u, 1u | (24u << 16), 0u, 0u, 0u, 0u, 0u, 0u})
        bmp.append(reinterpret_cast<const char*>(&v), 4);
    bmp.resize(54 + 64 * 64 * 3, char(200));
    std::ofstream(Out("t.bmp"), std::ios::binary) << bmp;
    std::ofstream(Out("m.mtl")) << "newmtl paint\nKd 1 0.5 0\nnewmtl tex\nmap_Kd t.bmp\n";
    std::ofstream(Out("m.obj")) << "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0.25 0.125\n"
                                   "usemtl paint\nf 1 2 3\nusemtl tex\nf 2/1 4/1 3/1\n";
    const test::ToolRun r = Run({"import", Out("m.obj"), Out("m.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject model = Info(Out("m.tsm"), true)["model"].toObject();
    EXPECT_EQ(model["materials"][0]["color"].toString(), "FF8000");
    EXPECT_EQ(model["materials"][1]["color"].toString(), "FFFFFF");
    EXPECT_EQ(model["materials"][1]["texture"].toArray(), (QJsonArray{64, 64}));
    const QJsonObject corner = model["solids"][0]["faceList"][1]["corners"][0].toObject();
    EXPECT_EQ(corner["u"].toDouble(), 0.25);
    EXPECT_EQ(corner["v"].toDouble(), 0.875);
}

// A cube textured with a four-colour checker, each face inside one quadrant (two faces red, two green,
// one blue, one yellow; OBJ counts v up the image), imported, unfolded and exported: the development
// shows each colour over the area of its faces, so a texture turned over (red for blue) or a face
// without its texture shows.
TEST_F(TsmToolTest, AnImportedTextureIsPrintedOnEveryFace) {
    QImage checker(64, 64, QImage::Format_RGB888);
    const QColor quadrants[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) checker.setPixelColor(x, y, quadrants[(y / 32) * 2 + x / 32]);
    ASSERT_TRUE(checker.save(QString::fromStdString(Out("checker.png"))));
    std::ofstream(Out("c.mtl")) << "newmtl checker\nKd 1 1 1\nmap_Kd checker.png\n";
    std::ofstream(Out("c.obj"))
        << "mtllib c.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
           "vt 0.1 0.6\nvt 0.4 0.6\nvt 0.4 0.9\nvt 0.1 0.9\nvt 0.6 0.6\nvt 0.9 0.6\nvt 0.9 0.9\nvt 0.6 0.9\n"
           "vt 0.1 0.1\nvt 0.4 0.1\nvt 0.4 0.4\nvt 0.1 0.4\nvt 0.6 0.1\nvt 0.9 0.1\nvt 0.9 0.4\nvt 0.6 0.4\n"
           "usemtl checker\nf 1/1 4/2 3/3 2/4\nf 5/5 6/6 7/7 8/8\nf 1/9 2/10 6/11 5/12\nf 2/13 3/14 7/15 "
           "6/16\n"
           "f 3/1 4/2 8/3 7/4\nf 4/5 1/6 5/7 8/8\n";
    ASSERT_EQ(Run({"--yes", "import", "--unfold", Out("c.obj"), Out("c.tsm")}).status, 0);
    const test::ToolRun exported = Run({"export", "bmp", "--width", "800", Out("c.tsm"), Out("c.bmp")});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const QImage picture(QString::fromStdString(Out("c.bmp")));
    int counts[4] = {0, 0, 0, 0};
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            for (int k = 0; k < 4; ++k) counts[k] += picture.pixelColor(x, y) == quadrants[k];
    EXPECT_GT(counts[2], 1000);
    EXPECT_NEAR(counts[3], counts[2], counts[2] * 0.1);
    EXPECT_NEAR(counts[0], 2 * counts[2], counts[2] * 0.2);
    EXPECT_NEAR(counts[1], 2 * counts[2], counts[2] * 0.2);
}

// Other commands on a model that cannot be opened: the same message, exit 1 and nothing written.
TEST_F(TsmToolTest, FailuresPrintJsonAndMessagesAndExitOne) {
    test::ToolRun r = Run({"info", Out("absent.tsm")});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.Json()["opened"].toBool());
    EXPECT_TRUE(r.Json()["result"].isNull());
    EXPECT_EQ(r.Json()["messages"].toArray(), QJsonArray{"File does not exist."});
    EXPECT_EQ(r.err, "message: File does not exist.\n");
    EXPECT_EQ(Run({"export", "dxf", Out("absent.tsm"), Out("absent.dxf")}).status, 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"stderr.txt"});

    // A refused version: its message keeps its line breaks in JSON and shows them as \n on stderr.
    std::string bytes = test::FileBytes(Sample("cube.tsm"));
    bytes[10] = 5; // the int32 version right after "version 3\n"
    std::ofstream(Out("future.tsm"), std::ios::binary) << bytes;
    r = Run({"info", Out("future.tsm")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.Json()["result"].toInt(), 3);
    const QString tooNew =
        "Failed to load specified file.\nToo newer version.\nWe recommend you to upgrade the application.";
    EXPECT_EQ(r.Json()["messages"].toArray(), QJsonArray{tooNew});
    EXPECT_EQ(r.err, "message: Failed to load specified file.\\nToo newer version.\\nWe recommend you to "
                     "upgrade the application.\n");
}

// info's reader numbers: result 0 read, 1 failed, 3 refused, null when no reader ran; format 2 text, 3
// binary.
TEST_F(TsmToolTest, InfoNumbersTheReaderAndItsResult) {
    std::string bytes = test::FileBytes(Sample("cube.tsm"));
    std::ofstream(Out("cut.tsm"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    bytes[10] = 5;
    std::ofstream(Out("future.tsm"), std::ios::binary) << bytes;
    const struct {
        std::string path;
        int result, format; // -1: null
    } cases[] = {
        {Sample("cube.tsm"), 0, 3},  {std::string(TESSALY_SOURCE_DIR) + "/tests/data/text/tetra.tsm", 0, 2},
        {Out("cut.tsm"), 1, 3},      {Out("future.tsm"), 3, 3},
        {Out("absent.tsm"), -1, -1},
    };
    for (const auto& c : cases) {
        const QJsonObject j = Run({"info", c.path}).Json();
        EXPECT_EQ(j["result"].isNull() ? -1 : j["result"].toInt(), c.result) << c.path;
        EXPECT_EQ(j["format"].isNull() ? -1 : j["format"].toInt(), c.format) << c.path;
    }
}

// Every command with the options of its table, written out here so that a row lost from a table shows.
const std::vector<std::pair<std::string, std::vector<std::string>>> kCommandOptions = {
    {"info", {"--detail"}},
    {"save", {}},
    {"merge", {}},
    {"export", {"--not-fill-faces", "--not-fill-flaps", "--width"}},
    {"render", {"--view", "--size", "--labels", "--yaw", "--pitch"}},
    {"print", {"--pdf", "--printer-paper", "--printer-margins", "--dpi"}},
    {"import",
     {"--unfold", "--auto", "--scale", "--size", "--spacing", "--no-avoid-page-breaks", "--strategy"}},
    {"unfold", {"--auto", "--scale", "--size", "--spacing", "--no-avoid-page-breaks", "--strategy"}},
    {"check-update", {"--url", "--timeout"}},
};
const std::vector<std::string> kGlobalOptions = {"--settings", "--set", "--yes",    "--no",
                                                 "--help",     "-h",    "--version"};

bool Mentions(const std::string& text, const std::string& word) {
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const size_t after = at + word.size();
        if (after == text.size() ||
            (text[after] != '-' && !std::isalnum(static_cast<unsigned char>(text[after]))))
            return true;
    }
    return false;
}

// The help and the manual page, which the build writes by running the program as it is installed.
TEST_F(TsmToolTest, HelpAndManualListEveryCommandWithItsOwnOptions) {
    const test::ToolRun help = Run({"-h"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("usage: tsmtool", 0), 0u) << help.out;
    for (const auto& [command, options] : kCommandOptions)
        EXPECT_NE(help.out.find("  " + command + " "), std::string::npos) << command;
    for (const std::string& option : kGlobalOptions) EXPECT_TRUE(Mentions(help.out, option)) << option;
    const std::string page = test::FileBytes(TESSALY_BINARY_DIR "/tsmtool.1");
    EXPECT_EQ(page.rfind(".TH TSMTOOL 1\n", 0), 0u);
    for (const char* section :
         {"NAME", "SYNOPSIS", "DESCRIPTION", "COMMANDS", "OPTIONS", "EXIT STATUS", "FILES"})
        EXPECT_NE(page.find(std::string("\n.SH ") + section + "\n"), std::string::npos) << section;
    const auto roff = [](const std::string& option) {
        std::string escaped;
        for (char c : option) escaped += c == '-' ? "\\-" : std::string(1, c);
        return "\\fB" + escaped + "\\fR";
    };
    for (const auto& [command, options] : kCommandOptions) {
        SCOPED_TRACE(command);
        // Operands and required options are not asked for: help comes first.
        const test::ToolRun r = Run({command, "--help"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind("usage: tsmtool [GLOBAL OPTIONS] " + command + " ", 0), 0u) << r.out;
        for (const std::string& option : kGlobalOptions) EXPECT_TRUE(Mentions(r.out, option)) << option;
        EXPECT_NE(page.find(".TP\n" + roff(command)), std::string::npos);
        for (const std::string& option : options) EXPECT_TRUE(Mentions(r.out, option)) << option;
        for (const auto& [other, otherOptions] : kCommandOptions)
            for (const std::string& option : otherOptions)
                if (std::find(options.begin(), options.end(), option) == options.end()) {
                    EXPECT_FALSE(Mentions(r.out, option)) << option << " of " << other;
                }
    }
    for (const std::string& option : kGlobalOptions)
        EXPECT_NE(page.find(roff(option)), std::string::npos) << option;
}

// The version wins over anything else on the line.
TEST_F(TsmToolTest, VersionNamesTheProgramAndItsRenderer) {
    const test::ToolRun version = Run({"--version", "render", "--help"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out.rfind("tsmtool 2.1.1\nrenderer: llvmpipe", 0), 0u) << version.out;
    EXPECT_NE(version.out.find("EGL surfaceless\n"), std::string::npos) << version.out;
    // Without GL the version is still told, with why there is no renderer.
    const test::ToolRun r = Run({"--version"}, "TESSALY_GL_FAIL=display");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("renderer: none: no EGL display"), std::string::npos) << r.out;
}

// Every usage error of every command: exit 2, nothing on stdout, the reason, the usage, and no file opened
// or written. A command line is split at spaces; '' is an empty word, @NAME a file in the test's folder.
TEST_F(TsmToolTest, UsageErrorsExitTwoSayingWhy) {
    // Rows end in ';': a command line, then " => " and the reason when the row names one. The lines
    // without one are options of other commands, values out of their domain and operand counts.
    const std::string rows =
        " => no command given;frobnicate CUBE => unknown command frobnicate;"
        "frobnicate --help => unknown command frobnicate;--bogus info CUBE => unknown option --bogus;"
        "save --detail=1 CUBE OUT => unknown option --detail=1;"
        "info CUBE --set => --set needs NAME=VALUE;render CUBE OUT --view => --view needs 2d|3d;"
        "info --width 10 CUBE => --width belongs to export;"
        "--scale 2 info CUBE => --scale belongs to import and unfold;info => info takes one model file;"
        "save CUBE => save takes a model file and an output file;"
        "merge CUBE OUT => merge takes the current model, the imported model and an output file;"
        "export eps CUBE => export takes a format, a model file and an output file;"
        "render --view 2d CUBE => render takes a model file and an output file;"
        "print --pdf OUT => print takes one model file;"
        "import CUBE => import takes a mesh file and an output file;"
        "unfold CUBE OUT OUT => unfold takes a model file and an output file;"
        "print CUBE => print needs --pdf OUT.pdf;render CUBE PNG => render needs --view 2d|3d;"
        "import --unfold --scale 0 MESH OUT => --scale needs a number above 0;"
        "import --unfold --spacing -1 MESH OUT => --spacing needs a number, 0 or more;"
        "check-update --timeout 0 => --timeout takes a whole number of seconds from 1 to 600;"
        "export dxf --not-fill-faces CUBE @a.dxf;export emf --not-fill-flaps CUBE @a.emf;"
        "export eps --width 10 CUBE @a.eps;render --view 2d --yaw 10 CUBE PNG;"
        "render --view 3d --labels CUBE PNG;import --auto MESH OUT;import --strategy upright MESH OUT;"
        "import --no-avoid-page-breaks MESH OUT;unfold --auto --scale 2 CUBE OUT;"
        "export pdf CUBE @a.pdf;render --view 4d CUBE PNG;"
        "render --view 3d --yaw ten CUBE PNG;render --view 3d --pitch 1e999 CUBE PNG;"
        "render --view 2d CUBE @a.jpg;render --view 2d --size 0x10 CUBE PNG;"
        "render --view 2d --size 10 CUBE PNG;render --view 2d --size 20000x10 CUBE PNG;"
        "render --view 2d --size 10x CUBE PNG;render --view 2d --size 10x10x10 CUBE PNG;"
        "export bmp --width ten CUBE BMP;print CUBE --pdf PDF --printer-paper A9;"
        "print CUBE --pdf PDF --printer-paper 0x100;print CUBE --pdf PDF --printer-paper 100x;"
        "print CUBE --pdf PDF --printer-margins -1;print CUBE --pdf PDF --dpi 10;"
        "print CUBE --pdf PDF --dpi 300.5;import --unfold --scale abc MESH OUT;"
        "import --unfold --scale '' MESH OUT;import --unfold --scale 2mm MESH OUT;"
        "import --unfold --scale inf MESH OUT;unfold --spacing x CUBE OUT;"
        "import --unfold --strategy fewest MESH OUT;"
        "import --unfold --size 150 --auto MESH OUT => --size excludes --auto and --scale;"
        "unfold --scale 2 --size 150 CUBE OUT => --size excludes --auto and --scale;"
        "unfold --size 0 CUBE OUT => --size needs a number of millimetres above 0;"
        "import --size 150 MESH OUT => --size needs --unfold;"
        "import --marks silhouette MESH OUT => --marks needs --unfold;"
        "unfold --marks square CUBE OUT => --marks is silhouette or none;";
    const std::map<std::string, std::string> operands = {
        {"CUBE", Sample("cube.tsm")}, {"MESH", Mesh("cube_quad.off")}, {"OUT", Out("o.tsm")},
        {"PNG", Out("a.png")},        {"BMP", Out("a.bmp")},           {"PDF", Out("x.pdf")}};
    std::istringstream table(rows);
    for (std::string row; std::getline(table, row, ';');) {
        SCOPED_TRACE(row);
        const size_t arrow = row.find(" => ");
        const std::string problem = arrow == std::string::npos ? "" : row.substr(arrow + 4);
        std::vector<std::string> args;
        std::istringstream words(row.substr(0, arrow));
        for (std::string word; words >> word;)
            args.push_back(word == "''"           ? ""
                           : word[0] == '@'       ? Out(word.substr(1))
                           : operands.count(word) ? operands.at(word)
                                                  : word);
        const test::ToolRun r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("tsmtool: " + problem + (problem.empty() ? "" : "\n"), 0), 0u) << r.err;
        EXPECT_NE(r.err.find("\nusage: tsmtool "), std::string::npos) << r.err;
    }
    // Settings the store does not know or cannot take: the reason, no usage.
    const std::pair<std::string, std::string> settings[] = {
        {"bNoSuchThing=1", "Unknown setting \"bNoSuchThing\""}, {"bNoPrintBrankPage", "expected NAME=VALUE"}};
    for (const auto& [set, reason] : settings) {
        const test::ToolRun r = Run({"--set", set, "info", operands.at("CUBE")});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "tsmtool: --set " + set + ": " + reason + "\n");
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"stderr.txt"});
}

TEST_F(TsmToolTest, MergeWritesBothModelsIntoOne) {
    const test::ToolRun r = Run({"merge", Sample("cube.tsm"), Sample("house.tsm"), Out("merged.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Info(Out("merged.tsm"))["model"]["solids"].toArray().size(), 4);
}

// What the system refuses or cannot do, command by command: exit 1, the reason on stderr, no work begun, and
// nothing written.
TEST_F(TsmToolTest, RefusalsExitOneSayingWhy) {
    const std::string house = Sample("house.tsm"), cube = Sample("cube.tsm"), missing = Out("nowhere.obj");
    const std::string plain = WritePlainCube("plain.tsm");
    const std::string pixels = "message: Specify a value of 1 - 4000 for pixel number.\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"print", house, "--pdf", Out("x.pdf"), "--printer-margins", "150"},
         "tsmtool: the printer margins leave nothing printable\n"},
        {{"print", house, "--pdf", Out("no/such/dir/x.pdf"), "--dpi", "72"},
         "message: Could not start print job."},
        // A full disk shows when the streamed PDF is written out: the write is reported, not a print job.
        {{"print", house, "--pdf", "/dev/full", "--dpi", "72"}, "tsmtool: cannot write /dev/full: "},
        {{"render", "--view", "2d", cube, Out("no/such/dir/a.png")}, "tsmtool: cannot write the picture: "},
        // A model without development cannot take one with a development, nor give instructions.
        {{"merge", plain, cube, Out("refused.tsm")},
         "message: Cannot inport the file. One contains development and the other does not.\n"},
        {{"export", "instructions", plain, Out("no.pdf")}, "message: No data for development.\n"},
        // Out of range, typed or not: the dialog's message.
        {{"export", "bmp", "--width", "5000", cube, Out("big.bmp")}, pixels},
        {{"export", "bmp", "--width", "0", cube, Out("big.bmp")}, pixels},
        {{"import", missing, Out("o.tsm")},
         "message: File does not exist.\ntsmtool: cannot import " + missing},
        {{"unfold", WritePlainCube("hidden.tsm", true), Out("o.tsm")},
         "message: There are no object for unfolding.\n"},
    };
    for (const auto& [args, err] : cases) {
        const test::ToolRun r = Run(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Unfolding..."), std::string::npos) << r.err;
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"hidden.tsm", "plain.tsm", "stderr.txt"}));
}

TEST_F(TsmToolTest, CheckUpdatePrintsTheMessageOfTheHelpMenuCommand) {
    // No server configured, or one that does not answer: the message and exit 1.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check-update"},
          std::vector<std::string>{"check-update", "--url", "http://127.0.0.1:1", "--timeout", "2"}}) {
        const test::ToolRun r = Run(args);
        EXPECT_EQ(r.status, 1) << args.back();
        EXPECT_EQ(r.out, "Can not get Update Info.\n") << args.back();
    }
}

} // namespace

namespace {

// Which parts meet at a cut edge, taken from the faces' corners (an edge is its two vertices), so that
// the check trusts nothing the build order reports about itself.
std::set<std::pair<int, int>> TouchingParts(const QJsonArray& solids) {
    std::map<std::tuple<int, int, int>, std::vector<int>> sides;
    for (int s = 0; s < solids.size(); ++s)
        for (const QJsonValue& face : solids[s]["faceList"].toArray()) {
            const QJsonArray corners = face["corners"].toArray();
            for (int c = 0; c < corners.size(); ++c) {
                const int a = corners[c]["vertex"].toInt();
                const int b = corners[(c + 1) % corners.size()]["vertex"].toInt();
                sides[{s, std::min(a, b), std::max(a, b)}].push_back(face["part"].toInt());
            }
        }
    std::set<std::pair<int, int>> touching;
    for (const auto& [edge, parts] : sides)
        if (parts.size() == 2 && parts[0] != parts[1] && parts[0] >= 0 && parts[1] >= 0)
            touching.insert({std::min(parts[0], parts[1]), std::max(parts[0], parts[1])});
    return touching;
}

} // namespace

// The build order of fitted developments of real meshes: every part once, numbered by its step, and every
// step after a solid's first joins a part built before it.
TEST_F(TsmToolTest, BuildOrderAddsTouchingPartsAndNumbersThemInTurn) {
    const struct {
        const char* mesh;
        const char* faces;
        const char* size;
    } cases[] = {{"bunny.obj", "500", "150"}, {"cactus.off", "", "300"}, {"3torus.off", "", "150"}};
    for (const auto& c : cases) {
        std::vector<std::string> args{"import"};
        if (*c.faces) args.insert(args.end(), {"--faces", c.faces});
        args.insert(args.end(),
                    {"--unfold", "--size", c.size, "--strategy", "fewest-parts", Mesh(c.mesh), Out("m.tsm")});
        const test::ToolRun imported = Run(args);
        ASSERT_EQ(imported.status, 0) << imported.err;
        const QJsonObject info = Info(Out("m.tsm"), true);
        const QJsonArray parts = info["development"]["parts"].toArray();
        const QJsonArray order = info["development"]["buildOrder"].toArray();
        const auto touching = TouchingParts(info["model"]["solids"].toArray());
        ASSERT_EQ(order.size(), parts.size()) << c.mesh;
        ASSERT_GT(parts.size(), 3) << c.mesh << ": the case needs several parts";
        std::set<int> built;
        int newStarts = 0;
        for (int step = 0; step < order.size(); ++step) {
            const int part = order[step]["part"].toInt();
            EXPECT_EQ(order[step]["step"].toInt(), step + 1);
            ASSERT_TRUE(part >= 0 && part < parts.size() && !built.count(part)) << c.mesh << " step " << step;
            EXPECT_EQ(parts[part]["number"].toInt(), step + 1) << c.mesh;
            const bool joinsBuilt = std::any_of(built.begin(), built.end(), [&](int earlier) {
                return touching.count({std::min(part, earlier), std::max(part, earlier)}) > 0;
            });
            newStarts += joinsBuilt ? 0 : 1;
            built.insert(part);
        }
        EXPECT_EQ(newStarts, info["model"]["solids"].toArray().size()) << c.mesh;
    }
}

// A builder's order set headless: kept beside the output model, followed by info's numbers, taken back by
// undo, and a damaged file beside the model ignored with a message.
TEST_F(TsmToolTest, AssemblyOrderIsKeptBesideTheModelAndADamagedOneIgnored) {
    const test::ToolRun imported = Run({"import", "--faces", "300", "--unfold", "--size", "150", "--strategy",
                                        "fewest-parts", Mesh("bunny.obj"), Out("m.tsm")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const QJsonArray derived = Info(Out("m.tsm"), true)["development"]["buildOrder"].toArray();
    ASSERT_GT(derived.size(), 2);
    const int last = derived[derived.size() - 1]["part"].toInt();
    const std::string order = "order " + std::to_string(last);
    for (const auto& [ops, first] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{order}, last}, {{order, "undo"}, derived[0]["part"].toInt()}}) {
        std::vector<std::string> args{"edit", Out("m.tsm"), Out("o.tsm")};
        args.insert(args.end(), ops.begin(), ops.end());
        const test::ToolRun edited = Run(args);
        ASSERT_EQ(edited.status, 0) << edited.err;
        EXPECT_EQ(fs::exists(Out("o.tsm.order")), first == last);
        const QJsonObject info = Info(Out("o.tsm"), true);
        EXPECT_EQ(info["development"]["buildOrder"][0]["part"].toInt(), first);
        EXPECT_EQ(info["development"]["parts"][first]["number"].toInt(), 1);
    }
    ASSERT_EQ(Run({"edit", Out("m.tsm"), Out("o.tsm"), order}).status, 0);
    std::ofstream(Out("o.tsm.order")) << "tessaly build order 1\nparts 1\n0 1 0\n";
    const QJsonObject info = Info(Out("o.tsm"), true);
    EXPECT_EQ(info["development"]["buildOrder"][0]["part"].toInt(), derived[0]["part"].toInt());
    EXPECT_TRUE(info["messages"].toArray().contains(
        "The assembly order stored beside the model does not fit it; the derived order is used."));
}
