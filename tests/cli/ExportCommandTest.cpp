// tsmtool export end to end: the real program on the sample models, its files compared with what the
// writers give for the same model opened in this process.

#include "engine/EngineCompletion.h"
#include "model/DocumentSettings.h"
#include "model/OpenPipeline.h"
#include "sheet/ExporterDXF.h"
#include "sheet/ExporterEPS.h"
#include "sheet/Paper.h"
#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

using test::FileBytes;

class ExportCommandTest : public test::ToolTestFolder {};

TEST_F(ExportCommandTest, WritesWhatTheWritersGiveForTheOpenedModel) {
    // The model opened as tsmtool opens it: default settings, the open pipeline, the sheet grid.
    Settings defaults;
    RecordingPrompt prompt;
    EngineCompletion completion;
    DocumentController documents{defaults, prompt, completion};
    ASSERT_TRUE(documents.OpenModelFile(Sample("house.tsm")));
    const Settings shown = DocumentSettings(defaults, documents.Current());
    UpdateSheetGrid(*documents.Current(), Paper::FromSettings(shown), true);
    Development& dev = *documents.Current()->development;

    const struct {
        std::vector<std::string> args;
        std::string file, bytes;
    } cases[] = {
        {{"export", "dxf"}, "house.dxf", ExporterDXF(shown).BuildText(dev)},
        {{"export", "eps"}, "house.eps", ExporterEPS(shown, EpsOptions()).BuildText(dev)},
        // The fill options may stand anywhere, as the other options do.
        {{"--not-fill-faces", "export", "eps", "--not-fill-flaps"},
         "bare.eps",
         ExporterEPS(shown, EpsOptions{true, true}).BuildText(dev)},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {Sample("house.tsm"), Out(c.file)});
        const test::ToolRun r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(FileBytes(Out(c.file)), c.bytes) << c.file;
    }

    // A name without an extension gets the format's.
    ASSERT_EQ(Run({"export", "svg", Sample("cube.tsm"), Out("cube")}).status, 0);
    EXPECT_NE(FileBytes(Out("cube.svg")).find("<svg"), std::string::npos);
    ASSERT_EQ(Run({"export", "emf", Sample("cube.tsm"), Out("cube.emf")}).status, 0);
    EXPECT_EQ(FileBytes(Out("cube.emf")).substr(40, 4), " EMF");
}

TEST_F(ExportCommandTest, GermanLocaleWritesTheSameNumbers) {
    if (std::system("locale -a 2>/dev/null | grep -qi '^de_DE.utf-\\?8$'") != 0)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    // Qt adopts the environment's locale at start-up, so the tool really runs with a decimal comma.
    for (const std::string format : {"eps", "dxf"}) {
        ASSERT_EQ(Run({"export", format, Sample("house.tsm"), Out("c." + format)}, "LC_ALL=C").status, 0);
        const test::ToolRun de =
            Run({"export", format, Sample("house.tsm"), Out("de." + format)}, "LC_ALL=de_DE.UTF-8");
        ASSERT_EQ(de.status, 0) << de.err;
        EXPECT_EQ(FileBytes(Out("de." + format)), FileBytes(Out("c." + format)));
    }
}

TEST_F(ExportCommandTest, RefusalsAndFailuresExitOne) {
    const struct {
        std::string model, format, output;
        std::string errStart; // the whole of stderr when it ends in a newline
    } cases[] = {
        // A model without a development: the open pipeline says so, and so does the refused export.
        {"plain", "eps", "plain.eps",
         "message: No data for development.\nmessage: No data for development.\ntsmtool: "},
        {Out("absent.tsm"), "dxf", "absent.dxf", "message: File does not exist.\n"},
        {Sample("cube.tsm"), "dxf", "no/such/dir/cube.dxf",
         "message: Failed to export development data.\ntsmtool: cannot create "},
        // A wrong extension for the format.
        {Sample("cube.tsm"), "eps", "cube.txt", "message: Cannot load file of specified type.\n"},
    };
    for (const auto& c : cases) {
        const std::string model = c.model == "plain" ? WritePlainCube("plain.tsm") : c.model;
        const test::ToolRun r = Run({"export", c.format, model, Out(c.output)});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind(c.errStart, 0), 0u) << r.err;
        EXPECT_FALSE(fs::exists(Out(c.output))) << c.output;
    }
    EXPECT_EQ(Run({"export", "dxf", Out("absent.tsm"), Out("absent.dxf")}).err,
              "message: File does not exist.\n");
}

// Past a file size limit every write fails with EFBIG, as on a full disk: the message, exit 1, the reason,
// and the folder exactly as it was, an existing target with its old bytes.
TEST_F(ExportCommandTest, AFullDiskFailsEveryWriterAndLeavesTheFolderAsItWas) {
    const std::string failed = "message: Failed to export development data.\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"export", "eps"}, failed},
        {{"export", "dxf"}, failed},
        {{"export", "emf"}, failed},
        {{"export", "svg"}, failed},
        {{"export", "bmp"}, "message: write error\n"},
        {{"save"}, ""},
    };
    for (const auto& [command, message] : cases) {
        const std::string output = "house." + (command.size() > 1 ? command[1] : std::string("tsm"));
        for (const bool existing : {false, true}) {
            SCOPED_TRACE(output + (existing ? " over an existing file" : ""));
            if (existing) std::ofstream(Out(output)) << "old bytes";
            std::vector<std::string> args = command;
            args.insert(args.end(), {Sample("house.tsm"), Out(output)});
            // 2 blocks are 1 or 2 KB, depending on the shell; every output here is larger.
            const test::ToolRun r = Run(args, "ulimit -f 2;");
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, message + "tsmtool: cannot write " + Out(output) + ": File too large\n");
            const std::vector<std::string> before = {output, "stderr.txt"};
            EXPECT_EQ(Names(), existing ? before : std::vector<std::string>{"stderr.txt"});
            if (existing) {
                EXPECT_EQ(FileBytes(Out(output)), "old bytes");
            }
            fs::remove(Out(output));
        }
    }
}

TEST_F(ExportCommandTest, DashWritesToStandardOutput) {
    for (const char* format : {"eps", "dxf", "emf", "svg"}) {
        SCOPED_TRACE(format);
        const std::string file = Out(std::string("house.") + format);
        ASSERT_EQ(Run({"export", format, Sample("house.tsm"), file}).status, 0);
        const test::ToolRun r = Run({"export", format, Sample("house.tsm"), "-"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, FileBytes(file));
    }
    EXPECT_FALSE(fs::exists(Out("-.eps")));
    EXPECT_FALSE(fs::exists("-.eps"));

    // Standard output that takes nothing: the failure as for a file.
    const test::ToolRun full = Run({"export", "dxf", Sample("house.tsm"), "-"}, {}, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "message: Failed to export development data.\ntsmtool: cannot write standard "
                        "output: No space left on device\n");
}

} // namespace
