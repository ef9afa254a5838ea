// Turning the faces of an imported polygon soup so that neighbours agree. Files written by hand or by
// careless tools list some faces clockwise and others counter-clockwise; their shared edges then run the
// same way in both faces, the edge building finds no partner for them, and a closed surface falls apart
// into many parts when unfolded.
#pragma once

#include "model/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tsm {

// A face as the mesh builder keeps it: `count` vertex numbers from `first` on in the corner list, in ring
// order. Faces of different solids never meet.
struct FaceRing {
    int solid = 0;
    size_t first = 0;
    size_t count = 0;
};

// One flag per face: 1 where the face's ring is to be reversed. Within each connected component (faces
// meeting across edges that exactly two faces share) the faces are turned breadth-first to agree with
// the first one reached; a component that cannot agree everywhere (a Moebius band) keeps the agreement
// it reaches. A component that then has more faces turned than left is turned back as a whole, so that
// the file's own orientation wins; a closed one is turned so that it encloses a positive volume.
// The rings lie back to back in `cornerVertices`, in order and each of three corners or more, as the mesh
// builder keeps them (otherwise no face is turned); `solid` lies in [0, solidCount). A corner whose edge
// reaches a vertex number outside `positions` carries nothing across.
std::vector<uint8_t> FacesToReverse(const std::vector<FaceRing>& faces,
                                    const std::vector<int>& cornerVertices,
                                    const std::vector<Vec3>& positions, int solidCount);

} // namespace tsm
