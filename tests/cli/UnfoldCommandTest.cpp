// tsmtool import and tsmtool unfold end to end: the real program on the committed meshes and on meshes
// and models written here, every result read back through tsmtool info.

#include "sheet/Paper.h"
#include "tests/cli/ToolTestFolder.h"
#include "tests/model/MeshReaderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

class UnfoldCommandTest : public test::ToolTestFolder {
protected:
    // The development written by tsmtool `args` (the output is o.tsm), expecting success.
    QJsonObject Development(const std::vector<std::string>& args) {
        fs::remove(Out("o.tsm"));
        const test::ToolRun r = Run(args);
        EXPECT_EQ(r.status, 0) << test::Joined(args) << r.err;
        return Info(Out("o.tsm"))["development"].toObject();
    }
};

int Sum(const QJsonValue& list, const char* key) {
    int sum = 0;
    for (const QJsonValue& item : list.toArray()) sum += item[key].toInt();
    return sum;
}

// Parts that fit one printable sheet with the default spacing but cross a sheet boundary.
int StraddlingParts(const QJsonObject& development) {
    const Paper paper = Paper::FromSettings(Settings());
    const double pw = paper.PrintableWidth(), ph = paper.PrintableHeight();
    const double half = 15.0 / 2, slack = 1e-6;
    int straddling = 0;
    for (const QJsonValue& part : development["parts"].toArray()) {
        const double x = part["x"].toDouble(), y = part["y"].toDouble();
        const double w = part["width"].toDouble(), h = part["height"].toDouble();
        if (w + 2 * half > pw || h + 2 * half > ph) continue;
        const auto cell = [slack](double v, double size) { return std::floor((v + slack) / size); };
        if (cell(x - half, pw) != cell(x + w + half - 2 * slack, pw) ||
            cell(y - half, ph) != cell(y + h + half - 2 * slack, ph))
            ++straddling;
    }
    return straddling;
}

} // namespace

TEST_F(UnfoldCommandTest, ImportsEveryFormatWithAndWithoutUnfolding) {
    const test::SimpleMesh cube = test::CubeMesh();
    const std::vector<std::pair<std::string, int>> meshes = {
        {Mesh("cube_quad.off"), 6},
        {Mesh("bunny.obj"), 3674},
        {Mesh("cactus.off"), 1236},
        {WriteFile("cube.stl", test::BinaryStl(cube)), 12},
        {WriteFile("cube_ascii.ply", test::WritePly(cube, test::PlyEncoding::Ascii)), 6},
        {WriteFile("cube_big.ply", test::WritePly(cube, test::PlyEncoding::Big)), 6},
    };
    for (const auto& [mesh, faces] : meshes) {
        SCOPED_TRACE(mesh);
        // Without --unfold: the mesh alone, no development and no progress line.
        const test::ToolRun plain = Run({"import", mesh, Out("plain.tsm")});
        ASSERT_EQ(plain.status, 0) << plain.err;
        EXPECT_EQ(plain.err.find("Unfolding..."), std::string::npos);
        const QJsonObject plainInfo = Info(Out("plain.tsm"));
        EXPECT_EQ(Sum(plainInfo["model"]["solids"], "faces"), faces);
        EXPECT_TRUE(plainInfo["development"].isNull());

        // With --unfold: every face lies in some part, on one sheet of the automatic layout.
        const QJsonObject dev = Development({"import", "--unfold", mesh, Out("o.tsm")});
        EXPECT_EQ(Sum(Info(Out("o.tsm"))["model"]["solids"], "faces"), faces);
        EXPECT_EQ(Sum(dev["parts"], "faces"), faces);
        EXPECT_GE(dev["pages"].toArray().size(), 1);
        EXPECT_EQ(dev["sheetColumns"].toInt(), 1);
        EXPECT_EQ(dev["sheetRows"].toInt(), 1);
    }
    // A closed cube unfolds without overlap into one part of six squares.
    EXPECT_EQ(
        Development({"import", "--unfold", Mesh("cube_quad.off"), Out("o.tsm")})["parts"].toArray().size(),
        1);
}

TEST_F(UnfoldCommandTest, YesAnswersTheJoinQuestion) {
    // Two triangles that share an edge only by position: two open edges that the join makes one.
    const std::string mesh = WriteFile("two.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                                  "f 1 2 3\nf 5 4 6\n");
    const test::ToolRun yes = Run({"--yes", "import", mesh, Out("yes.tsm")});
    ASSERT_EQ(yes.status, 0) << yes.err;
    EXPECT_NE(yes.err.find("message: Join Adjacent Isolated Edges?\nmessage: 1 edges were merged.\n"),
              std::string::npos)
        << yes.err;
    EXPECT_EQ(Info(Out("yes.tsm"))["model"]["solids"][0]["edges"].toInt(), 5);

    // Every question's default is No: the question is still shown, the edges stay apart.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"import", mesh, Out("no.tsm")},
          std::vector<std::string>{"--no", "import", mesh, Out("no.tsm")}}) {
        const test::ToolRun no = Run(args);
        ASSERT_EQ(no.status, 0) << no.err;
        EXPECT_NE(no.err.find("message: Join Adjacent Isolated Edges?\n"), std::string::npos);
        EXPECT_EQ(no.err.find("merged"), std::string::npos) << no.err;
        EXPECT_EQ(Info(Out("no.tsm"))["model"]["solids"][0]["edges"].toInt(), 6);
    }
}

TEST_F(UnfoldCommandTest, FailuresExitOneNamingTheFileAndWritingNothing) {
    const std::string missing = Out("nowhere.obj");
    const std::string broken = WriteFile("broken.off", "OFF\n8 6 0\n0 0 0\n1 0 0\n");
    const std::string unreadable = WriteFile("words.stl", "this is no mesh at all\n");
    for (const std::string& mesh : {missing, broken, unreadable}) {
        for (bool unfold : {false, true}) {
            SCOPED_TRACE(mesh + (unfold ? " --unfold" : ""));
            std::vector<std::string> args = {"import", mesh, Out("o.tsm")};
            if (unfold) args.insert(args.begin() + 1, "--unfold");
            const test::ToolRun r = Run(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("tsmtool: cannot import " + mesh + "\n"), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("Unfolding..."), std::string::npos);
            EXPECT_FALSE(fs::exists(Out("o.tsm")));
        }
    }
    // The system's own message comes first, through the prompt.
    EXPECT_NE(Run({"import", missing, Out("o.tsm")}).err.find("message: File does not exist.\n"),
              std::string::npos);

    // No solid to unfold.
    const test::ToolRun r = Run({"unfold", WritePlainCube("hidden.tsm", true), Out("o.tsm")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("message: There are no object for unfolding.\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Unfolding..."), std::string::npos);
    EXPECT_FALSE(fs::exists(Out("o.tsm")));
}

TEST_F(UnfoldCommandTest, UnfoldsAModelWithoutADevelopment) {
    ASSERT_EQ(Run({"import", Mesh("cross_quad.off"), Out("cross.tsm")}).status, 0);
    const test::ToolRun r = Run({"unfold", Out("cross.tsm"), Out("unfolded.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("already has a development"), std::string::npos);
    const QJsonObject info = Info(Out("unfolded.tsm"));
    EXPECT_EQ(Sum(info["development"]["parts"], "faces"), 38);
    EXPECT_GE(info["development"]["pages"].toArray().size(), 1);
    // The written file opens without any message; the input stays as it was.
    EXPECT_TRUE(info["messages"].toArray().isEmpty());
    EXPECT_TRUE(Info(Out("cross.tsm"))["development"].isNull());
}

TEST_F(UnfoldCommandTest, ADevelopmentIsUndoneFirstKeepingItsCuts) {
    const QJsonObject oldDev = Info(Sample("cube.tsm"))["development"].toObject();
    ASSERT_FALSE(oldDev.isEmpty());
    const test::ToolRun r = Run({"unfold", Sample("cube.tsm"), Out("again.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tsmtool: " + Sample("cube.tsm") + " already has a development; it is undone first"),
              std::string::npos)
        << r.err;
    const QJsonObject dev = Info(Out("again.tsm"))["development"].toObject();
    // The old cut edges stay cut and no other edge is cut: the same parts by face count.
    std::multiset<int> oldParts, newParts;
    for (const QJsonValue& part : oldDev["parts"].toArray()) oldParts.insert(part["faces"].toInt());
    for (const QJsonValue& part : dev["parts"].toArray()) newParts.insert(part["faces"].toInt());
    EXPECT_EQ(newParts, oldParts);
    EXPECT_EQ(Sum(dev["parts"], "faces"), 6);
}

TEST_F(UnfoldCommandTest, ProgressGoesToStderrOnlyAndOnlyOnChange) {
    const test::ToolRun r = Run({"import", "--unfold", Mesh("cactus.off"), Out("o.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    // stdout stays clean for whatever a script pipes it into.
    EXPECT_TRUE(r.out.empty()) << r.out;
    const size_t start = r.err.find("Unfolding... 0%");
    ASSERT_NE(start, std::string::npos) << r.err;
    const size_t end = r.err.find('\n', start);
    ASSERT_NE(end, std::string::npos) << "the progress line ends with a newline";
    const std::string line = r.err.substr(start, end - start);
    ASSERT_GT(line.size(), 18u);
    EXPECT_EQ(line.substr(line.size() - 18), "\rUnfolding... 100%");
    // Each update rewrites the line with a larger percentage; none repeats.
    int previous = -1, updates = 0;
    for (size_t at = 0; (at = line.find("Unfolding... ", at)) != std::string::npos; ++updates) {
        at += 13;
        const int percent = std::atoi(line.c_str() + at);
        EXPECT_GT(percent, previous) << line;
        previous = percent;
    }
    EXPECT_EQ(previous, 100);
    EXPECT_LE(updates, 101);
    EXPECT_GT(updates, 10) << "a model with many edges shows intermediate steps";
}

TEST_F(UnfoldCommandTest, LayoutOptionsReachTheLayout) {
    ASSERT_EQ(Run({"import", Mesh("cube_quad.off"), Out("cube.tsm")}).status, 0);
    const auto development = [this](std::vector<std::string> args) {
        args.insert(args.begin(), "unfold");
        args.insert(args.end(), {Out("cube.tsm"), Out("o.tsm")});
        return Development(args);
    };
    const auto first = [](const QJsonObject& dev, const char* key) {
        return dev["parts"][0][key].toDouble();
    };
    // --scale gives the asked absolute scale, and the faces grow with it while the flaps keep their
    // millimetres: the width is linear in the scale.
    const QJsonObject at10 = development({"--scale", "10"});
    const QJsonObject at20 = development({"--scale", "20"});
    const QJsonObject at25 = development({"--scale", "2.5e1"});
    EXPECT_DOUBLE_EQ(at10["scale"].toDouble(), 10.0);
    EXPECT_DOUBLE_EQ(at25["scale"].toDouble(), 25.0);
    EXPECT_GT(first(at20, "width"), first(at10, "width"));
    EXPECT_NEAR(first(at25, "width") - first(at10, "width"),
                1.5 * (first(at20, "width") - first(at10, "width")), 1e-9);

    // Without auto the spacing is millimetres: the single part lands at (s / 2, s / 2).
    EXPECT_DOUBLE_EQ(first(at10, "x"), 7.5) << "default spacing 15 mm";
    const QJsonObject spaced = development({"--scale", "10", "--spacing", "20"});
    EXPECT_DOUBLE_EQ(first(spaced, "x"), 10.0);
    EXPECT_DOUBLE_EQ(first(spaced, "y"), 10.0);
    EXPECT_DOUBLE_EQ(first(development({"--scale", "10", "--spacing", "0"}), "x"), 0.0);

    // --auto (also the default) fits one sheet: the larger relative extent is the printable size.
    const Paper paper = Paper::FromSettings(Settings());
    const QJsonObject fitted = development({"--auto"});
    for (const QJsonObject& dev : {fitted, development({})}) {
        const double spacing = 2 * first(dev, "x");
        const double w = first(dev, "width") + spacing, h = first(dev, "height") + spacing;
        EXPECT_NEAR(std::max(w / paper.PrintableWidth(), h / paper.PrintableHeight()), 1.0, 1e-9);
    }
    // With auto the spacing is a percentage of the model's size, so it changes the scale, not just x.
    const QJsonObject autoTight = development({"--auto", "--spacing", "0"});
    EXPECT_DOUBLE_EQ(first(autoTight, "x"), 0.0);
    EXPECT_GT(autoTight["scale"].toDouble(), fitted["scale"].toDouble());
}

// --strategy picks the unfolding; without it the remembered setting does. info counts what it made.
TEST_F(UnfoldCommandTest, StrategyOptionOrSettingChoosesTheUnfolding) {
    ASSERT_EQ(Run({"import", Mesh("cactus.off"), Out("cactus.tsm")}).status, 0);
    const auto development = [this](std::vector<std::string> args) {
        args.insert(args.end(), {"unfold", "--scale", "1", Out("cactus.tsm"), Out("o.tsm")});
        return Development(args);
    };
    const QJsonObject upright = development({"--strategy", "upright"});
    const QJsonObject fewest = development({"--strategy", "fewest-parts"});
    EXPECT_EQ(development({})["partCount"].toInt(), upright["partCount"].toInt());
    for (const QJsonObject& dev : {upright, fewest}) {
        EXPECT_EQ(dev["partCount"].toInt(), dev["parts"].toArray().size());
        EXPECT_GT(dev["flaps"].toInt(), 0);
        EXPECT_GT(dev["cutLengthMM"].toDouble(), 0.0);
    }
    EXPECT_LT(fewest["partCount"].toInt(), upright["partCount"].toInt());
    EXPECT_EQ(development({"--set", "iUnfoldStrategy=1"}), fewest);
}

TEST_F(UnfoldCommandTest, PageBreaksAreAvoidedUnlessAskedNotTo) {
    ASSERT_EQ(Run({"import", Mesh("cactus.off"), Out("cactus.tsm")}).status, 0);
    const QJsonObject kept = Development({"unfold", "--scale", "300", Out("cactus.tsm"), Out("o.tsm")});
    ASSERT_GT(kept["pages"].toArray().size(), 1) << "the case needs several sheets";
    // Every part that fits a sheet stays on one; without the option the scoring alone places them.
    EXPECT_EQ(StraddlingParts(kept), 0);
    EXPECT_GT(StraddlingParts(Development(
                  {"unfold", "--scale", "300", "--no-avoid-page-breaks", Out("cactus.tsm"), Out("o.tsm")})),
              0);
}
