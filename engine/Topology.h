// Topology and geometry of the mesh: face rings, planes, the pairing of corners into edges, fold angles,
// vertex incidence and bounds. Every tolerance is relative to the model's size.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"

namespace tsm {

// Sets next/prev; a quadrilateral or larger face whose diagonal 1-3 is shorter than 0-2 has its corner
// list rotated left by one so that a fan from corner 0 uses the shorter diagonal.
void LinkFaceRing(Face& face);
// Plane of the largest fan triangle; a face of zero area keeps its previous plane.
void ComputeFacePlane(Face& face);
// Sum of the Heron areas of the fan triangles.
double FaceArea(const Face& face);
// The angle of `corner`'s face at its vertex, in radians; `previous` is the corner before it in the ring.
double CornerAngle(const HalfEdge& corner, const HalfEdge& previous);
// Creates every Edge of a solid whose faces are linked, pairing opposite corners. Non-manifold surplus
// corners become open edges after a warning line on stderr.
void BuildEdges(Solid& solid);
// Sets length, foldAngle (degrees, 180 flat, 0 open) and foldSense (true mountain).
void UpdateEdgeGeometry(Edge& edge);
void RebuildVertexIncidence(Solid& solid);
// Box over the solids that are both in the development and shown; sets size, center, dominantAxis.
void ComputeBounds(Mesh& model);

} // namespace tsm
