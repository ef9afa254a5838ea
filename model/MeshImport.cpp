#include "model/MeshImport.h"
#include "model/TextCase.h"

#include "model/ChildConversion.h"
#include "model/GltfReader.h"
#include "model/MeshText.h"
#include "model/ObjMaterials.h"
#include "model/ObjReader.h"
#include "model/OffReader.h"
#include "model/PlyReader.h"
#include "model/SecondThread.h"
#include "model/StlReader.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
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
    return AsciiLower(name.substr(dot));
}

bool StartsWithWord(std::string_view text, std::string_view word) {
    if (text.substr(0, word.size()) != word) return false;
    return text.size() == word.size() || std::isspace(static_cast<unsigned char>(text[word.size()]));
}

// A temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-convert-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The other formats go through the converter's OBJ, whose textures are named absolutely and so are read
// before the temporary folder goes.
Result<MeshReadCounts> ReadConvertedFile(const std::string& path, const std::string& fileName,
                                         Document& document, IModelCompletion* completion) {
    TemporaryFolder folder;
    const std::string obj = folder.Path() + "/converted.obj";
    const Outcome converted =
        folder.Path().empty() ? Outcome::Failed("no temporary folder") : ConvertInChild(path, obj);
    if (!converted.ok()) return Outcome::Failed(fileName + ": " + converted.reason());
    Result<MeshReadCounts> read = ReadMeshFile(obj, document, completion);
    const std::string objName = "converted.obj";
    if (read.failed() && read.reason().compare(0, objName.size(), objName) == 0)
        return Outcome::Failed(fileName + read.reason().substr(objName.size()));
    return read;
}

} // namespace

MeshFormat MeshFormatFromExtension(const std::string& path) {
    const std::string extension = LowerExtension(path);
    if (extension == ".obj") return MeshFormat::Obj;
    if (extension == ".gltf" || extension == ".glb") return MeshFormat::Gltf;
    if (extension == ".off") return MeshFormat::Off;
    if (extension == ".stl") return MeshFormat::Stl;
    if (extension == ".ply") return MeshFormat::Ply;
    return MeshFormat::Unknown;
}

bool IsMeshFile(const std::string& path) {
    return MeshFormatFromExtension(path) != MeshFormat::Unknown || IsConvertedFormat(path);
}

MeshFormat MeshFormatFromContent(std::string_view bytes) {
    if (StartsWithWord(bytes, "ply")) return MeshFormat::Ply;
    if (bytes.substr(0, 4) == "glTF") return MeshFormat::Gltf;

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

Result<MeshReadCounts> ReadMeshBytes(std::string_view bytes, const std::string& fileName, MeshFormat format,
                                     Document& document, IModelCompletion* completion,
                                     const std::string& directory) {
    MeshReadCounts counts;
    counts.format = format;
    MeshBuilder builder;
    std::vector<ImportedMaterial> gltfMaterials;
    GltfImages gltfImages;
    Outcome read = Outcome::Ok();
    switch (format) {
    case MeshFormat::Obj:
        read = ReadObj(bytes, fileName, builder);
        break;
    case MeshFormat::Off:
        read = ReadOff(bytes, fileName, builder);
        break;
    case MeshFormat::Stl:
        read = ReadStl(bytes, fileName, builder);
        break;
    case MeshFormat::Ply:
        read = ReadPly(bytes, fileName, builder);
        break;
    case MeshFormat::Gltf:
        read = ReadGltf(bytes, fileName, directory, builder, gltfMaterials, gltfImages, counts.warnings);
        break;
    case MeshFormat::Unknown:
        read = Outcome::Failed(fileName + ": the file is not an OBJ, glTF, OFF, STL or PLY mesh");
        break;
    }
    if (!read.ok()) return read;
    counts.skippedFaces = builder.SkippedFaces();
    counts.faces = builder.FaceCount();
    if (counts.faces == 0)
        return Outcome::Failed(fileName + ": the file holds no face with three or more distinct corners");
    const int firstMaterial = static_cast<int>(document.model->materials.size());
    // An OBJ's material libraries are read and their images decoded on a second thread while the model
    // is built: a scan's texture takes about as long to decode as its mesh to build.
    std::future<ObjMaterials> objMaterials;
    if (format == MeshFormat::Obj && !directory.empty() && !builder.MaterialLibraries().empty()) {
        objMaterials = StartOnSecondThread([&builder, &directory] {
            return ReadObjMaterials(builder.MaterialLibraries(), directory, builder.MaterialNames());
        });
    }
    builder.Finish(document, completion);
    if (objMaterials.valid()) {
        ObjMaterials read = objMaterials.get();
        ApplyObjMaterials(read, *document.model, firstMaterial, counts.warnings);
    }
    if (format == MeshFormat::Gltf)
        AttachImportedMaterials(*document.model, firstMaterial, gltfMaterials, gltfImages, counts.warnings);
    return counts;
}

Result<MeshReadCounts> ReadMeshFile(const std::string& path, Document& document,
                                    IModelCompletion* completion) {
    const std::string fileName = FileNameOf(path);
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error)) file.open(path, std::ios::binary);
    if (!file.is_open()) return Outcome::Failed(fileName + ": the file cannot be opened");
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (size < 0 || static_cast<uint64_t>(size) > kMaxMeshFileBytes)
        return Outcome::Failed(fileName + ": the file is too large to read");
    if (IsConvertedFormat(path)) return ReadConvertedFile(path, fileName, document, completion);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0 && !file.read(bytes.data(), size))
        return Outcome::Failed(fileName + ": the file cannot be read");

    MeshFormat format = MeshFormatFromExtension(path);
    const MeshFormat announced = MeshFormatFromContent(bytes);
    if (announced != MeshFormat::Unknown) format = announced;
    std::string directory = std::filesystem::path(path).parent_path().string();
    if (directory.empty()) directory = ".";
    return ReadMeshBytes(bytes, fileName, format, document, completion, directory);
}

} // namespace tsm
