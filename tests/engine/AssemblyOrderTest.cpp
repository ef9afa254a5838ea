#include "engine/AssemblyOrder.h"

#include "engine/BuildOrder.h"
#include "engine/DocumentEdits.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

// A strip of eight triangles in four parts, P0 {0, 1}, P1 {2, 3, 4, 5}, P2 {6}, P3 {7}, folded inside each
// part; the derived order is P1 P0 P2 P3.
struct Strip {
    DevelopmentFixture fixture;
    std::vector<Face*> faces = fixture.StripInParts({{0, 1}, {2, 3, 4, 5}, {6}, {7}}, true);
    Settings settings;
    EditContext context{fixture.doc, settings};

    PartLine& LineBetween(int face, int other) {
        return *DevelopmentFixture::Shared(faces[face], faces[other])->line;
    }
    // Each step's part named by its first triangle.
    std::vector<int> Order() {
        std::vector<int> firsts;
        for (const BuildStep& step : DocumentBuildOrder(fixture.Dev())) {
            int first = static_cast<int>(faces.size());
            for (const Face* face : fixture.Dev().parts[step.part]->faces)
                first = std::min(
                    first, static_cast<int>(std::find(faces.begin(), faces.end(), face) - faces.begin()));
            firsts.push_back(first);
        }
        return firsts;
    }
};

TEST(AssemblyOrder, SetKeepsTheRuleAndUndoGivesThePreviousOrderBack) {
    const struct {
        std::vector<int> sequence;
        const char* refusal; // null: taken
        std::vector<int> order;
    } cases[] = {
        {{3, 2, 1, 0}, nullptr, {7, 6, 2, 0}},
        {{0}, nullptr, {0, 2, 6, 7}}, // the rest by the rule
        {{3, 0}, "Part 3 shares no cut edge with the parts built before it.", {2, 0, 6, 7}},
        {{}, nullptr, {2, 0, 6, 7}}, // the derived order
    };
    for (const auto& c : cases) {
        Strip strip;
        ASSERT_TRUE(SetBuildOrder(strip.context, {2, 1, 0, 3}).ok());
        const std::vector<int> before = strip.Order();
        const EditResult result = SetBuildOrder(strip.context, c.sequence);
        EXPECT_EQ(result.ok() ? "" : result.reason(), c.refusal ? c.refusal : "");
        EXPECT_EQ(strip.Order(), c.refusal ? before : c.order);
        if (c.refusal) continue;
        EXPECT_TRUE(strip.fixture.doc.modified);
        ASSERT_TRUE(Undo(strip.context).ok());
        EXPECT_EQ(strip.Order(), before);
    }
}

// After a cut the pieces take the cut part's place, the one joining the parts before it first; after a
// join the merged part stands where the earlier of the two stood. The other parts keep their places.
TEST(AssemblyOrder, CutAndJoinKeepTheUnchangedPartsInPlace) {
    Strip strip;
    ASSERT_TRUE(SetBuildOrder(strip.context, {3, 2, 1, 0}).ok());
    ASSERT_TRUE(CutFold(strip.context, strip.LineBetween(3, 4)).ok());
    EXPECT_EQ(strip.Order(), (std::vector<int>{7, 6, 4, 2, 0}));
    ASSERT_TRUE(JoinCutEdge(strip.context, strip.LineBetween(6, 5)).ok());
    EXPECT_EQ(strip.Order(), (std::vector<int>{7, 4, 2, 0}));
    ASSERT_TRUE(Undo(strip.context).ok());
    EXPECT_EQ(strip.Order(), (std::vector<int>{7, 6, 4, 2, 0}));
}

} // namespace
