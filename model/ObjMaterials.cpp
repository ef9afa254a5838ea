#include "model/ObjMaterials.h"

#include "model/ImageDecoder.h"
#include "model/MtlReader.h"
#include "model/NearbyFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace tsm {

namespace fs = std::filesystem;

namespace {

// Libraries larger than this are not material libraries.
constexpr std::streamoff kMaxLibraryBytes = std::streamoff(64) << 20;

bool ReadSmallFile(const fs::path& path, std::string& bytes) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (!file || size < 0 || size > kMaxLibraryBytes) return false;
    file.seekg(0, std::ios::beg);
    bytes.resize(size_t(size));
    return size == 0 || static_cast<bool>(file.read(bytes.data(), size));
}

// Files written on Windows name their folders with backslashes.
fs::path Resolve(const fs::path& folder, std::string written) {
    std::replace(written.begin(), written.end(), '\\', '/');
    const fs::path path(written);
    return path.is_absolute() ? path : folder / path;
}

// The library names of one mtllib statement: the whole text when a file of that name exists (a name
// with spaces), otherwise its words.
std::vector<std::string> LibraryNames(const std::string& written, const fs::path& folder) {
    std::error_code error;
    if (fs::is_regular_file(Resolve(folder, written), error)) return {written};
    std::vector<std::string> names;
    size_t start = 0;
    while (start < written.size()) {
        const size_t end = std::min(written.find_first_of(" \t", start), written.size());
        if (end > start) names.push_back(written.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

} // namespace

ObjMaterials ReadObjMaterials(const std::vector<std::string>& libraries, const std::string& directory,
                              const std::vector<std::string>& names) {
    ObjMaterials result;
    std::vector<std::string>& warnings = result.warnings;
    const fs::path folder(directory.empty() ? "." : directory);
    NearbyFiles nearby(folder);
    std::map<std::string, std::pair<MtlMaterial, fs::path>> defined; // the first definition wins
    std::set<std::string> seenLibraries;
    bool everyLibraryRead = true;
    for (const std::string& written : libraries) {
        for (const std::string& name : LibraryNames(written, folder)) {
            if (!seenLibraries.insert(name).second) continue;
            fs::path path = Resolve(folder, name);
            std::string bytes;
            bool read = ReadSmallFile(path, bytes);
            if (const fs::path near = read ? fs::path() : nearby.Find(name);
                !near.empty() && ReadSmallFile(near, bytes)) {
                read = true;
                path = near;
                warnings.push_back(name + ": the material library is not there; " + path.string() +
                                   " is used in its place");
            }
            if (!read) {
                everyLibraryRead = false;
                warnings.push_back(name +
                                   ": the material library cannot be read; its materials have no colour "
                                   "or texture");
                continue;
            }
            for (MtlMaterial& material : ReadMtl(bytes)) {
                std::string key = material.name;
                defined.emplace(std::move(key), std::make_pair(std::move(material), path.parent_path()));
            }
        }
    }

    // Each image is decoded once, however many materials use it; a failure is told once. The last material
    // to use an image takes it, the others a copy: a scan's texture is many megabytes to copy for nothing.
    const auto writtenPathOf = [&defined](const std::string& material, fs::path& path) {
        const auto found = defined.find(material);
        if (found == defined.end() || found->second.first.texture.empty()) return false;
        path = Resolve(found->second.second, found->second.first.texture);
        return true;
    };
    std::map<std::string, int> uses;
    fs::path written;
    for (const std::string& name : names)
        if (writtenPathOf(name, written)) ++uses[written.string()];
    std::map<std::string, std::pair<std::unique_ptr<TextureImage>, std::string>> decoded;
    result.materials.resize(names.size());
    for (size_t m = 0; m < names.size(); ++m) {
        ObjMaterials::Found& material = result.materials[m];
        const auto found = defined.find(names[m]);
        if (found == defined.end()) {
            // Named by the model but by no library: grey, as a colour no one chose. When a library could not
            // be read the material may be in it, and its warning says so already.
            if (!everyLibraryRead) continue;
            material.hasColour = true;
            std::fill(material.colour, material.colour + 3, 0.6f);
            warnings.push_back("\"" + names[m] +
                               "\": no material library defines this material; it comes in grey");
            continue;
        }
        const MtlMaterial& source = found->second.first;
        // With a texture, Kd stays the colour shown without textures; the texture is not tinted by it.
        material.hasColour = source.hasColour;
        std::copy(source.colour, source.colour + 3, material.colour);
        if (!writtenPathOf(names[m], written)) continue;
        auto [slot, isNew] = decoded.try_emplace(written.string());
        auto& [image, used] = slot->second;
        if (isNew) {
            std::error_code error;
            used = written.string();
            if (!fs::is_regular_file(written, error)) {
                const fs::path near = nearby.Find(source.texture);
                if (near.empty()) {
                    warnings.push_back(used +
                                       ": the texture image is missing; the model comes in without it");
                    continue;
                }
                used = near.string();
                warnings.push_back(written.string() + ": the texture image is not there; " + used +
                                   " is used in its place");
            }
            const Outcome outcome = DecodeImageFile(used, image);
            if (!outcome.ok()) {
                warnings.push_back(outcome.reason() + "; the model comes in without this texture");
                continue;
            }
        }
        if (!image) continue;
        material.image = --uses[slot->first] > 0 ? std::make_unique<TextureImage>(*image) : std::move(image);
        material.mapping = source.mapping;
        material.imageName = used;
    }
    return result;
}

void ApplyObjMaterials(ObjMaterials& read, Mesh& model, int firstMaterial,
                       std::vector<std::string>& warnings) {
    const size_t first = size_t(std::max(firstMaterial, 0));
    for (size_t k = 0; k < read.materials.size() && first + k < model.materials.size(); ++k) {
        ObjMaterials::Found& found = read.materials[k];
        if (found.hasColour) SetMaterialColour(*model.materials[first + k], found.colour);
        if (found.image)
            AttachImportedTexture(model, int(first + k), std::move(found.image), found.mapping,
                                  found.imageName);
    }
    warnings.insert(warnings.end(), read.warnings.begin(), read.warnings.end());
}

} // namespace tsm
