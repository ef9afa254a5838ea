#include "engine/CutJoin.h"
#include "engine/EdgeColor.h"
#include "engine/FlapEdits.h"
#include "engine/PartEdits.h"

#include "engine/DocumentEdits.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "engine/MeshImportPipeline.h"
#include "engine/Topology.h"
#include "engine/Unfolder.h"
#include "model/MeshImport.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/support/DocumentCompare.h"
#include "tests/support/TestMeshFiles.h"
#include "tools/lib/Invariants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

using namespace tsm;
using test::DevelopmentFixture;

namespace {

Point2 DevPos(const HalfEdge* c) {
    return c->Pos2D() + Point2{c->face->part->x, c->face->part->y};
}

void ExpectNear(const Point2& a, const Point2& b, double eps = 1e-9) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
}

// What the link check leaves out: every corner of a part has a record of that part naming it, and no
// record is left over.
std::string LineRecordProblem(const Development& dev) {
    size_t corners = 0, named = 0;
    for (const auto& part : dev.parts) {
        if (part->faces.empty()) return "an empty part";
        for (const Face* face : part->faces) corners += face->halfEdges.size();
        for (const auto& line : part->lines)
            for (const HalfEdge* side : {line->first, line->second}) {
                if (side == nullptr) continue;
                if (side->line != line.get() || side->face->part != part.get()) return "a stray record";
                ++named;
            }
    }
    return corners == named ? "" : "corners without a record";
}

// The digits of a description such as "00 10" (cells) or "0010 1011" (pairs of cells), in order.
std::vector<int> Digits(const char* text) {
    std::vector<int> d;
    for (; *text; ++text)
        if (*text >= '0' && *text <= '9') d.push_back(*text - '0');
    return d;
}

// A 3 x 3 grid of squares of side 10, sq[column][row], each running counter-clockwise on the sheet; cells
// are written "column row".
struct Grid : DevelopmentFixture {
    Face* sq[3][3] = {};
    explicit Grid(const char* cells) {
        Vertex* v[4][4];
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) v[i][j] = AddVertex(10.0 * i, 10.0 * j);
        const auto d = Digits(cells);
        for (size_t k = 0; k + 1 < d.size(); k += 2) {
            const int i = d[k], j = d[k + 1];
            sq[i][j] = AddFace({v[i][j], v[i][j + 1], v[i + 1][j + 1], v[i + 1][j]});
        }
        PairEdges();
    }
    // A measured part of the cells, folded between the pairs of cells in `folds`.
    Part* Piece(const char* cells, const char* folds = "") {
        std::vector<Face*> faces;
        const auto d = Digits(cells);
        for (size_t k = 0; k + 1 < d.size(); k += 2) faces.push_back(sq[d[k]][d[k + 1]]);
        Part* part = AddPart(faces);
        const auto f = Digits(folds);
        for (size_t k = 0; k + 3 < f.size(); k += 4) Join(sq[f[k]][f[k + 1]], sq[f[k + 2]][f[k + 3]]);
        MakeLines(part);
        ComputePartExtent(*part);
        return part;
    }
    // The first cell's side of the edge it shares with the second.
    HalfEdge* Side(const char* pair) {
        const auto d = Digits(pair);
        return Shared(sq[d[0]][d[1]], sq[d[2]][d[3]]);
    }
    void Reclassify() {
        SeparateCorners(Model());
        ClassifyPartLines(Dev(), Model(), doc.display);
    }
    void ExpectSound() {
        EXPECT_TRUE(CheckModelInvariants(doc).empty());
        EXPECT_EQ(LineRecordProblem(Dev()), "");
    }
};

} // namespace

TEST(CutJoin, CutOpensTheFoldAndSplitsOffWhatNoLongerConnects) {
    // A ring of four squares stays whole; a strip of two falls apart, and the clicked side moves 4.5 mm
    // (2.5 % of 180 mm) into its own face, away from the other.
    Grid ring("00 10 11 01");
    ring.Piece("00 10 11 01", "0010 1011 1101 0100");
    HalfEdge* h = ring.Side("0010");
    ASSERT_TRUE(IsFoldLine(*h->line));
    EXPECT_EQ(CutAtLine(ring.Dev(), *h->line, 180.0), nullptr);
    ring.Reclassify();
    EXPECT_EQ(ring.Dev().parts.size(), 1u);
    for (HalfEdge* side : {h, h->twin}) {
        EXPECT_EQ(side->line->first, side);
        EXPECT_EQ(side->line->drawKind, DrawKind::Cut);
    }
    EXPECT_TRUE(IsJoinableCutLine(*h->line));
    ring.ExpectSound();

    for (bool reversed : {false, true}) {
        Grid fx("00 10");
        fx.Dev().reversed = reversed;
        Part* part = fx.Piece("00 10", "0010");
        h = fx.Side("0010"); // runs up the square's right side
        const Point2 before = DevPos(h), otherBefore = DevPos(h->twin);
        Part* q = CutAtLine(fx.Dev(), *h->line, 180.0);
        fx.Reclassify();
        ASSERT_EQ(fx.Dev().parts.size(), 2u);
        EXPECT_EQ(fx.sq[0][0]->part, part);
        EXPECT_EQ(fx.sq[1][0]->part, q);
        EXPECT_EQ(fx.sq[1][0]->partIndex, 1);
        ExpectNear(DevPos(h), before + Point2{reversed ? 4.5 : -4.5, 0});
        ExpectNear(DevPos(h->twin), otherBefore);
        fx.ExpectSound();
    }
}

TEST(CutJoin, JoiningTwoPartsLandsTheMovedEdgeOnTheStayingOne) {
    Grid fx("00 10");
    Part* a = fx.Piece("00");
    Part* b = fx.Piece("10");
    b->x = 70, b->y = -13;
    RotatePart(*b, {75, -8}, 37);
    HalfEdge* h = fx.Side("0010");
    HalfEdge* t = h->twin;
    const Point2 stay = DevPos(h);
    ASSERT_TRUE(IsJoinableCutLine(*h->line));
    JoinAtLine(fx.Dev(), *h->line, 0.0001);
    fx.Reclassify();
    ASSERT_EQ(fx.Dev().parts.size(), 1u);
    EXPECT_EQ(fx.sq[1][0]->part, a);
    EXPECT_EQ(h->Joined(), t);
    EXPECT_EQ(t->line, h->line);
    EXPECT_EQ(t->Pos2D(), h->next->Pos2D());
    EXPECT_EQ(t->next->Pos2D(), h->Pos2D());
    ExpectNear(DevPos(h), stay);
    // The two squares make the 20 x 10 strip they make on the model.
    ExpectNear(DevPos(t->next->next) - DevPos(h), {10, 0});
    fx.ExpectSound();
}

TEST(CutJoin, JoiningTwoFacesOfOnePartMovesOneFaceAndSplitsOffTheRest) {
    // A plus of five squares, the top right one folded to the top one and the bottom right one to the
    // right one. Joining the top right square with the right one takes the right one away from the centre
    // and leaves the bottom right one alone; with a threshold the right one's coincident edge folds again.
    for (double threshold : {0.0, 0.0001}) {
        Grid fx("11 10 12 01 21 20 22");
        Part* part = fx.Piece("11 10 12 01 21 20 22", "1110 1112 1101 1121 1020 2122");
        HalfEdge* h = fx.Side("2021");
        JoinAtLine(fx.Dev(), *h->line, threshold);
        fx.Reclassify();
        ASSERT_EQ(fx.Dev().parts.size(), 2u);
        EXPECT_EQ(fx.sq[2][1]->part, part);
        EXPECT_EQ(fx.Dev().parts[1]->faces, std::vector<Face*>{fx.sq[2][2]});
        EXPECT_EQ(h->Joined(), h->twin);
        EXPECT_EQ(fx.Side("2111")->Joined() != nullptr, threshold > 0);
        fx.ExpectSound();
    }
}

TEST(FlapEdits, MenuActionsChangeTheFlapAndTheExtent) {
    // The open left edge of one square: its 45-degree flap of height 5 is a triangle sticking out 5 mm to
    // the left. Each case adds a flap (unless NoFlap), switches, sets a height (unless 0) and, with
    // `shape`, makes the flap a 2 mm rectangle and tries an angle of 0, which is refused.
    struct Case {
        LineKind add;
        int switches;
        double height;
        bool shape;
        LineKind kind;
        DrawKind drawn;
        double width;
    };
    const std::vector<Case> cases = {
        {LineKind::NoFlap, 1, 0, false, LineKind::MountainFlap, DrawKind::FlapMountain, 15},
        {LineKind::ValleyFlap, 1, 0, false, LineKind::NoFlap, DrawKind::Cut, 10},
        {LineKind::NoFlap, 2, 0, false, LineKind::NoFlap, DrawKind::Cut, 10},
        {LineKind::MountainFlap, 0, 0, true, LineKind::MountainFlap, DrawKind::FlapMountain, 12},
        {LineKind::ValleyFlap, 0, 0, false, LineKind::ValleyFlap, DrawKind::FlapValley, 15},
        {LineKind::FlatFlap, 0, 3, false, LineKind::FlatFlap, DrawKind::FlapOnly, 13},
        {LineKind::FlatFlap, 0, -1, false, LineKind::FlatFlap, DrawKind::FlapOnly, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases.data());
        Grid fx("00");
        Part* part = fx.Piece("00");
        PartLine& line = *fx.sq[0][0]->Corner(0)->line;
        AddFlap(line, c.add);
        for (int k = 0; k < c.switches; ++k) SwitchFlapPosition(line);
        if (c.height != 0) SetFlapHeight(line, c.height);
        if (c.shape) SetFlapShape(line, 2, 1.5707963267948966, 1.5707963267948966);
        if (c.shape) SetFlapShape(line, 9, 0, 1);
        fx.Reclassify();
        EXPECT_EQ(line.lineKind, c.kind);
        EXPECT_EQ(line.first->hasFlap, c.kind != LineKind::NoFlap);
        EXPECT_EQ(line.drawKind, c.drawn);
        EXPECT_DOUBLE_EQ(part->width, c.width);
        EXPECT_DOUBLE_EQ(part->x, 10 - c.width);
    }
}

TEST(PartEdits, TextsAndPicturesStack) {
    // Each case: the index moved, the order (Top, Upper, Lower, Bottom, Under Development) and the list
    // afterwards; index 7 is out of range.
    for (const char* c : {"0T120", "1T021", "2T012", "0U102", "1U021", "2U012", "0L012", "1L102", "2L021",
                          "0B012", "1B102", "2B201", "1D012", "7T012"}) {
        Development dev;
        for (int k = 0; k < 3; ++k) AddText(dev, MakeText({0, 0}, {"x"}, "Sans", 10, k));
        const size_t index = static_cast<size_t>(c[0] - '0');
        const size_t moved =
            ReorderText(dev, index, static_cast<StackOrder>(std::string("TULBD").find(c[1])));
        std::string order;
        for (auto& t : dev.texts) order += static_cast<char>('0' + t->color);
        EXPECT_EQ(order, c + 2);
        EXPECT_EQ(moved, index < 3 ? order.find(c[0]) : index) << c;
    }
    Development dev;
    // 72 points are one inch; widths count characters, not bytes.
    const TextBlock made = MakeText({3, 4}, {"ab", "\xc3\xa9\xc3\xa9\xc3\xa9"}, "Sans", 72, 5);
    EXPECT_DOUBLE_EQ(made.rect[2], 0.6 * 25.4 * 3);
    EXPECT_DOUBLE_EQ(made.rect[3], 2 * 25.4 + 2);
    EXPECT_EQ(AddText(dev, made), 0u);
    EXPECT_EQ(DuplicateText(dev, 0), 1u);
    DeleteText(dev, 0);
    DeleteText(dev, 5);
    ASSERT_EQ(dev.texts.size(), 1u);
    EXPECT_DOUBLE_EQ(dev.texts[0]->rect[0], 8);
    EXPECT_DOUBLE_EQ(dev.texts[0]->rect[1], 9);

    for (int k = 0; k < 2; ++k) dev.imagesA.push_back(std::make_unique<ImageBlock>());
    dev.imagesB.push_back(std::make_unique<ImageBlock>());
    ImageBlock* moving = dev.imagesA[0].get();
    bool above = false;
    EXPECT_EQ(ReorderPicture(dev, above, 0, StackOrder::UnderDevelopment), 0u);
    EXPECT_FALSE(above);
    EXPECT_EQ(ReorderPicture(dev, above, 0, StackOrder::AboveDevelopment), 1u);
    EXPECT_TRUE(above);
    EXPECT_EQ(dev.imagesB[1].get(), moving);
    EXPECT_EQ(dev.imagesA.size(), 1u);
    EXPECT_EQ(ReorderPicture(dev, above, 1, StackOrder::Bottom), 0u);
    DeletePicture(dev, true, 0);
    ASSERT_EQ(dev.imagesB.size(), 1u);
    EXPECT_NE(dev.imagesB[0].get(), moving);
}

// Painting shows a hidden line again and colours both sides of a fold; the colour read back rounds.
TEST(EdgeColor, PaintShowsTheLineAndColoursBothSides) {
    Grid fx("00 10");
    fx.Piece("00 10", "0010");
    HalfEdge* h = fx.Side("0010");
    HideLine(*h->line);
    PaintLine(*h->line, {255, 128, 1});
    EXPECT_FALSE(h->line->hidden);
    EXPECT_FLOAT_EQ(h->twin->sideColor[1], 128 / 255.0f);
    h->sideColor[2] = 0.5f; // 127.5 rounds up
    EXPECT_EQ(LineColor(*h->line), (std::array<uint8_t, 3>{255, 128, 128}));
}

// Every test mesh, unfolded: random cuts of folds and joins of cut edges keep every link.
TEST(CutJoin, RandomCutsAndJoinsKeepEveryLink) {
    const std::vector<std::string> files = test::TestMeshFiles();
    ASSERT_GE(files.size(), 10u);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        RecordingPrompt prompt(false);
        Result<ImportedMesh> read = ImportMeshDocument(path, Settings(), prompt);
        const std::unique_ptr<Document> imported = read.ok() ? std::move(read->document) : nullptr;
        ASSERT_TRUE(imported);
        Document& doc = *imported;
        ASSERT_TRUE(UnfoldDocument(doc, Settings(), prompt, nullptr, UnfoldOptions()).ok());
        Development& dev = *doc.development;
        const std::string unfolded = test::DocumentStateBytes(doc);
        Settings settings;
        settings.joinAdjacentEdges = false; // coincident edges within 0.0001 mm only
        EditContext context{doc, settings};
        std::mt19937 random(1234);
        int done[2] = {0, 0};
        for (int step = 0; step < 40; ++step) {
            const bool cut = step % 2 == 0;
            std::vector<PartLine*> candidates;
            for (auto& part : dev.parts)
                for (auto& line : part->lines)
                    if (cut ? IsFoldLine(*line) : IsJoinableCutLine(*line)) candidates.push_back(line.get());
            if (candidates.empty()) continue;
            PartLine* line = candidates[random() % candidates.size()];
            ++done[cut];
            // Half the joins are clicked next to the other side, which then stays.
            const PartLine& near = cut || step % 4 == 1 ? *line : *line->first->twin->line;
            HalfEdge* h = line->first;
            if (cut) {
                ASSERT_TRUE(CutFold(context, *line).ok());
            } else {
                ASSERT_TRUE(JoinCutEdge(context, *line, LineEnds(near)[0]).ok());
                // A neighbouring edge joined as coincident may have moved one end within the threshold.
                EXPECT_LT(Length(h->Pos2D() - h->twin->next->Pos2D()), 0.0001);
                EXPECT_LT(Length(h->next->Pos2D() - h->twin->Pos2D()), 0.0001);
            }
            const auto problems = CheckModelInvariants(doc);
            ASSERT_TRUE(problems.empty()) << "step " << step << ": " << problems.front();
            ASSERT_EQ(LineRecordProblem(dev), "") << "step " << step;
        }
        // Every step undone brings back the unfolded development exactly.
        EXPECT_EQ(doc.history.UndoCount(), size_t(done[0] + done[1]));
        while (doc.history.CanUndo()) ASSERT_TRUE(Undo(context).ok());
        EXPECT_TRUE(test::DocumentStateBytes(doc) == unfolded);
        EXPECT_TRUE(CheckModelInvariants(doc).empty());
        EXPECT_GT(done[0] * done[1], 0);
    }
}
