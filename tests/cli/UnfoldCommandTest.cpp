// tsmtool import and tsmtool unfold end to end: the real program on the committed meshes and on meshes
// and models written here, every result read back through tsmtool info.

#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
        EXPECT_EQ(r.status, 0) << r.line << r.err;
        return Info(Out("o.tsm"))["development"].toObject();
    }
};

int Sum(const QJsonValue& list, const char* key) {
    int sum = 0;
    for (const QJsonValue& item : list.toArray()) sum += item[key].toInt();
    return sum;
}

} // namespace

TEST_F(UnfoldCommandTest, ImportsThenUnfoldsOrDoesBothAtOnceOrUnfoldsAgain) {
    // Without --unfold: the mesh alone, no development and no progress line.
    test::ToolRun r = Run({"import", Mesh("cross_quad.off"), Out("cross.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Unfolding..."), std::string::npos);
    EXPECT_EQ(Sum(Info(Out("cross.tsm"))["model"]["solids"], "faces"), 38);
    r = Run({"unfold", Out("cross.tsm"), Out("unfolded.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("already has a development"), std::string::npos);
    // The written file opens without any message.
    const QJsonObject info = Info(Out("unfolded.tsm"));
    EXPECT_EQ(Sum(info["development"]["parts"], "faces"), 38);
    EXPECT_TRUE(info["messages"].toArray().isEmpty());
    // A closed cube unfolds without overlap into one part of six squares, on one sheet.
    const QJsonObject dev = Development({"import", "--unfold", Mesh("cube_quad.off"), Out("o.tsm")});
    ASSERT_EQ(dev["parts"].toArray().size(), 1);
    EXPECT_EQ(dev["parts"][0]["faces"].toInt(), 6);
    EXPECT_EQ(dev["sheetColumns"].toInt() * dev["sheetRows"].toInt(), 1);

    // A development is undone first: its cut edges stay cut and no other edge is cut, so the parts are
    // the same by face count.
    r = Run({"unfold", Sample("cube.tsm"), Out("again.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tsmtool: " + Sample("cube.tsm") + " already has a development; it is undone first"),
              std::string::npos)
        << r.err;
    std::multiset<int> oldParts, newParts;
    for (const QJsonValue& part : Info(Sample("cube.tsm"))["development"]["parts"].toArray())
        oldParts.insert(part["faces"].toInt());
    for (const QJsonValue& part : Info(Out("again.tsm"))["development"]["parts"].toArray())
        newParts.insert(part["faces"].toInt());
    EXPECT_EQ(newParts, oldParts);
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
    const test::ToolRun no = Run({"import", mesh, Out("no.tsm")});
    ASSERT_EQ(no.status, 0) << no.err;
    EXPECT_NE(no.err.find("message: Join Adjacent Isolated Edges?\n"), std::string::npos);
    EXPECT_EQ(no.err.find("merged"), std::string::npos) << no.err;
    EXPECT_EQ(Info(Out("no.tsm"))["model"]["solids"][0]["edges"].toInt(), 6);
}

TEST_F(UnfoldCommandTest, FailuresExitOneSayingWhyAndWritingNothing) {
    const std::string missing = Out("nowhere.obj");
    const std::string broken = WriteFile("broken.off", "OFF\n8 6 0\n0 0 0\n1 0 0\n");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"import", missing, Out("o.tsm")},
         "message: File does not exist.\ntsmtool: cannot import " + missing},
        {{"import", "--unfold", broken, Out("o.tsm")}, "tsmtool: cannot import " + broken + "\n"},
        {{"unfold", WritePlainCube("hidden.tsm", true), Out("o.tsm")},
         "message: There are no object for unfolding.\n"},
    };
    for (const auto& c : cases) {
        const test::ToolRun r = Run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Unfolding..."), std::string::npos);
        EXPECT_FALSE(fs::exists(Out("o.tsm")));
    }
}

TEST_F(UnfoldCommandTest, ProgressGoesToStderrOnlyAndOnlyOnChange) {
    const test::ToolRun r = Run({"import", "--unfold", Mesh("cactus.off"), Out("o.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    // stdout stays clean for whatever a script pipes it into.
    EXPECT_TRUE(r.out.empty()) << r.out;
    // One line, ended by a newline.
    const size_t start = r.err.find("Unfolding... 0%"), end = r.err.find('\n', start);
    ASSERT_NE(end, std::string::npos) << r.err;
    const std::string line = r.err.substr(start, end - start);
    EXPECT_EQ(line.substr(line.size() - 18), "\rUnfolding... 100%");
    // Each update rewrites the line with a larger percentage; none repeats.
    int previous = -1, updates = 0;
    for (size_t at = 0; (at = line.find("Unfolding... ", at)) != std::string::npos; ++updates) {
        at += 13;
        const int percent = std::atoi(line.c_str() + at);
        EXPECT_GT(percent, previous) << line;
        previous = percent;
    }
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
    // --scale gives the asked absolute scale.
    const QJsonObject at10 = development({"--scale", "10"});
    const QJsonObject at25 = development({"--scale", "2.5e1"});
    EXPECT_DOUBLE_EQ(at10["scale"].toDouble(), 10.0);
    EXPECT_DOUBLE_EQ(at25["scale"].toDouble(), 25.0);

    // Without auto the spacing is millimetres: the single part lands at (s / 2, s / 2).
    EXPECT_DOUBLE_EQ(first(at10, "x"), 7.5) << "default spacing 15 mm";
    const QJsonObject spaced = development({"--scale", "10", "--spacing", "20"});
    EXPECT_DOUBLE_EQ(first(spaced, "y"), 10.0);
    EXPECT_DOUBLE_EQ(first(development({"--scale", "10", "--spacing", "0"}), "x"), 0.0);

    // --auto is also the default, where the spacing is a percentage of the model's size: it changes the
    // scale, not just x.
    const QJsonObject fitted = development({"--auto"});
    EXPECT_EQ(development({}), fitted);
    const QJsonObject autoTight = development({"--auto", "--spacing", "0"});
    EXPECT_DOUBLE_EQ(first(autoTight, "x"), 0.0);
    EXPECT_GT(autoTight["scale"].toDouble(), fitted["scale"].toDouble());
}

// --strategy picks the unfolding, without it the remembered setting does; --no-avoid-page-breaks lets
// the scoring alone place the parts. What each choice does is the layout's business: here, that it
// arrives.
TEST_F(UnfoldCommandTest, StrategyAndPageBreakOptionsReachTheUnfolding) {
    ASSERT_EQ(Run({"import", Mesh("cactus.off"), Out("cactus.tsm")}).status, 0);
    const auto development = [this](std::vector<std::string> args) {
        args.insert(args.end(), {"unfold", Out("cactus.tsm"), Out("o.tsm")});
        return Development(args);
    };
    const QJsonObject upright = development({"--scale", "1", "--strategy", "upright"});
    const QJsonObject fewest = development({"--scale", "1", "--strategy", "fewest-parts"});
    EXPECT_EQ(development({"--scale", "1"})["partCount"].toInt(), upright["partCount"].toInt());
    EXPECT_LT(fewest["partCount"].toInt(), upright["partCount"].toInt());
    EXPECT_EQ(development({"--scale", "1", "--set", "iUnfoldStrategy=1"}), fewest);

    const QJsonObject kept = development({"--scale", "300"});
    ASSERT_GT(kept["pages"].toArray().size(), 1) << "the case needs several sheets";
    EXPECT_NE(development({"--scale", "300", "--no-avoid-page-breaks"})["parts"], kept["parts"]);
}
