// A tiny development for the vector output tests (metafile, SVG, painter): a 10 mm square of two
// triangles folded along its diagonal, every kind of drawn line once.
//
// Corners before placing: v0 (0,0), v1 (0,10), v2 (10,10), v3 (10,0). Face 0 = v0 v1 v2, face 1 =
// v0 v2 v3, joined along v0-v2 as a valley fold. The open edges: v0->v1 (left) is a mountain fold at a
// flap (lineKind 1) whose 4 mm trapezoid flap sticks out to the left, to x = -4; v1->v2 (bottom), v2->v3
// (right) and v3->v0 (top) are cut lines, the top one red. The flap's outline is green. The part is
// then moved so that the development's frame is (16, 10, 14, 10): the square spans x 20..30, y 10..20.
//
// With the default settings the vector lines are: 3 flap outline sides; the mountain line as 4 dashes;
// the valley diagonal as 5 dashes; 3 solid cut lines.
#pragma once

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "tests/engine/DevelopmentFixture.h"

namespace tsm::test {

struct TinyDevelopment : DevelopmentFixture {
    Face* face0 = nullptr;
    Face* face1 = nullptr;
    Part* part = nullptr;

    TinyDevelopment() {
        Vertex* v0 = AddVertex(0, 0);
        Vertex* v1 = AddVertex(0, 10);
        Vertex* v2 = AddVertex(10, 10);
        Vertex* v3 = AddVertex(10, 0);
        face0 = AddFace({v0, v1, v2});
        face1 = AddFace({v0, v2, v3});
        PairEdges();
        Join(face0, face1);
        HalfEdge* fold = Shared(face0, face1);
        fold->edge->foldSense = false; // valley
        fold->edge->foldAngle = 90;
        part = AddPart({face0, face1});
        MakeLines(part);

        HalfEdge* left = face0->Corner(0);
        left->line->lineKind = LineKind::MountainFlap;
        left->hasFlap = true;
        left->flapHeight = 4;
        left->flapColor[1] = 0.5f;
        face1->Corner(2)->sideColor[0] = 1.0f; // top edge v3 -> v0

        ComputeDevelopmentExtent(Dev(), true);
        part->x += 20;
        part->y += 10;
        ComputeDevelopmentExtent(Dev(), false);
        ClassifyPartLines(Dev(), Model(), doc.display);
    }
};

} // namespace tsm::test
