// The dense scan the simplification is measured on, the same for its tests and its benchmark: the shared
// bunny of tests/data/meshes, every triangle split into four twice (58,784 triangles on the coarse
// surface, so that distances can be taken to the coarse one).
#pragma once

#include "model/Mesh.h"
#include "tools/lib/Primitives.h"

#include <string>

namespace tsm {

// The solid's vertices and faces as index lists.
MeshData MeshDataOf(const Solid& solid);

// The first solid of `sourceDir`/tests/data/meshes/`name` as imported; empty when it cannot be read.
MeshData SharedMesh(const std::string& sourceDir, const std::string& name);

// SharedMesh's bunny.obj.
MeshData SharedBunny(const std::string& sourceDir);

// SharedBunny split twice.
MeshData DenseBunny(const std::string& sourceDir);

} // namespace tsm
