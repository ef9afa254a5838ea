// Reading the common mesh formats into a model: OBJ (with its material libraries), glTF 2.0 (.gltf and
// .glb), OFF (and COFF), STL (ASCII and binary) and PLY (ASCII and binary, either byte order). The file
// gives vertices, polygons and materials; the engine's import pipeline (engine/MeshImportPipeline.h)
// turns the result into a document ready for unfolding.
#pragma once

#include "model/Document.h"
#include "model/MeshBuilder.h"
#include "model/ModelCompletion.h"
#include "model/Result.h"

#include <string>
#include <string_view>
#include <vector>

namespace tsm {

enum class MeshFormat { Unknown, Obj, Off, Stl, Ply, Gltf };

// What a mesh read handed to the model. A failed read's reason names the file and the line (text) or
// record (binary) and what is wrong there.
struct MeshReadCounts {
    MeshFormat format = MeshFormat::Unknown;
    int faces = 0;        // polygons handed to the model
    int skippedFaces = 0; // polygons with fewer than three distinct corners or a pinched corner
    // What the import leaves out without failing (a missing texture, an unreadable library), one line
    // each, naming the file.
    std::vector<std::string> warnings;
};

// ".obj", ".gltf", ".glb", ".off", ".stl", ".ply" in any case; Unknown for anything else.
MeshFormat MeshFormatFromExtension(const std::string& path);
// Whether the import reads the file, by one of the readers here or through the converter
// (model/ChildConversion.h), judged by its extension in any case.
bool IsMeshFile(const std::string& path);
// The format the bytes announce (PLY and OFF headers, STL's ASCII keywords or binary size); Unknown when
// they announce none, as OBJ never does.
MeshFormat MeshFormatFromContent(std::string_view bytes);

// Reads the file into `document`'s model (which gains solids and materials only on success). The content
// decides where it clearly names a format other than the extension's; otherwise the extension does.
Result<MeshReadCounts> ReadMeshFile(const std::string& path, Document& document,
                                    IModelCompletion* completion = nullptr);
// The same for bytes already in memory; `fileName` only names them in messages. Files the model names
// (material libraries, textures, glTF buffers) are looked for in `directory`; with none, they are not
// looked for.
Result<MeshReadCounts> ReadMeshBytes(std::string_view bytes, const std::string& fileName, MeshFormat format,
                                     Document& document, IModelCompletion* completion = nullptr,
                                     const std::string& directory = {});

} // namespace tsm
