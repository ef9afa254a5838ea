// End-to-end checks of the tsmtool contract: the real program on real files, its JSON read back by Qt.

#include "model/BinaryWriter.h"
#include "model/Settings.h"
#include "tests/cli/ToolTestFolder.h"
#include "tools/lib/ModelBuilder.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
    QJsonObject json;
};

class TsmToolTest : public test::ToolTestFolder {
protected:
    // Runs tsmtool with an empty settings store so that the user's own settings never leak in, its JSON
    // read back by Qt.
    RunResult Run(const std::vector<std::string>& args) {
        const test::ToolRun run = Capture(args);
        return {run.status, run.out, run.err,
                QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object()};
    }

    std::string WriteBytes(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

TEST_F(TsmToolTest, InfoReportsTheCubeSample) {
    const RunResult r = Run({"info", Sample("cube.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject& j = r.json;
    EXPECT_TRUE(j["opened"].toBool());
    EXPECT_EQ(j["result"].toInt(), 0);
    EXPECT_EQ(j["format"].toInt(), 3);
    EXPECT_EQ(j["title"].toString(), "cube");
    EXPECT_TRUE(j["messages"].toArray().isEmpty()) << r.err;
    const QJsonArray solids = j["model"]["solids"].toArray();
    ASSERT_EQ(solids.size(), 1);
    EXPECT_EQ(solids[0]["vertices"].toInt(), 8);
    EXPECT_EQ(solids[0]["faces"].toInt(), 6);
    EXPECT_EQ(solids[0]["edges"].toInt(), 12);
    EXPECT_FALSE(solids[0].toObject().contains("faceList")) << "only --detail lists faces";
    const QJsonObject dev = j["development"].toObject();
    EXPECT_GE(dev["parts"].toArray().size(), 1);
    EXPECT_GE(dev["pages"].toArray().size(), 1);
    EXPECT_EQ(dev["frame"].toArray().size(), 4);
    int faces = 0;
    for (const QJsonValue& part : dev["parts"].toArray()) faces += part["faces"].toInt();
    EXPECT_EQ(faces, 6) << "every face of the cube lies in some part";
    // Every display setting a model file carries, by name, plus both dash patterns.
    const QJsonObject settings = j["settings"].toObject();
    for (const char* name : {"bDrawFlap", "bDrawNumber", "bInvertEdgeID", "bUseMaterial", "bOmitFlatEdge",
                             "iFlatEdgeAngle", "bDrawWhiteBkLine", "iMountainLineStyle", "iValleyLineStyle",
                             "iCutLineStyle", "iEdgeIDfontSizePoint", "iPaperSize", "iPaperOrientation",
                             "iMarginSide", "iMarginTop", "bColorFlapWithFace", "dDefaultFlapHeightMM"})
        EXPECT_TRUE(settings.contains(name)) << name;
    EXPECT_EQ(settings["mountainDash"].toArray().size(), 6);
    EXPECT_EQ(settings["valleyDash"].toArray().size(), 6);
}

TEST_F(TsmToolTest, DetailListsFacesCornersAndEdges) {
    const RunResult r = Run({"info", "--detail", Sample("cube.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject solid = r.json["model"]["solids"][0].toObject();
    const QJsonArray faces = solid["faceList"].toArray();
    ASSERT_EQ(faces.size(), 6);
    const QJsonObject corner = faces[0]["corners"][0].toObject();
    for (const char* key : {"vertex", "x2d", "y2d", "u", "v", "hasFlap", "flapHeight", "flapAngle1",
                            "flapAngle2", "tipStart", "tipEnd", "displayPos", "twin", "joined"})
        EXPECT_TRUE(corner.contains(key)) << key;
    EXPECT_EQ(faces[0]["plane"].toArray().size(), 4);
    const QJsonArray edges = solid["edgeList"].toArray();
    ASSERT_EQ(edges.size(), 12);
    for (const QJsonValue& edge : edges) {
        EXPECT_DOUBLE_EQ(edge["foldAngle"].toDouble(), 90.0);
        EXPECT_TRUE(edge["foldSense"].toBool());
    }
}

TEST_F(TsmToolTest, FailuresPrintJsonAndMessagesAndExitOne) {
    RunResult r = Run({"info", (dir_ / "absent.tsm").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.json["opened"].toBool());
    EXPECT_TRUE(r.json["result"].isNull());
    EXPECT_TRUE(r.json["model"].isNull());
    EXPECT_EQ(r.json["messages"].toArray(), QJsonArray{"File does not exist."});
    EXPECT_EQ(r.err, "message: File does not exist.\n");

    // A refused version: its message keeps its line breaks in JSON and shows them as \n on stderr.
    std::string bytes = test::FileBytes(Sample("cube.tsm"));
    ASSERT_GT(bytes.size(), 14u);
    bytes[10] = 5; // the int32 version right after "version 3\n"
    r = Run({"info", WriteBytes("future.tsm", bytes)});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.json["result"].toInt(), 3);
    EXPECT_EQ(r.json["format"].toInt(), 3);
    const QString tooNew =
        "Failed to load specified file.\nToo newer version.\nWe recommend you to upgrade the application.";
    EXPECT_EQ(r.json["messages"].toArray(), QJsonArray{tooNew});
    EXPECT_EQ(r.err, "message: Failed to load specified file.\\nToo newer version.\\nWe recommend you to "
                     "upgrade the application.\n");
}

// Every command with the options of its table, written out here so that a row lost from a table shows.
const std::vector<std::pair<std::string, std::vector<std::string>>> kCommandOptions = {
    {"info", {"--detail"}},
    {"save", {}},
    {"merge", {}},
    {"export", {"--not-fill-faces", "--not-fill-flaps", "--width"}},
    {"render", {"--view", "--size", "--labels", "--yaw", "--pitch"}},
    {"print", {"--pdf", "--printer-paper", "--printer-margins", "--dpi"}},
    {"import", {"--unfold", "--auto", "--scale", "--spacing", "--no-avoid-page-breaks", "--strategy"}},
    {"unfold", {"--auto", "--scale", "--spacing", "--no-avoid-page-breaks", "--strategy"}},
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

TEST_F(TsmToolTest, HelpListsTheCommandsAndTheirOptions) {
    for (const char* flag : {"--help", "-h"}) {
        const RunResult r = Run({flag});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("usage: tsmtool", 0), 0u) << r.out;
        for (const auto& [command, options] : kCommandOptions)
            EXPECT_NE(r.out.find("  " + command + " "), std::string::npos) << command;
        for (const std::string& option : kGlobalOptions) EXPECT_TRUE(Mentions(r.out, option)) << option;
    }
    for (const auto& [command, options] : kCommandOptions) {
        SCOPED_TRACE(command);
        // Operands and required options are not asked for: help comes first.
        const RunResult r = Run({command, "--help"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind("usage: tsmtool [GLOBAL OPTIONS] " + command + " ", 0), 0u) << r.out;
        for (const std::string& option : options) EXPECT_TRUE(Mentions(r.out, option)) << option;
        for (const std::string& option : kGlobalOptions) EXPECT_TRUE(Mentions(r.out, option)) << option;
        for (const auto& [other, otherOptions] : kCommandOptions)
            for (const std::string& option : otherOptions)
                if (std::find(options.begin(), options.end(), option) == options.end()) {
                    EXPECT_FALSE(Mentions(r.out, option)) << option << " of " << other;
                }
    }
}

TEST_F(TsmToolTest, VersionNamesTheProgramAndItsRenderer) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--version"}, std::vector<std::string>{"--version", "render", "--help"}}) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind("tsmtool 2.1.1\nrenderer: llvmpipe", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("EGL surfaceless\n"), std::string::npos) << r.out;
    }
    // Without GL the version is still told, with why there is no renderer.
    setenv("TESSALY_GL_FAIL", "display", 1);
    const RunResult r = Run({"--version"});
    unsetenv("TESSALY_GL_FAIL");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("renderer: none: no EGL display"), std::string::npos) << r.out;
}

TEST_F(TsmToolTest, ManualPageListsEveryCommandAndOption) {
    // The build writes it by running the program, as it is installed.
    const std::string page = test::FileBytes(std::string(TESSALY_BINARY_DIR) + "/tsmtool.1");
    EXPECT_EQ(page.rfind(".TH TSMTOOL 1\n", 0), 0u);
    for (const char* section :
         {"NAME", "SYNOPSIS", "DESCRIPTION", "COMMANDS", "OPTIONS", "EXIT STATUS", "FILES"})
        EXPECT_NE(page.find(std::string("\n.SH ") + section + "\n"), std::string::npos) << section;
    auto roff = [](const std::string& option) {
        std::string escaped;
        for (char c : option) escaped += c == '-' ? "\\-" : std::string(1, c);
        return "\\fB" + escaped + "\\fR";
    };
    for (const auto& [command, options] : kCommandOptions) {
        const size_t at = page.find(".TP\n" + roff(command));
        ASSERT_NE(at, std::string::npos) << command;
        // The command's options stand in its own indented list.
        const size_t end = page.find(".TP\n\\fB", page.find(".RE\n", at));
        for (const std::string& option : options) {
            const size_t listed = page.find(".TP\n" + roff(option), at);
            EXPECT_LT(listed, end) << option << " of " << command;
        }
    }
    for (const std::string& option : kGlobalOptions)
        EXPECT_NE(page.find(roff(option)), std::string::npos) << option;
    EXPECT_NE(page.find("tessaly/settings.reg"), std::string::npos);
}

TEST_F(TsmToolTest, UsageErrorsExitTwoSayingWhy) {
    const std::string cube = Sample("cube.tsm");
    const std::string out = Out("o.tsm");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"frobnicate", cube}, "unknown command frobnicate"},
        {{"frobnicate", "--help"}, "unknown command frobnicate"},
        // Unknown options, before and after the command word.
        {{"--bogus", "info", cube}, "unknown option --bogus"},
        {{"info", cube, "-x"}, "unknown option -x"},
        {{"save", "--detail=1", cube, out}, "unknown option --detail=1"},
        // An option without its value.
        {{"info", cube, "--set"}, "--set needs NAME=VALUE"},
        {{"render", cube, out, "--view"}, "--view needs 2d|3d"},
        {{"export", "bmp", cube, out, "--width"}, "--width needs PX"},
        // Options of other commands, also before the command word.
        {{"info", "--width", "10", cube}, "--width belongs to export"},
        {{"save", "--detail", cube, out}, "--detail belongs to info"},
        {{"--scale", "2", "info", cube}, "--scale belongs to import and unfold"},
        {{"unfold", "--unfold", cube, out}, "--unfold belongs to import"},
        {{"merge", "--pdf", out, cube, cube, out}, "--pdf belongs to print"},
        // Operand counts.
        {{"info"}, "info takes one model file"},
        {{"info", cube, cube}, "info takes one model file"},
        {{"save", cube}, "save takes a model file and an output file"},
        {{"merge", cube, out}, "merge takes the current model, the imported model and an output file"},
        {{"export", "eps", cube}, "export takes a format, a model file and an output file"},
        {{"render", "--view", "2d", cube}, "render takes a model file and an output file"},
        {{"print", "--pdf", out}, "print takes one model file"},
        {{"import", cube}, "import takes a mesh file and an output file"},
        {{"unfold", cube, out, out}, "unfold takes a model file and an output file"},
        // Required options.
        {{"print", cube}, "print needs --pdf OUT.pdf"},
        {{"render", cube, Out("a.png")}, "render needs --view 2d|3d"},
    };
    for (const auto& [args, problem] : cases) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 2) << problem;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("tsmtool: " + problem + "\nusage: tsmtool ", 0), 0u) << r.err;
    }
    // Settings the store does not know or cannot take.
    EXPECT_EQ(Run({"--set", "bNoSuchThing=1", "info", cube}).status, 2);
    EXPECT_EQ(Run({"--set", "bNoPrintBrankPage=2", "info", cube}).status, 2);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(TsmToolTest, SetOverridesASettingBeforeTheModelOpens) {
    // Blank sheets count as pages once skipping is off: the page list covers the whole grid.
    const RunResult r = Run({"--set", "bNoPrintBrankPage=0", "info", Sample("house.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject dev = r.json["development"].toObject();
    EXPECT_EQ(dev["pages"].toArray().size(), dev["sheetColumns"].toInt() * dev["sheetRows"].toInt());
    // The model file's own display settings win over an override of the same name.
    const RunResult own = Run({"--set", "iFlatEdgeAngle=100", "info", Sample("house.tsm")});
    const RunResult plain = Run({"info", Sample("house.tsm")});
    EXPECT_EQ(own.json["settings"].toObject()["iFlatEdgeAngle"].toInt(),
              plain.json["settings"].toObject()["iFlatEdgeAngle"].toInt());
}

TEST_F(TsmToolTest, SaveWritesAModelThatReportsTheSame) {
    const std::string out = (dir_ / "copy.tsm").string();
    RunResult r = Run({"save", Sample("house.tsm"), out});
    ASSERT_EQ(r.status, 0) << r.err;
    const RunResult original = Run({"info", "--detail", Sample("house.tsm")});
    RunResult copy = Run({"info", "--detail", out});
    ASSERT_EQ(copy.status, 0) << copy.err;
    QJsonObject a = original.json, b = copy.json;
    a.remove("title");
    b.remove("title");
    EXPECT_EQ(a, b);
    EXPECT_EQ(Run({"save", Sample("house.tsm"), (dir_ / "no/such/dir/x.tsm").string()}).status, 1);
}

TEST_F(TsmToolTest, MergeWritesBothModelsIntoOne) {
    const std::string out = (dir_ / "merged.tsm").string();
    RunResult r = Run({"merge", Sample("cube.tsm"), Sample("house.tsm"), out});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"info", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonArray solids = r.json["model"].toObject()["solids"].toArray();
    ASSERT_EQ(solids.size(), 4);
    EXPECT_EQ(solids[0]["name"].toString(), "Cube");
    EXPECT_EQ(r.json["model"].toObject()["materials"].toArray().size(), 2);
    const RunResult cube = Run({"info", Sample("cube.tsm")});
    const RunResult house = Run({"info", Sample("house.tsm")});
    auto parts = [](const RunResult& result) {
        return result.json["development"].toObject()["parts"].toArray().size();
    };
    EXPECT_EQ(parts(r), parts(cube) + parts(house));

    // A model without development cannot take one with a development: the output is not written.
    Document plain;
    AddSolid(plain, "Plain", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const std::string plainPath = (dir_ / "plain.tsm").string();
    const Outcome written = WriteBinaryModel(plain, Settings{}, plainPath);
    ASSERT_TRUE(written.ok()) << written.reason();
    const std::string refused = (dir_ / "refused.tsm").string();
    r = Run({"merge", plainPath, Sample("cube.tsm"), refused});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("message: Cannot inport the file. One contains development and the other does not."),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(refused));
    EXPECT_EQ(Run({"merge", Sample("cube.tsm"), out}).status, 2);
}

TEST_F(TsmToolTest, StringsAreDecodedFromTheWritersCodePage) {
    Document doc;
    AddSolid(doc, "Caf\xE9 \x80", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const std::string path = (dir_ / "names.tsm").string();
    const Outcome written = WriteBinaryModel(doc, Settings{}, path);
    ASSERT_TRUE(written.ok()) << written.reason();
    const RunResult r = Run({"info", path});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.json["model"]["solids"][0]["name"].toString(), QString::fromUtf8("Caf\u00e9 \u20ac"));
}

} // namespace

TEST_F(TsmToolTest, CheckUpdatePrintsTheMessageOfTheHelpMenuCommand) {
    // No server configured, or an address that is not a web page: no request, no answer.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check-update"},
          {"check-update", "--url", "file:///etc/passwd"},
          {"check-update", "--url", "http://127.0.0.1:1", "--timeout", "2"}}) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 1) << args.back();
        EXPECT_EQ(r.out, "Can not get Update Info.\n") << args.back();
    }
    const RunResult r = Run({"check-update", "--timeout", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--timeout takes a whole number of seconds from 1 to 600"), std::string::npos)
        << r.err;
}
