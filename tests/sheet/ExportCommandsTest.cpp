// The export commands without dialogs: filters, extensions, the path test, refusals and failure messages,
// and that each vector format reaches its writer.

#include "sheet/ExportCommands.h"

#include "model/Settings.h"
#include "sheet/ExporterDXF.h"
#include "sheet/ExporterEPS.h"
#include "tests/sheet/ExportFixtures.h"
#include "tools/lib/Samples.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

class ExportCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        savedOptions_ = KeptEpsOptions();
        KeptEpsOptions() = EpsOptions();
        dir_ = fs::temp_directory_path() / ("tessaly_export_" + std::to_string(::getpid()) + "_" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        BuildSampleCube(cube_);
    }
    void TearDown() override {
        KeptEpsOptions() = savedOptions_;
        fs::remove_all(dir_);
    }
    std::string In(const std::string& name) const { return (dir_ / name).string(); }

    Settings settings_;
    EpsOptions savedOptions_;
    fs::path dir_;
    Document cube_;
    RecordingPrompt prompt_;
};

TEST_F(ExportCommandsTest, FiltersAndDefaultExtensions) {
    EXPECT_EQ(ExportDialogFilter(ExportFormat::Bmp), "BMP file(*.bmp)|*.bmp||");
    EXPECT_EQ(ExportDialogFilter(ExportFormat::Eps), "EPS file(*.eps)|*.eps||");
    EXPECT_EQ(ExportDialogFilter(ExportFormat::Dxf), "DXF file(*.dxf)|*.dxf||");
    EXPECT_EQ(ExportDialogFilter(ExportFormat::Emf), "EMF file(*.emf)|*.emf||");
    EXPECT_EQ(ExportDialogFilter(ExportFormat::Svg), "SVG file(*.svg)|*.svg||");
    EXPECT_STREQ(ExportDefaultExtension(ExportFormat::Bmp), "bmp");
    EXPECT_STREQ(ExportDefaultExtension(ExportFormat::Eps), "eps");
    EXPECT_STREQ(ExportDefaultExtension(ExportFormat::Dxf), "dxf");
    EXPECT_STREQ(ExportDefaultExtension(ExportFormat::Emf), "emf");
    EXPECT_STREQ(ExportDefaultExtension(ExportFormat::Svg), "svg");
}

TEST_F(ExportCommandsTest, ChosenPathTest) {
    RecordingPrompt prompt;
    // No extension: the dialog's default one is appended.
    EXPECT_EQ(ExportPathFor(ExportFormat::Eps, "/tmp/a/model", prompt), "/tmp/a/model.eps");
    // A dot in a folder name is not an extension of the file.
    EXPECT_EQ(ExportPathFor(ExportFormat::Dxf, "/tmp/v1.2/model", prompt), "/tmp/v1.2/model.dxf");
    // The right extension in any case is kept as typed.
    EXPECT_EQ(ExportPathFor(ExportFormat::Eps, "/tmp/model.EPS", prompt), "/tmp/model.EPS");
    EXPECT_EQ(ExportPathFor(ExportFormat::Bmp, "/tmp/model.Bmp", prompt), "/tmp/model.Bmp");
    EXPECT_TRUE(prompt.texts.empty());
    // Another extension: refused with the message, for every format that checks.
    for (ExportFormat format : {ExportFormat::Bmp, ExportFormat::Eps, ExportFormat::Dxf, ExportFormat::Svg}) {
        RecordingPrompt refused;
        EXPECT_FALSE(ExportPathFor(format, "/tmp/model.txt", refused).has_value());
        EXPECT_EQ(refused.texts, std::vector<std::string>{"Cannot load file of specified type."});
    }
    // A name ending in a dot has an empty extension, which is not the wanted one.
    RecordingPrompt dot;
    EXPECT_FALSE(ExportPathFor(ExportFormat::Eps, "/tmp/model.", dot).has_value());
    // A metafile name without ".emf" gets it appended instead of being refused.
    RecordingPrompt emf;
    EXPECT_EQ(ExportPathFor(ExportFormat::Emf, "/tmp/model.txt", emf), "/tmp/model.txt.emf");
    EXPECT_EQ(ExportPathFor(ExportFormat::Emf, "/tmp/model.EMF", emf), "/tmp/model.EMF");
    EXPECT_TRUE(emf.texts.empty());
}

TEST_F(ExportCommandsTest, EachVectorFormatReachesItsWriter) {
    const std::string expectedEps = ExporterEPS(settings_).BuildText(*cube_.development);
    ASSERT_TRUE(ExportDevelopment(ExportFormat::Eps, cube_, settings_, In("cube"), {}, prompt_).ok());
    EXPECT_EQ(test::ReadFileBytes(In("cube.eps")), expectedEps);

    ASSERT_TRUE(ExportDevelopment(ExportFormat::Dxf, cube_, settings_, In("cube.dxf"), {}, prompt_).ok());
    EXPECT_EQ(test::ReadFileBytes(In("cube.dxf")), ExporterDXF(settings_).BuildText(*cube_.development));

    ASSERT_TRUE(ExportDevelopment(ExportFormat::Emf, cube_, settings_, In("cube.emf"), {}, prompt_).ok());
    const std::string emf = test::ReadFileBytes(In("cube.emf"));
    ASSERT_GE(emf.size(), 44u);
    EXPECT_EQ(emf.substr(40, 4), " EMF") << "the header record's signature";

    ASSERT_TRUE(ExportDevelopment(ExportFormat::Svg, cube_, settings_, In("cube.svg"), {}, prompt_).ok());
    EXPECT_NE(test::ReadFileBytes(In("cube.svg")).find("<svg"), std::string::npos);
    EXPECT_TRUE(prompt_.texts.empty());
}

TEST_F(ExportCommandsTest, EpsStoresTheOptionsAndUsesThem) {
    ExportOptions options;
    options.eps.notFillFaces = true;
    options.eps.notFillFlaps = true;
    ASSERT_TRUE(
        ExportDevelopment(ExportFormat::Eps, cube_, settings_, In("cube.eps"), options, prompt_).ok());
    // The dialog shows the choice next time.
    EXPECT_TRUE(KeptEpsOptions().notFillFaces);
    EXPECT_TRUE(KeptEpsOptions().notFillFlaps);
    EXPECT_EQ(test::ReadFileBytes(In("cube.eps")).find("fill"), std::string::npos);
    // The other formats leave the kept options alone.
    ASSERT_TRUE(ExportDevelopment(ExportFormat::Dxf, cube_, settings_, In("cube.dxf"), {}, prompt_).ok());
    EXPECT_TRUE(KeptEpsOptions().notFillFaces);
}

TEST_F(ExportCommandsTest, RefusalsAndFailures) {
    // Without a development: the message, nothing written, whatever the format.
    for (ExportFormat format : {ExportFormat::Eps, ExportFormat::Dxf, ExportFormat::Emf, ExportFormat::Svg}) {
        Document bare;
        RecordingPrompt prompt;
        const Outcome refused = ExportDevelopment(format, bare, settings_, In("bare"), {}, prompt);
        EXPECT_TRUE(refused.cancelled()) << "the user was told";
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"No data for development."});
        EXPECT_FALSE(refused.reason().empty());
    }
    EXPECT_TRUE(fs::is_empty(dir_));

    // A wrong extension: the message and nothing written, and the kept EPS options stay as they were.
    {
        RecordingPrompt prompt;
        ExportOptions options;
        options.eps.notFillFaces = true;
        EXPECT_TRUE(ExportDevelopment(ExportFormat::Eps, cube_, settings_, In("cube.pdf"), options, prompt)
                        .cancelled());
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"Cannot load file of specified type."});
        EXPECT_FALSE(KeptEpsOptions().notFillFaces);
        EXPECT_TRUE(fs::is_empty(dir_));
    }

    // A file that cannot be created: the failure message, with the reason for tsmtool.
    for (ExportFormat format : {ExportFormat::Eps, ExportFormat::Dxf, ExportFormat::Emf, ExportFormat::Svg}) {
        RecordingPrompt prompt;
        const std::string path = In(std::string("missing/out.") + ExportDefaultExtension(format));
        const Outcome failed = ExportDevelopment(format, cube_, settings_, path, {}, prompt);
        EXPECT_TRUE(failed.failed());
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"Failed to export development data."});
        EXPECT_EQ(failed.reason().rfind("cannot create " + path + ": ", 0), 0u) << failed.reason();
        EXPECT_FALSE(fs::exists(path));
    }

    // BMP belongs to the raster renderer: no file, no message here.
    RecordingPrompt prompt;
    const Outcome bmp = ExportDevelopment(ExportFormat::Bmp, cube_, settings_, In("cube.bmp"), {}, prompt);
    EXPECT_TRUE(bmp.failed());
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_FALSE(bmp.reason().empty());
    EXPECT_FALSE(fs::exists(In("cube.bmp")));
}

} // namespace
