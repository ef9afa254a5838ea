#include "tools/lib/Invariants.h"

#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tsm;

namespace {

std::unique_ptr<Document> DevelopedCube() {
    auto doc = std::make_unique<Document>();
    const MeshData cube = Cube(10);
    AddSolid(*doc, "cube", cube.vertices, cube.faces);
    EXPECT_TRUE(UnfoldForFixture(*doc).empty());
    return doc;
}

CSolid& Solid(Document& doc) {
    return *doc.model->solids[0];
}
CPart& Part(Document& doc) {
    return *doc.development->parts[0];
}

// The first folded corner and the first cut corner of the developed cube.
CHalfEdge* FoldCorner(Document& doc) {
    for (auto& face : Solid(doc).faces)
        for (auto& h : face->halfEdges)
            if (h->joined) return h.get();
    return nullptr;
}
CHalfEdge* CutCorner(Document& doc) {
    for (auto& face : Solid(doc).faces)
        for (auto& h : face->halfEdges)
            if (!h->joined) return h.get();
    return nullptr;
}

// Breaks one link in a fresh developed cube and returns the checker's findings.
std::vector<std::string> Broken(const std::function<void(Document&)>& breakIt) {
    auto doc = DevelopedCube();
    breakIt(*doc);
    return CheckModelInvariants(*doc);
}

bool Mentions(const std::vector<std::string>& found, const std::string& text) {
    for (const auto& line : found)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

} // namespace

TEST(Invariants, SoundDocumentsPass) {
    EXPECT_TRUE(CheckModelInvariants(*DevelopedCube()).empty());
    // A model without a development, and an empty document.
    Document bare;
    const MeshData cube = Cube(1);
    AddSolid(bare, "cube", cube.vertices, cube.faces);
    EXPECT_TRUE(CheckModelInvariants(bare).empty());
    EXPECT_TRUE(CheckModelInvariants(Document()).empty());
}

TEST(Invariants, EachBrokenEdgeOrTwinLinkIsReported) {
    CHalfEdge stray;
    // An edge's side that points at another edge.
    auto found =
        Broken([](Document& doc) { Solid(doc).edges[0]->halfEdge1->edge = Solid(doc).edges[1].get(); });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "solid 0 edge 0 side 1 does not point back to the edge");
    // An edge's side that is no corner of the model is reported, not followed.
    found = Broken([&](Document& doc) { Solid(doc).edges[3]->halfEdge2 = &stray; });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "solid 0 edge 3 side 2 is not a corner of the model");
    // A one-way twin (both sides of the pair notice; the joined link breaks as well on a fold).
    found = Broken([](Document& doc) {
        CHalfEdge* h = CutCorner(doc);
        h->twin->twin = nullptr;
    });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find(": twin's twin is not this corner"), std::string::npos);
    // A twin outside the model.
    found = Broken([&](Document& doc) { CutCorner(doc)->twin = &stray; });
    ASSERT_EQ(found.size(), 2u); // the corner itself, and its former twin whose twin no longer returns
    EXPECT_TRUE(Mentions(found, ": twin is not a corner of the model"));
    EXPECT_TRUE(Mentions(found, ": twin's twin is not this corner"));
}

TEST(Invariants, EachBrokenJoinedLinkIsReported) {
    // Joined on one side only.
    auto found = Broken([](Document& doc) { FoldCorner(doc)->joined->joined = nullptr; });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find(": joined's joined is not this corner"), std::string::npos);
    // Joined to a corner that is not the twin.
    found = Broken([](Document& doc) {
        CHalfEdge* h = CutCorner(doc);
        h->joined = h->next;
    });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find(": joined is not its twin"), std::string::npos);
}

TEST(Invariants, EachBrokenPartMembershipIsReported) {
    CPart foreign;
    // Listed in the part but the face's part is null.
    auto found = Broken([](Document& doc) { Solid(doc).faces[2]->part = nullptr; });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "solid 0 face 2 is listed in a part's faces but its part is null");
    // Part set but not listed.
    found = Broken([](Document& doc) { Part(doc).faces.erase(Part(doc).faces.begin() + 1); });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "solid 0 face 1 is not listed in its part's faces");
    // A part the development does not hold.
    found = Broken([&](Document& doc) { Solid(doc).faces[4]->part = &foreign; });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "solid 0 face 4 names a part that the development does not hold");
    // Listed twice.
    found = Broken([](Document& doc) { Part(doc).faces.push_back(Part(doc).faces[0]); });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "part 0 lists a face twice");
    // Listed in two parts.
    found = Broken([](Document& doc) {
        auto second = std::make_unique<CPart>();
        second->faces.push_back(Solid(doc).faces[0].get());
        doc.development->AppendPart(std::move(second));
    });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "part 1 lists a face that another part lists too");
    // A listed face that is not in the model.
    CFace outsider;
    found = Broken([&](Document& doc) { Part(doc).faces.push_back(&outsider); });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "part 0 lists a face that is not in the model");
    // Without a development no face may name a part.
    found = Broken([](Document& doc) { doc.development.reset(); });
    EXPECT_TRUE(Mentions(found, "names a part that the development does not hold"));
    EXPECT_TRUE(Mentions(found, ": line is not a record of any part"));
}

TEST(Invariants, EachBrokenLineLinkIsReported) {
    CPartLine stray;
    // A line record whose first and second are other corners.
    auto found = Broken([](Document& doc) {
        CHalfEdge* h = CutCorner(doc);
        h->line = h->next->line != h->line ? h->next->line : h->prev->line;
    });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find(": line's first and second are other corners"), std::string::npos);
    // A line record no part holds.
    found = Broken([&](Document& doc) { FoldCorner(doc)->line = &stray; });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find(": line is not a record of any part"), std::string::npos);
    // A fold's line that lost its second side: the second corner's line no longer names it.
    found = Broken([](Document& doc) { FoldCorner(doc)->line->second = nullptr; });
    ASSERT_EQ(found.size(), 1u);
}

TEST(Invariants, DocumentWithoutModel) {
    Document doc;
    doc.model.reset();
    EXPECT_EQ(CheckModelInvariants(doc), (std::vector<std::string>{"the document has no model"}));
}
