// The development view's mouse modes, shared by both views (the 3D view picks only in CheckFace).
#pragma once

#include <cstdint>

namespace tsm {

enum class EditMode : int32_t {
    None = 0,
    SelectMove = 1,
    EditFlaps = 2,
    RotatePart = 3,
    JoinFace = 4,
    InputText = 5,
    CheckFace = 6, // Check Corresponding Face
    ColorEdge = 7,
};

} // namespace tsm
