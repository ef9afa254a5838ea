// Golden output files under tests/data/golden. Set TESSALY_UPDATE_GOLDEN=1 to rewrite them from the
// current output (then inspect the difference before keeping it).
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace tsm::test {

inline std::string GoldenFilePath(const std::string& name) {
    return std::string(TESSALY_SOURCE_DIR) + "/tests/data/golden/" + name;
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool UpdatingGoldenFiles() {
    const char* value = std::getenv("TESSALY_UPDATE_GOLDEN");
    return value != nullptr && std::string(value) == "1";
}

// The golden contents; rewrites the file first when updating.
inline std::string GoldenContents(const std::string& name, const std::string& current) {
    if (UpdatingGoldenFiles()) {
        std::ofstream out(GoldenFilePath(name), std::ios::binary | std::ios::trunc);
        out << current;
    }
    return ReadWholeFile(GoldenFilePath(name));
}

} // namespace tsm::test
