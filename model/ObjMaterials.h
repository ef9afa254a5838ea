// The colours and textures of an OBJ file's materials: its material libraries are read from the OBJ's
// folder, and each model material of a name they define takes its Kd colour and its map_Kd image (the
// first library to define a name wins). With both, the image is shown as it is, not tinted by Kd.
#pragma once

#include "model/Mesh.h"

#include <string>
#include <vector>

namespace tsm {

// `libraries` as the mtllib statements wrote them; `directory` is the OBJ file's folder. Materials from
// `firstMaterial` on are the file's. A missing or unreadable library or texture adds one warning naming
// the file (once per file) and leaves its materials as they are; the import goes on. A texture not where
// its library says is looked for by its file name, in any case, in the OBJ's folder and its subfolders
// (with a warning naming the file used). A material no library defines comes in grey, with a warning.
void LoadObjMaterials(const std::vector<std::string>& libraries, const std::string& directory, Mesh& model,
                      int firstMaterial, std::vector<std::string>& warnings);

} // namespace tsm
