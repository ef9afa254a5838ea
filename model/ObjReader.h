// One of the mesh readers behind ReadMeshBytes (model/MeshImport.h): Wavefront OBJ.
#pragma once

#include "model/MeshBuilder.h"
#include "model/Outcome.h"

#include <string>
#include <string_view>

namespace tsm {

// Fills `builder`, or fails with the message naming the file and the place.
Outcome ReadObj(std::string_view bytes, const std::string& fileName, MeshBuilder& builder);

} // namespace tsm
