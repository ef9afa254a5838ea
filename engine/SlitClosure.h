// Slits that close with the paper's give. Where every face around a vertex lies in one part, joined around
// it but for one cut edge, that edge is a slit whose sides part at the vertex's angle defect. Next to a
// vertex of a smooth surface the defect is a degree or two: no flap fits between the sides, yet they lie
// so close that the paper, folded, closes them by itself. Such a slit is folded instead of cut, where
// the two sides lie apart by no more than a small share of the flap height at the edge's far end and that
// end stays on a cut.
#pragma once

#include "model/Mesh.h"

#include <functional>

namespace tsm {

// The widest defect a closed slit may open at its vertex (two degrees): beyond it the faces around the
// vertex visibly strain.
constexpr double kMostClosingRadians = 0.035;
// How far apart, as a share of the flap height, a closed slit's sides may lie at its far end (a quarter
// of a millimetre beside flaps of 5 mm: about the thickness of card).
constexpr double kClosingShare = 0.05;

// Whether a slit `length` long at a vertex of angle defect `defect` (radians) closes, beside flaps
// `flapHeight` high. A defect of zero or below (a flat or saddle vertex) never does: there the sides meet
// or overlap, which the unfolding handles as it always has.
bool SlitCloses(double length, double defect, double flapHeight);

// Folds every slit of `part` that closes (SlitCloses on the corners' own positions, the sides no further
// apart at either end than the closing share), where the slit's far end stays on a cut edge of its own, or
// on two where that end is itself a shallow vertex. The positions stay as they are. Returns how many.
// `foldable`, where given, tells which edges may be folded so.
int CloseSlits(Part& part, double flapHeight, const std::function<bool(const Edge&)>& foldable = nullptr);

} // namespace tsm
