#include "model/DevelopmentSnapshot.h"

#include "model/Document.h"
#include "tests/support/DocumentCompare.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tsm;

namespace {

// Three cubes, one part each, with a text and a picture in each list.
std::unique_ptr<Document> ThreeParts() {
    auto doc = std::make_unique<Document>();
    EXPECT_TRUE(UnfoldThreeCubesInRows(*doc).empty());
    AddText(*doc, {10, 20, 30, 8}, {"first", "second"}, 12, 0x0000FF);
    AddPicture(*doc, false, {0, 0, 20, -10}, MakeCheckerboard(4, 4, 2, {0, 0, 0}, {255, 255, 255}));
    AddPicture(*doc, true, {5, 5, 10, 10}, MakeCheckerboard(4, 4, 1, {255, 0, 0}, {0, 0, 255}));
    return doc;
}

HalfEdge& FirstCorner(Document& doc, size_t part) {
    return *doc.development->parts[part]->faces[0]->Corner(0);
}

std::string StateOf(const Document& doc) {
    return test::DocumentStateBytes(doc);
}

} // namespace

// The edits of the engine check their undo; these are the changes no single edit makes.
TEST(DevelopmentSnapshot, RestoreBringsBackEveryKindOfChange) {
    const struct {
        const char* name;
        std::function<void(Document&)> change;
    } cases[] = {
        {"parts reordered", [](Document& d) { std::swap(d.development->parts[0], d.development->parts[2]); }},
        {"face moved to another part",
         [](Document& d) {
             Part& from = *d.development->parts[0];
             Part& to = *d.development->parts[1];
             Face* face = from.faces.back();
             from.faces.pop_back();
             to.faces.push_back(face);
             face->part = &to;
         }},
        {"picture to the other list",
         [](Document& d) {
             d.development->imagesB.push_back(std::move(d.development->imagesA[0]));
             d.development->imagesA.clear();
         }},
        {"scale and frame",
         [](Document& d) {
             d.development->scale = 2;
             d.development->frame[2] = 1;
         }},
    };
    for (const auto& c : cases) {
        auto doc = ThreeParts();
        const std::string before = StateOf(*doc);
        PartPool pool;
        const DevelopmentSnapshot copy = TakeDevelopmentSnapshot(*doc, pool);
        c.change(*doc);
        ASSERT_NE(StateOf(*doc), before) << c.name;
        const DevelopmentSnapshot present = TakeDevelopmentSnapshot(*doc, pool);
        ASSERT_TRUE(RestoreDevelopmentSnapshot(*doc, copy, present)) << c.name;
        EXPECT_EQ(StateOf(*doc), before) << c.name;
        // Every face of the development names its part, and every corner its line, again.
        for (const auto& part : doc->development->parts)
            for (Face* face : part->faces) {
                EXPECT_EQ(face->part, part.get()) << c.name;
                for (auto& h : face->halfEdges) EXPECT_NE(h->line, nullptr) << c.name;
            }
    }
}

TEST(DevelopmentSnapshot, UnchangedPartsAreSharedAndKeepTheirObjects) {
    auto doc = ThreeParts();
    PartPool pool;
    const DevelopmentSnapshot copy = TakeDevelopmentSnapshot(*doc, pool);
    FirstCorner(*doc, 0).y2d -= 1;
    const DevelopmentSnapshot present = TakeDevelopmentSnapshot(*doc, pool);
    EXPECT_NE(present.parts[0], copy.parts[0]);
    EXPECT_EQ(present.parts[1], copy.parts[1]);
    EXPECT_EQ(present.parts[2], copy.parts[2]);
    // Two copies of three parts, one of which changed: four distinct parts held.
    EXPECT_EQ(pool.HeldBytes(), copy.parts[0]->size() + present.parts[0]->size() + copy.parts[1]->size() +
                                    copy.parts[2]->size());

    const Part* unchanged = doc->development->parts[1].get();
    const Part* changed = doc->development->parts[0].get();
    ASSERT_TRUE(RestoreDevelopmentSnapshot(*doc, copy, present));
    EXPECT_EQ(doc->development->parts[1].get(), unchanged);
    EXPECT_NE(doc->development->parts[0].get(), changed);
}

TEST(DevelopmentSnapshot, CopyThatDoesNotFitChangesNothing) {
    const struct {
        const char* name;
        std::function<void(DevelopmentSnapshot&)> spoil;
    } cases[] = {
        {"part cut short", [](DevelopmentSnapshot& s) { s.parts[1] = std::make_shared<std::string>("abc"); }},
        {"solid out of range",
         [](DevelopmentSnapshot& s) {
             std::string bytes = *s.parts[1];
             bytes[0] = 9;
             s.parts[1] = std::make_shared<std::string>(bytes);
         }},
        {"rest cut short", [](DevelopmentSnapshot& s) { s.rest.resize(s.rest.size() - 3); }},
    };
    for (const auto& c : cases) {
        auto doc = ThreeParts();
        PartPool pool;
        DevelopmentSnapshot copy = TakeDevelopmentSnapshot(*doc, pool);
        c.spoil(copy);
        FirstCorner(*doc, 1).x2d += 1;
        const std::string changed = StateOf(*doc);
        const DevelopmentSnapshot present = TakeDevelopmentSnapshot(*doc, pool);
        EXPECT_FALSE(RestoreDevelopmentSnapshot(*doc, copy, present)) << c.name;
        EXPECT_EQ(StateOf(*doc), changed) << c.name;
    }
}
