// One of the mesh readers behind ReadMeshBytes (model/MeshImport.h): OFF and its variants.
#pragma once

#include "model/MeshBuilder.h"

#include <string>
#include <string_view>

namespace tsm {

// Fills `builder` and returns an empty string, or the failure message naming the file and the place.
std::string ReadOff(std::string_view bytes, const std::string& fileName, MeshBuilder& builder);

} // namespace tsm
