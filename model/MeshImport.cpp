#include "model/MeshImport.h"

#include "model/ObjReader.h"
#include "model/OffReader.h"
#include "model/PlyReader.h"
#include "model/StlReader.h"

#include "model/MeshText.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tsm {

namespace {

// Larger files are refused rather than read whole into memory.
constexpr uint64_t kMaxMeshFileBytes = uint64_t(1) << 31;

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::string& path) {
    const std::string name = FileNameOf(path);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return {};
    std::string extension = name.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool StartsWithWord(std::string_view text, std::string_view word) {
    if (text.substr(0, word.size()) != word) return false;
    return text.size() == word.size() || std::isspace(static_cast<unsigned char>(text[word.size()]));
}

} // namespace

MeshFormat MeshFormatFromExtension(const std::string& path) {
    const std::string extension = LowerExtension(path);
    if (extension == ".obj") return MeshFormat::Obj;
    if (extension == ".off") return MeshFormat::Off;
    if (extension == ".stl") return MeshFormat::Stl;
    if (extension == ".ply") return MeshFormat::Ply;
    return MeshFormat::Unknown;
}

MeshFormat MeshFormatFromContent(std::string_view bytes) {
    if (StartsWithWord(bytes, "ply")) return MeshFormat::Ply;

    // A binary STL file is exactly its header, its count and 50 bytes per triangle.
    if (bytes.size() >= 84) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + 80;
        const uint64_t count =
            uint64_t(p[0]) | uint64_t(p[1]) << 8 | uint64_t(p[2]) << 16 | uint64_t(p[3]) << 24;
        if (bytes.size() == 84 + count * 50) return MeshFormat::Stl;
    }

    // The first line that is neither blank nor a comment.
    meshtext::LineCursor cursor(bytes.substr(0, 4096));
    std::string_view line;
    std::vector<std::string_view> tokens;
    while (cursor.Next(line)) {
        meshtext::Tokenise(line, tokens);
        if (tokens.empty()) continue;
        const std::string_view first = tokens[0];
        if (first.size() >= 3 && first.substr(first.size() - 3) == "OFF" &&
            first.find_first_not_of("STCN4n") == first.size() - 3)
            return MeshFormat::Off;
        if (first == "solid" && bytes.substr(0, 1024).find("facet") != std::string_view::npos)
            return MeshFormat::Stl;
        // OBJ has no header, but its statements are recognisable.
        for (const char* keyword : {"v", "vt", "vn", "f", "o", "g", "mtllib", "usemtl", "s"})
            if (first == keyword) return MeshFormat::Obj;
        break;
    }
    return MeshFormat::Unknown;
}

MeshReadResult ReadMeshBytes(std::string_view bytes, const std::string& fileName, MeshFormat format,
                             Document& document, IModelCompletion* completion) {
    MeshReadResult result;
    result.format = format;
    MeshBuilder builder;
    switch (format) {
    case MeshFormat::Obj:
        result.message = ReadObj(bytes, fileName, builder);
        break;
    case MeshFormat::Off:
        result.message = ReadOff(bytes, fileName, builder);
        break;
    case MeshFormat::Stl:
        result.message = ReadStl(bytes, fileName, builder);
        break;
    case MeshFormat::Ply:
        result.message = ReadPly(bytes, fileName, builder);
        break;
    case MeshFormat::Unknown:
        result.message = fileName + ": the file is not an OBJ, OFF, STL or PLY mesh";
        break;
    }
    if (!result.message.empty()) return result;
    result.skippedFaces = builder.SkippedFaces();
    result.faces = builder.FaceCount();
    if (result.faces == 0) {
        result.message = fileName + ": the file holds no face with three or more distinct corners";
        return result;
    }
    builder.Finish(document, completion);
    result.ok = true;
    return result;
}

MeshReadResult ReadMeshFile(const std::string& path, Document& document, IModelCompletion* completion) {
    const std::string fileName = FileNameOf(path);
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error)) file.open(path, std::ios::binary);
    MeshReadResult failed;
    if (!file.is_open()) {
        failed.message = fileName + ": the file cannot be opened";
        return failed;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (size < 0 || static_cast<uint64_t>(size) > kMaxMeshFileBytes) {
        failed.message = fileName + ": the file is too large to read";
        return failed;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0 && !file.read(bytes.data(), size)) {
        failed.message = fileName + ": the file cannot be read";
        return failed;
    }

    MeshFormat format = MeshFormatFromExtension(path);
    const MeshFormat announced = MeshFormatFromContent(bytes);
    if (announced != MeshFormat::Unknown) format = announced;
    return ReadMeshBytes(bytes, fileName, format, document, completion);
}

} // namespace tsm
