// The meshes of the test data, so that a mesh added there is tried by every test that walks them.
#pragma once

#include "model/MeshImport.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tsm::test {

// Every mesh file of tests/data/meshes the importer knows by its extension, sorted by path.
inline std::vector<std::string> TestMeshFiles() {
    std::vector<std::string> files;
    const std::filesystem::path folder = std::filesystem::path(TESSALY_SOURCE_DIR) / "tests/data/meshes";
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (MeshFormatFromExtension(entry.path().string()) != MeshFormat::Unknown)
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace tsm::test
