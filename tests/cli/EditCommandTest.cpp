// tsmtool edit end to end: each operation on a real file, read back through info --detail.

#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

using namespace tsm;

namespace {

class EditCommandTest : public test::ToolTestFolder {
protected:
    // A cube and a sheet cut into parts, with a text and a picture in each list.
    void SetUp() override {
        ToolTestFolder::SetUp();
        Document doc;
        const MeshData cube = Cube(20), sheet = Translated(Grid(2, 1, 10), {40, 0, 0});
        AddSolid(doc, "cube", cube.vertices, cube.faces);
        AddSolid(doc, "sheet", sheet.vertices, sheet.faces);
        ASSERT_TRUE(UnfoldForFixture(doc).empty());
        AddText(doc, {10, 10, 30, 6}, {"label"}, 12);
        AddPicture(doc, false, {0, 0, 10, 10}, MakeCheckerboard(4, 4, 2, {0, 0, 0}, {1, 1, 1}));
        AddPicture(doc, true, {50, 0, 10, 10}, MakeCheckerboard(4, 4, 2, {1, 0, 0}, {0, 0, 1}));
        model_ = Out("model.tsm");
        ASSERT_TRUE(WriteBinaryModel(doc, doc.display, model_).ok());
        before_ = Dev(model_);
    }

    // The development of `path` read by info --detail, the whole answer kept for Corner.
    QJsonObject Dev(const std::string& path) {
        whole_ = Info(path, true);
        EXPECT_FALSE(whole_.isEmpty()) << path;
        return whole_["development"].toObject();
    }
    // The corner a line names as [solid, face, corner], in the last info read.
    QJsonObject Corner(const QJsonValue& place) {
        const QJsonArray at = place.toArray();
        return std::as_const(whole_)["model"]["solids"][at[0].toInt()]["faceList"][at[1].toInt()]["corners"]
                                    [at[2].toInt()]
                                        .toObject();
    }
    // "P L" of the first line that `wanted` accepts.
    std::string FindLine(const QJsonObject& dev, const std::function<bool(const QJsonObject&)>& wanted) {
        const QJsonArray parts = dev["parts"].toArray();
        for (int p = 0; p < parts.size(); ++p)
            for (int l = 0; l < parts[p]["lines"].toArray().size(); ++l)
                if (wanted(parts[p]["lines"][l].toObject()))
                    return std::to_string(p) + " " + std::to_string(l);
        ADD_FAILURE() << "no such line";
        return "0 0";
    }
    // The first line drawn as one of `kinds` (0 cut, 1/2 folds, ...).
    std::string LineOfKind(std::initializer_list<int> kinds) {
        return FindLine(before_, [&](const QJsonObject& line) {
            return std::find(kinds.begin(), kinds.end(), line["drawKind"].toInt()) != kinds.end();
        });
    }
    static QJsonObject LineAt(const QJsonObject& dev, const std::string& at) {
        const int p = std::stoi(at), l = std::stoi(at.substr(at.find(' ') + 1));
        return dev["parts"][p]["lines"][l].toObject();
    }
    static int TotalLines(const QJsonObject& dev) {
        int total = 0;
        for (const QJsonValue& part : dev["parts"].toArray()) total += part["lines"].toArray().size();
        return total;
    }

    // Runs edit on the model; the development written, or an empty object when nothing was.
    QJsonObject Edit(const std::vector<std::string>& ops, int expectedStatus = 0) {
        std::vector<std::string> args = {"edit", model_, Out("out.tsm")};
        args.insert(args.end(), ops.begin(), ops.end());
        std::filesystem::remove(Out("out.tsm"));
        last_ = Run(args);
        EXPECT_EQ(last_.status, expectedStatus) << last_.err;
        return std::filesystem::exists(Out("out.tsm")) ? Dev(Out("out.tsm")) : QJsonObject();
    }

    std::string model_;
    QJsonObject before_, whole_;
    test::ToolRun last_;
};

double X(const QJsonValue& point) {
    return point.toArray()[0].toDouble();
}

} // namespace

TEST_F(EditCommandTest, CutAndJoinChangeTheLinesAndUndoRedoWorkInOneCall) {
    const std::string fold = LineOfKind({1, 2, 3});
    const int lines = TotalLines(before_);
    const int parts = before_["parts"].toArray().size();
    // Every fold of the cube's cross holds the part together: a cut splits it.
    QJsonObject dev = Edit({"cut " + fold});
    EXPECT_EQ(TotalLines(dev), lines + 1);
    EXPECT_EQ(dev["parts"].toArray().size(), parts + 1);

    dev = Edit({"cut " + fold, "join " + fold});
    EXPECT_EQ(TotalLines(dev), lines);
    EXPECT_EQ(dev["parts"].toArray().size(), parts);

    dev = Edit({"cut " + fold, "join " + fold + " 0 0", "undo", "undo", "redo"});
    EXPECT_EQ(TotalLines(dev), lines + 1);
    dev = Edit({"cut " + fold, "undo"});
    EXPECT_EQ(TotalLines(dev), lines);
}

TEST_F(EditCommandTest, EveryOperationReachesTheFile) {
    const std::string cut = LineOfKind({0, 4, 5});
    const QJsonObject part = before_["parts"][0].toObject();
    const struct {
        std::string op;
        std::function<void(const QJsonObject&)> check;
    } cases[] = {
        {"flap " + cut + " switch",
         [&](const QJsonObject& d) {
             EXPECT_NE(LineAt(d, cut)["drawKind"], LineAt(before_, cut)["drawKind"]);
         }},
        {"color " + cut + " ff8000",
         [&](const QJsonObject& d) { EXPECT_EQ(LineAt(d, cut)["color"], "FF8000"); }},
        {"color " + cut + " hide",
         [&](const QJsonObject& d) { EXPECT_TRUE(LineAt(d, cut)["hidden"].toBool()); }},
        {"move part 0 10 -5",
         [&](const QJsonObject& d) {
             EXPECT_DOUBLE_EQ(d["parts"][0]["x"].toDouble(), part["x"].toDouble() + 10);
             EXPECT_DOUBLE_EQ(d["parts"][0]["y"].toDouble(), part["y"].toDouble() - 5);
         }},
        {"rotate 0 0 0 180",
         [&](const QJsonObject& d) {
             EXPECT_NEAR(d["parts"][0]["width"].toDouble(), part["width"].toDouble(), 1e-9);
             EXPECT_NEAR(d["parts"][0]["x"].toDouble(), -part["x"].toDouble() - part["width"].toDouble(),
                         1e-9);
         }},
        {"move text 0 3 4",
         [&](const QJsonObject& d) { EXPECT_DOUBLE_EQ(X(d["texts"][0]["position"]), 13); }},
        {"move picture B 0 1 1", [&](const QJsonObject& d) { EXPECT_EQ(d["imagesB"].toInt(), 1); }},
        {"text add 5 6 14 Hello world",
         [&](const QJsonObject& d) {
             ASSERT_EQ(d["texts"].toArray().size(), 2);
             EXPECT_EQ(d["texts"][1]["string"], "Hello world");
             EXPECT_EQ(d["texts"][1]["size"], 14);
             EXPECT_DOUBLE_EQ(X(d["texts"][1]["position"]), 5);
         }},
        {"text edit 0 Other", [&](const QJsonObject& d) { EXPECT_EQ(d["texts"][0]["string"], "Other"); }},
        {"text delete 0", [&](const QJsonObject& d) { EXPECT_TRUE(d["texts"].toArray().isEmpty()); }},
        {"text duplicate 0", [&](const QJsonObject& d) { EXPECT_EQ(d["texts"].toArray().size(), 2); }},
        {"text order 0 bottom", [&](const QJsonObject& d) { EXPECT_EQ(d["texts"][0]["string"], "label"); }},
    };
    for (const auto& c : cases) {
        const QJsonObject dev = Edit({c.op});
        ASSERT_FALSE(dev.isEmpty()) << c.op;
        c.check(dev);
    }
    // A new flap on an open edge of the model, then its size, in the line and its first corner.
    const std::string open =
        FindLine(before_, [&](const QJsonObject& line) { return !Corner(line["first"])["twin"].toBool(); });
    const QJsonObject dev = Edit({"flap " + open + " add valley", "flap " + open + " size 7.5"});
    ASSERT_FALSE(dev.isEmpty());
    EXPECT_EQ(LineAt(dev, open)["drawKind"], 5);
    EXPECT_EQ(LineAt(dev, open)["lineKind"], 2);
    EXPECT_EQ(Corner(LineAt(dev, open)["first"])["flapHeight"].toDouble(), 7.5);
    EXPECT_TRUE(Corner(LineAt(dev, open)["first"])["hasFlap"].toBool());
}

TEST_F(EditCommandTest, MalformedOperationsExitTwoAndWriteNothing) {
    const std::string ops =
        "|cut|cut a 1|cut 0|cut 0 1 2|cut -1 0|join 0 1 5|flap 0 1 sideways|flap 0 1 add steep|"
        "flap 0 1 size big|rotate 0 1 2|move box 0 1 1|move picture C 0 1 1|text add 1 2 0 Hi|"
        "text add 1 2 9|text order 0 middle|color 0 0 12345|color 0 0 GG0000|undo now|unfold|";
    std::istringstream list(ops);
    for (std::string op; std::getline(list, op, '|');) {
        Edit({"move part 0 1 1", op}, 2);
        EXPECT_NE(last_.err.find("operation \"" + op + "\""), std::string::npos) << op << ": " << last_.err;
        EXPECT_FALSE(std::filesystem::exists(Out("out.tsm"))) << op;
    }
    std::vector<std::string> same = {"edit", model_, model_, "undo"};
    EXPECT_EQ(Run(same).status, 2);
}

TEST_F(EditCommandTest, RefusedOperationsExitOneWithTheReason) {
    const std::string cut = LineOfKind({0, 4, 5});
    const std::string fold = LineOfKind({1, 2, 3});
    const struct {
        std::vector<std::string> ops;
        std::string message;
    } cases[] = {
        {{"cut " + cut}, "Only a fold can be cut."},
        {{"join " + fold}, "Only a cut edge between two faces can be joined."},
        {{"move part 0 1 1", "cut 99 0"}, "There is no part 99."},
        {{"cut 0 999"}, "Part 0 has no line 999."},
        {{"text delete 5"}, "There is no text 5."},
        {{"move picture A 3 1 1"}, "There is no picture 3 in list A."},
        {{"undo"}, "There is nothing to undo."},
        {{"move part 0 1 1", "redo"}, "There is nothing to redo."},
        {{"flap " + cut + " size 0.01"}, "Specify a value of 0.1-100 mm for flap width."},
    };
    for (const auto& c : cases) {
        Edit(c.ops, 1);
        EXPECT_NE(last_.err.find(c.message), std::string::npos) << last_.err;
        EXPECT_FALSE(std::filesystem::exists(Out("out.tsm"))) << c.message;
    }
}
