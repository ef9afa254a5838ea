// tsmtool export end to end: the real program on the sample models, its files compared with what the
// writers give for the same model opened in this process.

#include "engine/EngineCompletion.h"
#include "model/BinaryWriter.h"
#include "model/DocumentSettings.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"
#include "sheet/ExporterDXF.h"
#include "sheet/ExporterEPS.h"
#include "sheet/Paper.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "tests/cli/ToolTestFolder.h"
#include <cstdio>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

using RunResult = test::ToolRun;

std::string Bytes(const std::string& path) {
    return test::FileBytes(path);
}

class ExportCommandTest : public test::ToolTestFolder {};

// The model opened as tsmtool opens it: default settings, the open pipeline, the sheet grid.
struct OpenedHere {
    Settings defaults;
    RecordingPrompt prompt;
    EngineCompletion completion;
    DocumentController documents{defaults, prompt, completion};
    explicit OpenedHere(const std::string& path) {
        if (documents.OpenModelFile(path))
            UpdateSheetGrid(*documents.Current(), Paper::FromSettings(Shown()), true);
    }
    Settings Shown() const { return DocumentSettings(defaults, documents.Current()); }
    Development* Dev() { return documents.Current() ? documents.Current()->development.get() : nullptr; }
};

TEST_F(ExportCommandTest, WritesWhatTheWritersGiveForTheOpenedModel) {
    OpenedHere house(Sample("house.tsm"));
    ASSERT_NE(house.Dev(), nullptr);
    const Settings shown = house.Shown();
    const std::string dxf = ExporterDXF(shown).BuildText(*house.Dev());
    const std::string eps = ExporterEPS(shown, EpsOptions()).BuildText(*house.Dev());
    const std::string bare = ExporterEPS(shown, EpsOptions{true, true}).BuildText(*house.Dev());

    RunResult r = Run({"export", "dxf", Sample("house.tsm"), Out("house.dxf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Bytes(Out("house.dxf")), dxf);

    r = Run({"export", "eps", Sample("house.tsm"), Out("house.eps")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Bytes(Out("house.eps")), eps);
    EXPECT_EQ(r.err, "");

    // The fill options may stand anywhere, as the other options do.
    r = Run({"--not-fill-faces", "export", "eps", Sample("house.tsm"), "--not-fill-flaps", Out("bare.eps")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Bytes(Out("bare.eps")), bare);

    // A name without an extension gets the format's.
    r = Run({"export", "svg", Sample("cube.tsm"), Out("cube")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Bytes(Out("cube.svg")).find("<svg"), std::string::npos);
    r = Run({"export", "emf", Sample("cube.tsm"), Out("cube.emf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Bytes(Out("cube.emf")).substr(40, 4), " EMF");
}

TEST_F(ExportCommandTest, GermanLocaleWritesTheSameNumbers) {
    if (std::system("locale -a 2>/dev/null | grep -qi '^de_DE.utf-\\?8$'") != 0)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    // Qt adopts the environment's locale at start-up, so the tool really runs with a decimal comma.
    RunResult c = Run({"export", "eps", Sample("house.tsm"), Out("c.eps")}, "LC_ALL=C");
    RunResult de = Run({"export", "eps", Sample("house.tsm"), Out("de.eps")}, "LC_ALL=de_DE.UTF-8");
    ASSERT_EQ(c.status, 0) << c.err;
    ASSERT_EQ(de.status, 0) << de.err;
    EXPECT_EQ(Bytes(Out("de.eps")), Bytes(Out("c.eps")));
    c = Run({"export", "dxf", Sample("house.tsm"), Out("c.dxf")}, "LC_ALL=C");
    de = Run({"export", "dxf", Sample("house.tsm"), Out("de.dxf")}, "LC_ALL=de_DE.UTF-8");
    EXPECT_EQ(Bytes(Out("de.dxf")), Bytes(Out("c.dxf")));
}

TEST_F(ExportCommandTest, RefusalsAndFailuresExitOne) {
    // A model without a development: the open pipeline says so, and so does the refused export.
    Document plain;
    const MeshData cube = Cube(20);
    AddSolid(plain, "Cube", cube.vertices, cube.faces);
    const Outcome written = WriteBinaryModel(plain, Settings(), Out("plain.tsm"));
    ASSERT_TRUE(written.ok()) << written.reason();
    RunResult r = Run({"export", "eps", Out("plain.tsm"), Out("plain.eps")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.err.rfind("message: No data for development.\nmessage: No data for development.\ntsmtool: ", 0), 0u)
        << r.err;
    EXPECT_FALSE(fs::exists(Out("plain.eps")));

    // A model that does not open.
    r = Run({"export", "dxf", Out("absent.tsm"), Out("absent.dxf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "message: File does not exist.\n");

    // An output that cannot be written.
    r = Run({"export", "dxf", Sample("cube.tsm"), Out("no/such/dir/cube.dxf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("message: Failed to export development data.\ntsmtool: cannot create ", 0), 0u)
        << r.err;

    // A wrong extension for the format.
    r = Run({"export", "eps", Sample("cube.tsm"), Out("cube.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("message: Cannot load file of specified type.\n", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(Out("cube.txt")));
}

TEST_F(ExportCommandTest, UsageErrorsExitTwo) {
    const std::string cube = Sample("cube.tsm");
    const std::vector<std::vector<std::string>> bad = {
        {"export"},
        {"export", "eps", cube},
        {"export", "eps", cube, Out("a.eps"), Out("b.eps")},
        {"export", "pdf", cube, Out("a.pdf")},
        {"export", "EPS", cube, Out("a.eps")},
        {"export", "dxf", "--not-fill-faces", cube, Out("a.dxf")},
        {"export", "emf", "--not-fill-flaps", cube, Out("a.emf")},
        {"export", "eps", "--detail", cube, Out("a.eps")},
        {"--not-fill-faces", "info", cube},
        {"save", "--not-fill-flaps", cube, Out("a.tsm")},
    };
    for (const auto& args : bad) {
        const RunResult r = Run(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined << r.err;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << joined;
    }
    // No usage error opened the model or wrote a file.
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename(), "stderr.txt") << entry.path();
}

} // namespace

namespace {

// Past a file size limit every write fails with EFBIG, as on a full disk: the message, exit 1, the reason,
// and the folder exactly as it was, an existing target with its old bytes.
TEST_F(ExportCommandTest, AFullDiskFailsEveryWriterAndLeavesTheFolderAsItWas) {
    const std::string house = Sample("house.tsm");
    const std::string failed = "message: Failed to export development data.\n";
    struct Case {
        std::vector<std::string> args; // the output path is appended
        std::string output;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"export", "eps", house}, "house.eps", failed},
        {{"export", "dxf", house}, "house.dxf", failed},
        {{"export", "emf", house}, "house.emf", failed},
        {{"export", "svg", house}, "house.svg", failed},
        {{"export", "bmp", house}, "house.bmp", "message: write error\n"},
        {{"save", house}, "house.tsm", ""},
    };
    for (const Case& c : cases) {
        for (const bool existing : {false, true}) {
            SCOPED_TRACE(c.output + (existing ? " over an existing file" : ""));
            if (existing) std::ofstream(Out(c.output)) << "old bytes";
            std::vector<std::string> args = c.args;
            args.push_back(Out(c.output));
            // 2 blocks are 1 or 2 KB, depending on the shell; every output here is larger.
            const RunResult r = Run(args, "ulimit -f 2;");
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, c.message + "tsmtool: cannot write " + Out(c.output) + ": File too large\n");
            std::vector<std::string> names;
            for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
            std::sort(names.begin(), names.end());
            const std::vector<std::string> before = existing
                                                        ? std::vector<std::string>{c.output, "stderr.txt"}
                                                        : std::vector<std::string>{"stderr.txt"};
            EXPECT_EQ(names, before);
            if (existing) {
                EXPECT_EQ(Bytes(Out(c.output)), "old bytes");
            }
            fs::remove(Out(c.output));
        }
    }
}

TEST_F(ExportCommandTest, DashWritesToStandardOutput) {
    for (const char* format : {"eps", "dxf", "emf", "svg"}) {
        SCOPED_TRACE(format);
        const std::string file = Out(std::string("house.") + format);
        ASSERT_EQ(Run({"export", format, Sample("house.tsm"), file}).status, 0);
        const RunResult r = Capture({"export", format, Sample("house.tsm"), "-"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, Bytes(file));
    }
    EXPECT_FALSE(fs::exists(Out("-.eps")));
    EXPECT_FALSE(fs::exists("-.eps"));

    // Standard output that takes nothing: the failure as for a file.
    const test::ShellResult full = test::RunShell(
        test::ShellQuote(std::string(TESSALY_BINARY_DIR) + "/tsmtool") + " --settings " +
        test::ShellQuote(Out("none.reg")) + " export dxf " + test::ShellQuote(Sample("house.tsm")) +
        " - >/dev/full 2>" + test::ShellQuote(Out("stderr.txt")));
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(Bytes(Out("stderr.txt")),
              "message: Failed to export development data.\ntsmtool: cannot write standard "
              "output: No space left on device\n");
}

} // namespace
