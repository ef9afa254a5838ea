// The colours and textures of an OBJ file's materials: its material libraries are read from the OBJ's
// folder, and each model material of a name they define takes its Kd colour and its map_Kd image (the
// first library to define a name wins). With both, the image is shown as it is, not tinted by Kd.
#pragma once

#include "model/ImportedTexture.h"
#include "model/Mesh.h"

#include <memory>

#include <string>
#include <vector>

namespace tsm {

// What the libraries give the materials of the names asked for, in their order, and the warnings to
// tell. Reads files and decodes images only, so it may run beside the building of the model.
struct ObjMaterials {
    struct Found {
        bool hasColour = false;
        float colour[3] = {0, 0, 0};
        std::unique_ptr<TextureImage> image;
        TextureMapping mapping;
        std::string imageName;
    };
    std::vector<Found> materials;
    std::vector<std::string> warnings;
};

// `libraries` as the mtllib statements wrote them; `directory` is the OBJ file's folder; `names` the
// file's materials. A missing or unreadable library or texture adds one warning naming the file (once
// per file) and leaves its materials as they are; the import goes on. A texture not where its library
// says is looked for by its file name, in any case, in the OBJ's folder and its subfolders (with a
// warning naming the file used). A material no library defines comes in grey, with a warning.
ObjMaterials ReadObjMaterials(const std::vector<std::string>& libraries, const std::string& directory,
                              const std::vector<std::string>& names);

// Gives the model's materials from `firstMaterial` on (those named, in order) what was read, and adds its
// warnings.
void ApplyObjMaterials(ObjMaterials& read, Mesh& model, int firstMaterial,
                       std::vector<std::string>& warnings);

} // namespace tsm
