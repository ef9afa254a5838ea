// The export commands without dialogs: extensions, the path test, refusals and failure messages, that each
// vector format reaches its writer, what every writer does with files and locales, and its numbers.

#include "sheet/ExportCommands.h"

#include "model/Settings.h"
#include "sheet/EmfWriter.h"
#include "sheet/ExporterDXF.h"
#include "sheet/ExporterEPS.h"
#include "sheet/SvgExport.h"
#include "sheet/TextNumbers.h"
#include "tests/sheet/ExportFixtures.h"
#include "tools/lib/Samples.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <locale>
#include <random>
#include <string>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

constexpr ExportFormat kVectorFormats[] = {ExportFormat::Eps, ExportFormat::Dxf, ExportFormat::Emf,
                                           ExportFormat::Svg};

class ExportCommandsTest : public testing::Test {
protected:
    void SetUp() override { BuildSampleCube(cube_); }
    std::string In(const std::string& name) const { return dir_.Path(name); }
    bool NothingWritten() const { return fs::is_empty(dir_.dir.path().toStdString()); }
    // What each vector format's writer makes of the cube.
    std::string Expected(ExportFormat format) {
        switch (format) {
        case ExportFormat::Eps:
            return ExporterEPS(settings_).BuildText(*cube_.development);
        case ExportFormat::Dxf:
            return ExporterDXF(settings_).BuildText(*cube_.development);
        case ExportFormat::Emf:
            return RenderEmf(*cube_.development, settings_);
        default:
            return RenderSvg(cube_, settings_, {});
        }
    }

    Settings settings_;
    test::ScratchDir dir_;
    Document cube_;
    RecordingPrompt prompt_;
};

TEST_F(ExportCommandsTest, ChosenPathTest) {
    RecordingPrompt prompt;
    // No extension: the dialog's default one is appended.
    EXPECT_EQ(ExportPathFor(ExportFormat::Eps, "/tmp/a/model", prompt), "/tmp/a/model.eps");
    // A dot in a folder name is not an extension of the file.
    EXPECT_EQ(ExportPathFor(ExportFormat::Dxf, "/tmp/v1.2/model", prompt), "/tmp/v1.2/model.dxf");
    // The right extension in any case is kept as typed.
    EXPECT_EQ(ExportPathFor(ExportFormat::Eps, "/tmp/model.EPS", prompt), "/tmp/model.EPS");
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

// Bad input -> kind, what the user was shown (a failure the caller reports shows nothing) and the reason,
// which tsmtool prints; nothing is written in any case.
TEST_F(ExportCommandsTest, RefusalsAndFailures) {
    Document bare;
    const std::string noFile = "Failed to export development data.",
                      cannot = "cannot create " + In("missing/out.");
    const struct {
        ExportFormat format;
        Document* doc;
        std::string name, shown, reason;
        Outcome::Kind kind;
    } rows[] = {
        {ExportFormat::Svg, &bare, "bare", "No data for development.", "the model has no development",
         Outcome::Kind::Cancelled},
        {ExportFormat::Eps, &cube_, "cube.pdf", "Cannot load file of specified type.",
         "the file name does not end in .eps", Outcome::Kind::Cancelled},
        // A file that cannot be created; the reason goes on with the system's words.
        {ExportFormat::Eps, &cube_, "missing/out.eps", noFile, cannot + "eps: ", Outcome::Kind::Failed},
        {ExportFormat::Dxf, &cube_, "missing/out.dxf", noFile, cannot + "dxf: ", Outcome::Kind::Failed},
        {ExportFormat::Emf, &cube_, "missing/out.emf", noFile, cannot + "emf: ", Outcome::Kind::Failed},
        {ExportFormat::Svg, &cube_, "missing/out.svg", noFile, cannot + "svg: ", Outcome::Kind::Failed},
        // BMP belongs to the raster renderer.
        {ExportFormat::Bmp, &cube_, "cube.bmp", "", "BMP files are written by the raster renderer",
         Outcome::Kind::Failed},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingPrompt prompt;
        const Outcome outcome = ExportDevelopment(row.format, *row.doc, settings_, In(row.name), {}, prompt);
        EXPECT_EQ(outcome.kind(), row.kind);
        EXPECT_EQ(prompt.texts, row.shown.empty() ? std::vector<std::string>{} : std::vector{row.shown});
        EXPECT_EQ(outcome.reason().substr(0, row.reason.size()), row.reason);
        if (!row.reason.empty() && row.reason.back() != ' ') {
            EXPECT_EQ(outcome.reason(), row.reason);
        }
        EXPECT_TRUE(NothingWritten());
    }
}

// Each writer's own export call: the writer's bytes, or a failure with a reason and no file.
TEST_F(ExportCommandsTest, WritersWriteTheirBytesOrSayWhy) {
    Development& dev = *cube_.development;
    const std::function<Outcome(const std::string&)> writers[] = {
        [&](const std::string& path) { return ExporterEPS(settings_).Export(path, dev); },
        [&](const std::string& path) { return ExporterDXF(settings_).Export(path, dev); },
        [&](const std::string& path) { return ExportEmf(cube_, settings_, path); },
        [&](const std::string& path) { return ExportSvg(cube_, settings_, path, {}); },
    };
    for (size_t i = 0; i < 4; ++i) {
        const std::string path = In(std::string("out.") + ExportDefaultExtension(kVectorFormats[i]));
        const Outcome written = writers[i](path);
        ASSERT_TRUE(written.ok()) << written.reason();
        EXPECT_EQ(test::ReadWholeFile(path), Expected(kVectorFormats[i])) << path;
        const Outcome failed = writers[i](In("missing/out"));
        EXPECT_TRUE(failed.failed() && !failed.reason().empty()) << i;
    }
    // The metafile and SVG calls take the document: without a development they refuse, saying why.
    Document bare;
    for (const Outcome& refused :
         {ExportEmf(bare, settings_, In("bare.emf")), ExportSvg(bare, settings_, In("bare.svg"), {})})
        EXPECT_TRUE(refused.failed() && !refused.reason().empty()) << refused.reason();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.dir.path().toStdString()), fs::directory_iterator()),
              4);
    EXPECT_TRUE(prompt_.texts.empty());
}

// A printf- or stream-based writer would write decimal commas under such a locale.
TEST_F(ExportCommandsTest, TextWritersIgnoreTheUserLocale) {
    settings_.drawEdgeIds = true;
    std::vector<std::string> inC;
    for (ExportFormat format : {ExportFormat::Eps, ExportFormat::Dxf, ExportFormat::Svg})
        inC.push_back(Expected(format));
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    const std::locale previous = std::locale::global(std::locale("de_DE.UTF-8"));
    char probe[32];
    std::snprintf(probe, sizeof probe, "%f", 0.5);
    std::vector<std::string> inGerman;
    for (ExportFormat format : {ExportFormat::Eps, ExportFormat::Dxf, ExportFormat::Svg})
        inGerman.push_back(Expected(format));
    std::locale::global(previous);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_STREQ(probe, "0,500000");
    EXPECT_EQ(inGerman, inC);
}

// The exporters' number formatting against the C library's own "%f" and "%d" in the C locale.

std::string Fixed(double value) {
    std::string out;
    AppendFixed6(out, value);
    return out;
}

std::string PrintfFixed(double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    return buffer;
}

TEST(TextNumbers, FixedMatchesPrintfInTheCLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    // Cases where a hand-made formatter usually goes wrong: signs of zero, ties at the sixth decimal
    // (1/128 = 0.0078125 is exact and rounds to even), carries into the integer part, huge magnitudes.
    const std::pair<double, const char*> exact[] = {{0.0, "0.000000"},
                                                    {-0.0, "-0.000000"},
                                                    {-1e-9, "-0.000000"},
                                                    {0.0078125, "0.007812"},
                                                    {0.0234375, "0.023438"},
                                                    {283.46456692913387, "283.464567"},
                                                    {std::numeric_limits<double>::denorm_min(), "0.000000"}};
    for (const auto& [value, text] : exact) EXPECT_EQ(Fixed(value), text);
    const double inf = std::numeric_limits<double>::infinity(),
                 nan = std::numeric_limits<double>::quiet_NaN();
    for (double value : {9.9999995, 1e300, -std::numeric_limits<double>::max(), inf, -inf, nan, -nan})
        EXPECT_EQ(Fixed(value), PrintfFixed(value));

    // Development-sized values, values on the half-way points of the sixth decimal, and arbitrary bits.
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> points(-5000.0, 5000.0);
    int mismatches = 0;
    for (int i = 0; i < 300000 && mismatches < 5; ++i) {
        double value;
        if (i % 3 == 0) {
            value = points(random);
        } else if (i % 3 == 1) {
            value = static_cast<double>(static_cast<int64_t>(random() % 20000000) - 10000000) / 1e6 + 5e-7;
        } else {
            const uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
        }
        if (Fixed(value) != PrintfFixed(value)) {
            ++mismatches;
            ADD_FAILURE() << "value " << PrintfFixed(value) << " gave " << Fixed(value);
        }
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

} // namespace
