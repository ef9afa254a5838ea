// Documents built in code for the engine tests: small meshes, vertices plus face index lists that become a
// solid whose rings, planes, edges, fold geometry and vertex incidence are complete, and a model file's worth
// of everything for the writers' round trips.
#pragma once

#include "model/Document.h"

#include <memory>
#include <vector>

namespace tsm::test {

using FaceList = std::vector<std::vector<int>>;

// Appends a solid with the given vertices and faces (indices into `positions`, corners counter-clockwise
// seen from the side the face should face) without completing any links.
Solid* AddRawSolid(Mesh& model, const std::vector<Vec3>& positions, const FaceList& faces);
// Links every face ring, computes the planes, builds the edges, their geometry and the vertex incidence.
void CompleteSolid(Solid& solid);
// AddRawSolid followed by CompleteSolid.
Solid* AddSolid(Mesh& model, const std::vector<Vec3>& positions, const FaceList& faces);

// An axis-aligned box with outward-facing quads. Vertex i has x = hi.x when bit 0 is set, y = hi.y for
// bit 1 and z = hi.z for bit 2, the low value otherwise.
std::vector<Vec3> BoxPositions(const Vec3& lo, const Vec3& hi);
FaceList BoxFaces();
Solid* AddBox(Mesh& model, const Vec3& lo = {0, 0, 0}, const Vec3& hi = {1, 1, 1});

// The edge between the solid's vertices a and b (positions in its vertex list), in either direction.
Edge* FindEdge(const Solid& solid, int a, int b);
// Position of `v` in the solid's vertex list, -1 when it is not there.
int VertexNumber(const Solid& solid, const Vertex* v);

// Several solids (a cube, a roof prism, an open two-cell sheet, and a tetrahedron left out of the
// development), a textured and a plain material, three parts with joined and cut edges, open edges with
// line kinds, flaps, hidden lines, edge classes and flags, distinct side and flap colours, two texts of
// several lines, and pictures in both lists with negative extents. Its links satisfy the invariants of an
// opened document; textured materials have their bitmap.
std::unique_ptr<Document> MakeRichDocument();

} // namespace tsm::test
