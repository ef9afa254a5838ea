// Turning a mesh file (OBJ, glTF, OFF, STL, PLY) into a document ready for unfolding: read, normalise, offer
// to join coincident open edges, bounds, mirror-symmetric edges. The document has no development.
#pragma once

#include "engine/ModelOperations.h"
#include "engine/Topology.h"
#include "model/MeshImport.h"
#include "model/OpenPipeline.h"
#include "model/Prompt.h"

#include <memory>
#include <string>

namespace tsm {

extern const char* const kJoinIsolatedEdgesQuestion; // "Join Adjacent Isolated Edges?"

struct ImportedMesh {
    std::unique_ptr<Document> document; // never null
    MeshReadCounts read;
    NormaliseCounts removed;
    int mergedEdges = -1; // -1 when the question was answered No
};

// Runs the whole import; every message and the question go through `prompt`. A failure is cancelled, its
// one message already shown: it names the file and, where the file is at fault, the line or record. The
// new document starts with the display block of `settings` and is drawn in its first colour until it has
// materials.
Result<ImportedMesh> ImportMeshDocument(const std::string& path, const Settings& settings, IPrompt& prompt);

// What the main window's "Import Mesh..." command runs: imports the file and, when that is ok, makes it
// the current document of `doc` as a new unsaved document titled with the file's base name. Otherwise the
// current document stays.
Outcome ImportMeshFile(DocumentController& doc, const std::string& path, IPrompt& prompt);

} // namespace tsm
