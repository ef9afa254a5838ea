#include "tools/lib/Invariants.h"

#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
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

Solid& SolidAt(Document& doc) {
    return *doc.model->solids[0];
}
Part& AddPart(Document& doc) {
    return *doc.development->parts[0];
}

// The first folded or cut corner of the developed cube.
HalfEdge* Corner(Document& doc, bool folded) {
    for (auto& face : SolidAt(doc).faces)
        for (auto& h : face->halfEdges)
            if ((h->Joined() != nullptr) == folded) return h.get();
    return nullptr;
}

} // namespace

// Sound documents, developed or not, pass throughout the suite; here the empty ones.
TEST(Invariants, SoundDocumentsPass) {
    EXPECT_TRUE(CheckModelInvariants(Document()).empty());
    Document none;
    none.model.reset();
    EXPECT_EQ(CheckModelInvariants(none), (std::vector<std::string>{"the document has no model"}));
}

// Each row breaks one link of a fresh developed cube; every finding must contain one of the texts, in
// order, and there are exactly that many findings.
TEST(Invariants, EachBrokenLinkIsReported) {
    static HalfEdge strayCorner;
    static Part foreignPart;
    static Face outsider;
    static PartLine strayLine;
    const struct {
        std::function<void(Document&)> breakIt;
        std::vector<std::string> found;
    } cases[] = {
        {[](Document& d) { SolidAt(d).edges[0]->halfEdge1->edge = SolidAt(d).edges[1].get(); },
         {"solid 0 edge 0 side 1 does not point back to the edge"}},
        {[](Document& d) { SolidAt(d).edges[3]->halfEdge2 = &strayCorner; },
         {"solid 0 edge 3 side 2 is not a corner of the model"}},
        {[](Document& d) { Corner(d, false)->twin->twin = nullptr; }, {": twin's twin is not this corner"}},
        {[](Document& d) { Corner(d, false)->twin = &strayCorner; },
         {": twin is not a corner of the model", ": twin's twin is not this corner"}},
        {[](Document& d) { Corner(d, true)->twin->joinsTwin = false; },
         {": joined's joined is not this corner"}},
        {[](Document& d) { Corner(d, true)->twin = nullptr; },
         {": joined without a twin", ": twin's twin is not this corner"}},
        {[](Document& d) { SolidAt(d).faces[2]->part = nullptr; },
         {"solid 0 face 2 is listed in a part's faces but its part is null"}},
        {[](Document& d) { AddPart(d).faces.erase(AddPart(d).faces.begin() + 1); },
         {"solid 0 face 1 is not listed in its part's faces"}},
        {[](Document& d) { SolidAt(d).faces[4]->part = &foreignPart; },
         {"solid 0 face 4 names a part that the development does not hold"}},
        {[](Document& d) { AddPart(d).faces.push_back(AddPart(d).faces[0]); }, {"part 0 lists a face twice"}},
        {[](Document& d) {
             auto second = std::make_unique<Part>();
             second->faces.push_back(SolidAt(d).faces[0].get());
             d.development->AppendPart(std::move(second));
         },
         {"part 1 lists a face that another part lists too"}},
        {[](Document& d) { AddPart(d).faces.push_back(&outsider); },
         {"part 0 lists a face that is not in the model"}},
        {[](Document& d) {
             HalfEdge* h = Corner(d, false);
             h->line = h->next->line != h->line ? h->next->line : PreviousCorner(*h)->line;
         },
         {": line's first and second are other corners"}},
        {[](Document& d) { Corner(d, true)->line = &strayLine; }, {": line is not a record of any part"}},
        {[](Document& d) { Corner(d, true)->line->second = nullptr; }, {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.found[0]);
        auto doc = DevelopedCube();
        c.breakIt(*doc);
        const std::vector<std::string> found = CheckModelInvariants(*doc);
        ASSERT_EQ(found.size(), c.found.size());
        for (size_t i = 0; i < found.size(); ++i) EXPECT_NE(found[i].find(c.found[i]), std::string::npos);
    }
    // Without a development no face may name a part and no corner a line.
    auto doc = DevelopedCube();
    doc->development.reset();
    const std::vector<std::string> found = CheckModelInvariants(*doc);
    for (const char* text :
         {"names a part that the development does not hold", ": line is not a record of any part"})
        EXPECT_TRUE(std::any_of(found.begin(), found.end(), [&](const std::string& f) {
            return f.find(text) != std::string::npos;
        })) << text;
}
