// Turning a mesh file (OBJ, glTF, OFF, STL, PLY) into a document ready for unfolding: read, normalise, offer
// to join coincident open edges, bounds, mirror-symmetric edges. The document has no development.
#pragma once

#include "engine/Topology.h"
#include "model/MeshImport.h"
#include "model/OpenPipeline.h"
#include "model/Prompt.h"

#include <memory>
#include <string>

namespace tsm {

extern const char* const kJoinIsolatedEdgesQuestion; // "Join Adjacent Isolated Edges?"

struct MeshImportOutcome {
    std::unique_ptr<Document> document; // null when the import failed
    std::string failure;                // the message shown when it failed
    MeshReadResult read;
    NormaliseCounts removed;
    int mergedEdges = -1; // -1 when the question was answered No
};

// Runs the whole import; every message and the question go through `prompt`. On failure one message
// names the file and, where the file is at fault, the line or record. The new document starts with the
// display block of `settings` and is drawn in its first colour until it has materials.
MeshImportOutcome ImportMeshDocument(const std::string& path, const Settings& settings, IPrompt& prompt);

// What the main window's "Import Mesh..." command runs: imports the file and, on success, makes it the
// current document of `doc` as a new unsaved document titled with the file's base name. On failure the
// current document stays.
bool ImportMeshFile(DocumentController& doc, const std::string& path, IPrompt& prompt);

} // namespace tsm
