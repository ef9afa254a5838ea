// Reading the common mesh formats into a model: OBJ, OFF (and COFF), STL (ASCII and binary) and PLY
// (ASCII and binary, either byte order). The file gives only vertices and polygons; the engine's import
// pipeline (engine/MeshImportPipeline.h) turns the result into a document ready for unfolding.
#pragma once

#include "model/Document.h"
#include "model/MeshBuilder.h"
#include "model/ModelCompletion.h"

#include <string>
#include <string_view>

namespace tsm {

enum class MeshFormat { Unknown, Obj, Off, Stl, Ply };

struct MeshReadResult {
    bool ok = false;
    // On failure: names the file and the line (text) or record (binary) and what is wrong there.
    std::string message;
    MeshFormat format = MeshFormat::Unknown;
    int faces = 0;        // polygons handed to the model
    int skippedFaces = 0; // polygons with fewer than three distinct corners or a pinched corner
};

// ".obj", ".off", ".stl", ".ply" in any case; Unknown for anything else.
MeshFormat MeshFormatFromExtension(const std::string& path);
// The format the bytes announce (PLY and OFF headers, STL's ASCII keywords or binary size); Unknown when
// they announce none, as OBJ never does.
MeshFormat MeshFormatFromContent(std::string_view bytes);

// Reads the file into `document`'s model (which gains solids and materials only on success). The content
// decides where it clearly names a format other than the extension's; otherwise the extension does.
MeshReadResult ReadMeshFile(const std::string& path, Document& document,
                            IModelCompletion* completion = nullptr);
// The same for bytes already in memory; `fileName` only names them in messages.
MeshReadResult ReadMeshBytes(std::string_view bytes, const std::string& fileName, MeshFormat format,
                             Document& document, IModelCompletion* completion = nullptr);

} // namespace tsm
