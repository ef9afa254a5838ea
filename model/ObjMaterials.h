// The colours and textures of an OBJ file's materials: its material libraries are read from the OBJ's
// folder, and each model material of a name they define takes its Kd colour and its map_Kd image.
#pragma once

#include "model/Mesh.h"

#include <string>
#include <vector>

namespace tsm {

// `libraries` as the mtllib statements wrote them; `directory` is the OBJ file's folder. Materials from
// `firstMaterial` on are the file's. A missing or unreadable library or texture adds one warning naming
// the file (once per file) and leaves its materials as they are; the import goes on.
void LoadObjMaterials(const std::vector<std::string>& libraries, const std::string& directory, Mesh& model,
                      int firstMaterial, std::vector<std::string>& warnings);

} // namespace tsm
