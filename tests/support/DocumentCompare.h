// Field-by-field comparison of two documents, for round trips through the model files.
#pragma once

#include "model/Document.h"
#include "model/Settings.h"

#include <string>

namespace tsm::test {

// Expects the same stored data and the same links in both documents: every value a binary model file
// carries (model header, solids with vertices, faces, corners and edges, materials with textures and
// bitmaps, development with parts, lines, texts and pictures) and every link a reader makes (corner to
// vertex, edge, twin, joined and line; edge to its sides and ends; face to part; part to solid and faces;
// line to its sides and edge; picture to its material). Links are compared by position (solid, face,
// corner, ...), so the documents may live anywhere. Values the engine derives (rings, fold angles, edge
// IDs, draw kinds, incidence, symmetric edges) are not compared. Doubles must be identical.
void ExpectSameDocument(const Document& a, const Document& b);

// Every byte that describes the document's state: the model file it would write and the undo copy of its
// development (which adds the derived flap shapes, drawn kinds and corner links). Two states compare equal
// field by field exactly when these are equal.
std::string DocumentStateBytes(const Document& document);

// Expects the same values of the display settings a model file carries.
void ExpectSameDisplaySettings(const DisplaySettings& a, const DisplaySettings& b);

} // namespace tsm::test
