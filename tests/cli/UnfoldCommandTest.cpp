// tsmtool import and tsmtool unfold end to end: the real program on the committed meshes and on meshes
// and models written here, every result read back through tsmtool info.

#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

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

// import --unfold does both at once; unfold undoes a development first (what the undo keeps is the undo's
// business). Imports without --unfold and unfolds of their output are in the options test below.
TEST_F(UnfoldCommandTest, ImportsAndUnfoldsAtOnceOrUnfoldsAgain) {
    const QJsonObject cube = Development({"import", "--unfold", Mesh("cube_quad.off"), Out("o.tsm")});
    EXPECT_EQ(cube["parts"][0]["faces"], 6);
    const test::ToolRun r = Run({"unfold", Sample("cube.tsm"), Out("again.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tsmtool: " + Sample("cube.tsm") + " already has a development; it is undone first"),
              std::string::npos)
        << r.err;
    // The written file opens without any message.
    const QJsonObject again = Info(Out("again.tsm"));
    EXPECT_EQ(Sum(again["development"]["parts"], "faces"), 6);
    EXPECT_TRUE(again["messages"].toArray().isEmpty());
}

TEST_F(UnfoldCommandTest, ProgressGoesToStderrOnlyAndOnlyOnChange) {
    const test::ToolRun r = Run({"import", "--unfold", Mesh("cactus.off"), Out("o.tsm")});
    ASSERT_EQ(r.status, 0) << r.err;
    // stdout stays clean for whatever a script pipes it into; one line, ended by a newline.
    EXPECT_TRUE(r.out.empty()) << r.out;
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

// The layout options and the strategy reach the unfolding: --scale is the absolute scale, the spacing is
// millimetres beside it and a percentage of the model's size under --auto (the default), --strategy or the
// remembered setting picks the unfolding, --no-avoid-page-breaks lets the scoring alone place the parts.
// What each choice does is the layout's business: here, that it arrives.
TEST_F(UnfoldCommandTest, LayoutAndStrategyOptionsReachTheUnfolding) {
    // Without --unfold: the mesh alone, and no progress line.
    const test::ToolRun cube = Run({"import", Mesh("cube_quad.off"), Out("cube.tsm")});
    ASSERT_EQ(cube.status, 0) << cube.err;
    EXPECT_EQ(cube.err.find("Unfolding..."), std::string::npos);
    ASSERT_EQ(Run({"import", Mesh("cactus.off"), Out("cactus.tsm")}).status, 0);
    const auto development = [this](const char* model, std::vector<std::string> args) {
        args.insert(args.end(), {"unfold", Out(model), Out("o.tsm")});
        return Development(args);
    };
    // The single part lands at half the spacing.
    const QJsonObject at25 = development("cube.tsm", {"--scale", "2.5e1", "--spacing", "20"});
    EXPECT_DOUBLE_EQ(at25["scale"].toDouble(), 25.0);
    EXPECT_DOUBLE_EQ(at25["parts"][0]["x"].toDouble(), 10.0);
    const QJsonObject fitted = development("cube.tsm", {"--auto"});
    EXPECT_EQ(development("cube.tsm", {}), fitted);
    EXPECT_GT(development("cube.tsm", {"--auto", "--spacing", "0"})["scale"].toDouble(),
              fitted["scale"].toDouble());

    const QJsonObject upright = development("cactus.tsm", {"--scale", "1", "--strategy", "upright"});
    const QJsonObject fewest = development("cactus.tsm", {"--scale", "1", "--strategy", "fewest-parts"});
    EXPECT_EQ(development("cactus.tsm", {"--scale", "1"})["partCount"].toInt(), upright["partCount"].toInt());
    // Fewest parts keeps its flaps clear of faces and of each other; Upright keeps the written flaps.
    EXPECT_EQ(fewest["flapFaceOverlaps"].toInt() + fewest["flapFlapOverlaps"].toInt(), 0);
    EXPECT_GT(upright["flapFaceOverlaps"].toInt(), 0);
    EXPECT_EQ(development("cactus.tsm", {"--scale", "1", "--set", "iUnfoldStrategy=1"}), fewest);
    // --size is the assembled model's largest dimension in millimetres, the status bar's assembled size.
    const QJsonObject model = Info(Out("cactus.tsm"))["model"].toObject();
    double largest = 0;
    for (int axis = 0; axis < 3; ++axis)
        largest =
            std::max(largest, model["boundsMax"][axis].toDouble() - model["boundsMin"][axis].toDouble());
    const QJsonObject sized = development("cactus.tsm", {"--size", "150", "--strategy", "fewest-parts"});
    EXPECT_NEAR(sized["scale"].toDouble() * largest, 150.0, 1e-9);
    EXPECT_EQ(sized["partsNotFitting"].toInt(), 0);
    EXPECT_LE(sized["partCount"].toInt(), 5);
    EXPECT_EQ(sized["faceFaceOverlaps"].toInt(), 0);
    EXPECT_EQ(sized["flapFaceOverlaps"].toInt() + sized["flapFlapOverlaps"].toInt(), 0);
    const QJsonObject kept = development("cactus.tsm", {"--scale", "300"});
    ASSERT_GT(kept["pages"].toArray().size(), 1) << "the case needs several sheets";
    EXPECT_NE(development("cactus.tsm", {"--scale", "300", "--no-avoid-page-breaks"})["parts"],
              kept["parts"]);
}

namespace {

int Faces(const QJsonObject& info) {
    return Sum(info["model"]["solids"], "faces");
}

} // namespace

// --faces simplifies on import, before any unfolding; without it a mesh above 3,000 faces is offered to
// be simplified and --yes takes the offer. simplify undoes a development first. What the simplification
// keeps of the shape is the engine's business: here, that it arrives.
TEST_F(UnfoldCommandTest, SimplifiesOnImportOrOnItsOwn) {
    const test::ToolRun imported =
        Run({"import", "--faces", "500", "--unfold", Mesh("bunny.obj"), Out("b.tsm")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.err.find("tsmtool: simplified from 3674 to "), std::string::npos) << imported.err;
    EXPECT_EQ(imported.err.find("The mesh has 3674 faces"), std::string::npos) << "--faces asks nothing";
    const QJsonObject bunny = Info(Out("b.tsm"));
    EXPECT_LE(Faces(bunny), 550);
    EXPECT_EQ(Sum(bunny["development"]["parts"], "faces"), Faces(bunny));

    const struct {
        const char* answer;
        int faces;
    } offers[] = {{"--no", 3674}, {"--yes", 1000}};
    for (const auto& offer : offers) {
        const test::ToolRun r = Run({offer.answer, "import", Mesh("bunny.obj"), Out("o.tsm")});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("message: The mesh has 3674 faces; assembled at scale 1 it measures "),
                  std::string::npos)
            << r.err;
        EXPECT_NEAR(Faces(Info(Out("o.tsm"))), offer.faces, offer.faces / 10) << offer.answer;
    }

    const test::ToolRun simplified = Run({"simplify", Out("b.tsm"), Out("s.tsm"), "--faces", "200"});
    ASSERT_EQ(simplified.status, 0) << simplified.err;
    EXPECT_NE(simplified.err.find("the development of " + Out("b.tsm") + " was undone"), std::string::npos);
    const QJsonObject again = Info(Out("s.tsm"));
    EXPECT_LE(Faces(again), 240);
    EXPECT_TRUE(again["development"].isNull());
}

// With the marks on, the layout leaves their zones free: the cut files with marks then move nothing. Laid
// out without them, the same unfolding has parts in the top left zone, which the cut files move.
TEST_F(UnfoldCommandTest, MarksKeepTheLayoutOutOfTheirZones) {
    const struct {
        std::vector<std::string> marks;
        bool moved;
    } cases[] = {
        {{"--marks", "silhouette"}, false},
        {{"--set", "iRegistrationMarks=1"}, false},
        {{"--marks", "none"}, true},
        {{}, true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"import", "--unfold", "--size", "150"};
        args.insert(args.end(), c.marks.begin(), c.marks.end());
        args.insert(args.end(), {Mesh("cactus.off"), Out("c.tsm")});
        const test::ToolRun unfolded = Run(args);
        SCOPED_TRACE(unfolded.line);
        ASSERT_EQ(unfolded.status, 0) << unfolded.err;
        EXPECT_EQ(Info(Out("c.tsm"))["development"]["partsNotFitting"].toInt(), 0);
        const test::ToolRun cut = Run({"export", "cut", "--marks", "silhouette", Out("c.tsm"), Out("c.svg")});
        // Laid out without the marks, one of the cactus's parts also finds no free room: exit 1.
        EXPECT_EQ(cut.status, c.moved ? 1 : 0) << cut.err;
        EXPECT_EQ(cut.err.find("moved away from the registration marks") != std::string::npos, c.moved)
            << cut.err;
    }
}

TEST_F(UnfoldCommandTest, FaceCountsOutOfRangeAreRefused) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"import", "--faces", "3", Mesh("bunny.obj"), Out("o.tsm")},
         2,
         "--faces needs a whole number, 4 or more"},
        {{"import", "--faces", "12x", Mesh("bunny.obj"), Out("o.tsm")}, 2, "--faces needs a whole number"},
        {{"simplify", Sample("cube.tsm"), Out("o.tsm")}, 2, "--faces"},
        {{"import", "--faces", "4000", Mesh("bunny.obj"), Out("o.tsm")},
         1,
         "tsmtool: The target must lie between 4 and 3673 faces (the mesh has 3674).\n"},
        {{"simplify", "--faces", "6", Sample("cube.tsm"), Out("o.tsm")},
         1,
         "tsmtool: The target must lie between 4 and 5 faces (the mesh has 6).\n"},
    };
    for (const auto& c : cases) {
        const test::ToolRun r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.line;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(Out("o.tsm")));
    }
}
