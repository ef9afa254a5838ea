// A developed document with something in every list, for the engine's edit and refusal tests.
#pragma once

#include "engine/DocumentEdits.h"
#include "engine/UndoCommands.h"
#include "engine/Unfolder.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

namespace tsm::test {

// A cube and an open sheet of two squares, unfolded, with a text and a picture in each list.
struct Developed {
    Document doc;
    Settings settings;
    EditContext context{doc, settings};

    Developed() {
        const MeshData cube = Cube(20);
        AddSolid(doc, "cube", cube.vertices, cube.faces);
        const MeshData sheet = Translated(Grid(2, 1, 10), {40, 0, 0});
        AddSolid(doc, "sheet", sheet.vertices, sheet.faces);
        EXPECT_TRUE(UnfoldForFixture(doc).empty());
        AddText(doc, {10, 10, 30, 6}, {"one"}, 12);
        AddText(doc, {10, 30, 30, 6}, {"two"}, 12);
        AddPicture(doc, false, {0, 0, 10, 10}, MakeCheckerboard(4, 4, 2, {0, 0, 0}, {1, 1, 1}));
        AddPicture(doc, true, {50, 0, 10, 10}, MakeCheckerboard(4, 4, 2, {1, 0, 0}, {0, 0, 1}));
        CompleteDevelopmentEdit(doc);
    }
    Development& Dev() { return *doc.development; }
    PartLine& Line(bool (*test)(const PartLine&)) {
        for (auto& part : Dev().parts)
            for (auto& line : part->lines)
                if (test(*line)) return *line;
        ADD_FAILURE() << "no such line";
        return *Dev().parts[0]->lines[0];
    }
    PartLine& Fold() { return Line(IsFoldLine); }
    PartLine& Joinable() { return Line(IsJoinableCutLine); }
    PartLine& Open() {
        return Line([](const PartLine& l) { return l.first->twin == nullptr; });
    }
};

inline bool WithFlap(const PartLine& l) {
    return l.first->Joined() == nullptr && l.first->twin != nullptr && l.first->hasFlap;
}

} // namespace tsm::test
