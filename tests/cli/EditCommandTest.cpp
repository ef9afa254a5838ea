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
        const QJsonValue solid = std::as_const(whole_)["model"]["solids"][at[0].toInt()];
        return solid["faceList"][at[1].toInt()]["corners"][at[2].toInt()].toObject();
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

} // namespace

TEST_F(EditCommandTest, CutAndJoinChangeThePartsAndUndoRedoWorkInOneCall) {
    const std::string fold = LineOfKind({1, 2, 3});
    const int parts = before_["parts"].toArray().size();
    // Every fold of the cube's cross holds the part together: a cut splits it, a join makes it whole.
    QJsonObject dev = Edit({"cut " + fold, "join " + fold + " 0 0", "undo", "undo", "redo"});
    EXPECT_EQ(dev["parts"].toArray().size(), parts + 1);
    dev = Edit({"cut " + fold, "join " + fold});
    EXPECT_EQ(dev["parts"].toArray().size(), parts);
}

TEST_F(EditCommandTest, EveryOperationReachesTheFile) {
    const std::string cut = LineOfKind({0, 4, 5});
    const QJsonObject part = before_["parts"][0].toObject();
    EXPECT_NE(LineAt(Edit({"flap " + cut + " switch"}), cut)["drawKind"], LineAt(before_, cut)["drawKind"]);
    EXPECT_EQ(LineAt(Edit({"color " + cut + " ff8000"}), cut)["color"], "FF8000");
    EXPECT_TRUE(LineAt(Edit({"color " + cut + " hide"}), cut)["hidden"].toBool());
    EXPECT_DOUBLE_EQ(Edit({"move part 0 10 -5"})["parts"][0]["y"].toDouble(), part["y"].toDouble() - 5);
    // Half a turn about the origin.
    EXPECT_NEAR(Edit({"rotate 0 0 0 180"})["parts"][0]["x"].toDouble(),
                -part["x"].toDouble() - part["width"].toDouble(), 1e-9);
    EXPECT_DOUBLE_EQ(Edit({"move text 0 3 4"})["texts"][0]["position"][0].toDouble(), 13);
    EXPECT_EQ(Edit({"move picture B 0 1 1"})["imagesB"].toInt(), 1);
    const QJsonObject added = Edit({"text add 5 6 14 Hello world"})["texts"][1].toObject();
    EXPECT_EQ(added["string"], "Hello world");
    EXPECT_EQ(added["size"], 14);
    EXPECT_EQ(Edit({"text edit 0 Other"})["texts"][0]["string"], "Other");
    EXPECT_EQ(Edit({"text duplicate 0", "text delete 1", "text order 0 bottom"})["texts"].toArray().size(),
              1);

    // A new flap on an open edge of the model, then its size, in the line and its first corner.
    const std::string open =
        FindLine(before_, [&](const QJsonObject& line) { return !Corner(line["first"])["twin"].toBool(); });
    const QJsonObject dev = Edit({"flap " + open + " add valley", "flap " + open + " size 7.5"});
    EXPECT_EQ(LineAt(dev, open)["lineKind"], 2);
    EXPECT_EQ(Corner(LineAt(dev, open)["first"])["flapHeight"].toDouble(), 7.5);
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
    const test::ToolRun same = Run({"edit", model_, model_, "undo"});
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(same.err.rfind("tsmtool: edit never writes over its model file\n", 0), 0u) << same.err;
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
    };
    for (const auto& c : cases) {
        Edit(c.ops, 1);
        EXPECT_NE(last_.err.find(c.message), std::string::npos) << last_.err;
        EXPECT_FALSE(std::filesystem::exists(Out("out.tsm"))) << c.message;
    }
}
