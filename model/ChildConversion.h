// Meshes in the formats our own readers do not read (3DS, COLLADA, FBX, 3MF, ...) are converted to OBJ by
// the helper program tessaly-convert (Assimp) in a child process, then read as OBJ. A crash, a hang or
// a memory blow-up inside the library ends the child, never the viewer.
#pragma once

#include "model/Outcome.h"

#include <string>

namespace tsm {

// ".3ds", ".dae", ".fbx", ".3mf" and the other extensions handed to the helper, in any case.
bool IsConvertedFormat(const std::string& path);

// The helper beside the running program (or in its parent folder, for the test programs of a build
// tree); TESSALY_CONVERTER names another. Empty when there is none.
std::string ConverterPath();

// Runs the helper on `input`, writing `outputObj`; fails with the helper's own line, or with what ended
// it (a signal, `timeoutSeconds` passing).
Outcome ConvertInChild(const std::string& input, const std::string& outputObj, int timeoutSeconds = 120);

} // namespace tsm
