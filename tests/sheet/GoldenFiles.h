// Files the tests compare and write: golden output files under tests/data/golden, and scratch folders.
// Set TESSALY_UPDATE_GOLDEN=1 to rewrite the golden files from the current output (then inspect the
// difference before keeping it).
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    if (UpdatingGoldenFiles())
        std::ofstream(GoldenFilePath(name), std::ios::binary | std::ios::trunc) << current;
    return ReadWholeFile(GoldenFilePath(name));
}

// Whether `current` is the golden file `name` byte for byte; a differing output is kept in
// <build>/golden-actual for comparing.
inline ::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& current) {
    if (GoldenContents(name, current) == current) return ::testing::AssertionSuccess();
    const std::filesystem::path actual = std::filesystem::path(TESSALY_BINARY_DIR) / "golden-actual" / name;
    std::filesystem::create_directories(actual.parent_path());
    std::ofstream(actual, std::ios::binary) << current;
    return ::testing::AssertionFailure() << name << " differs from " << GoldenFilePath(name)
                                         << "; the actual output is " << actual.string();
}

// A fresh folder, removed with the test.
struct ScratchDir {
    QTemporaryDir dir;
    std::string Path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
};

} // namespace tsm::test
