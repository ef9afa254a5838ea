#include "model/GltfReader.h"

#include "model/GltfAccessors.h"
#include "model/ImageDecoder.h"
#include "model/NearbyFiles.h"
#include "model/SecondThread.h"
#include "model/WeldTable.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <set>

namespace tsm {

namespace {

// Bounds on what a file may make us do, whatever its counts say.
constexpr int kMaxNodeDepth = 64;
constexpr size_t kMaxNodeVisits = size_t(1) << 16;
constexpr size_t kMaxTriangles = size_t(1) << 24;
constexpr std::streamoff kMaxExternalBytes = std::streamoff(1) << 31;

// ---- Files: tinygltf reads external buffers and images through these, never anything else. ----

struct FileAccess {
    explicit FileAccess(const std::string& directory) : allowed(!directory.empty()), nearby(directory) {}
    bool allowed = false;
    // A file the model names wrongly (another machine's path, another case), found by its name near the
    // model: the path asked for and the file read in its place.
    NearbyFiles nearby;
    std::map<std::string, std::filesystem::path> substitutes;
    std::set<std::string> substituted; // those actually read, to be told
};

bool FileExists(const std::string& path, void* user) {
    auto& access = *static_cast<FileAccess*>(user);
    if (!access.allowed) return false;
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) return true;
    std::filesystem::path near = access.nearby.Find(path);
    if (near.empty()) return false;
    access.substitutes[path] = std::move(near);
    return true;
}

std::string ExpandFilePath(const std::string& path, void*) {
    return path;
}

bool ReadWholeFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
    auto& access = *static_cast<FileAccess*>(user);
    std::ifstream file;
    if (access.allowed) {
        const auto substitute = access.substitutes.find(path);
        if (substitute == access.substitutes.end()) {
            file.open(path, std::ios::binary);
        } else {
            file.open(substitute->second, std::ios::binary);
            access.substituted.insert(path);
        }
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (!file || size < 0 || size > kMaxExternalBytes) {
        if (err) *err += path + " cannot be read\n";
        return false;
    }
    out->resize(size_t(size));
    if (size > 0 && !file.read(reinterpret_cast<char*>(out->data()), size)) {
        if (err) *err += path + " cannot be read\n";
        return false;
    }
    return true;
}

bool RefuseWrite(std::string*, const std::string&, const std::vector<unsigned char>&, void*) {
    return false;
}

// The file an image's uri names, its %XX escapes decoded as they were when the file was read.
std::string FileNameOfUri(const std::string& uri) {
    std::string name;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && std::isxdigit(uint8_t(uri[i + 1])) &&
            std::isxdigit(uint8_t(uri[i + 2]))) {
            name += char(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            name += uri[i];
        }
    }
    return name;
}

// What the messages call an image: its file, else its own name, else its number.
std::string ImageName(const tinygltf::Image& image, int index) {
    return !image.uri.empty() && image.uri.compare(0, 5, "data:") != 0 ? FileNameOfUri(image.uri)
           : !image.name.empty()                                       ? image.name
                                                                       : "image " + std::to_string(index);
}

// An image decoded: its pixels, or why there are none (told only if a material uses it).
struct DecodedSource {
    Outcome outcome = Outcome::Ok();
    std::unique_ptr<TextureImage> image;
};
using DecodedSources = std::map<int, DecodedSource>;

// An image's bytes waiting for the decoder, copied out of tinygltf's buffers, which are gone by the time
// it runs.
struct EncodedImage {
    int index = 0;
    std::string name;
    std::string bytes;
};
using EncodedImages = std::vector<EncodedImage>;

// Each image's bytes are let go once it is decoded: a scan's textures are many megabytes.
DecodedSources DecodeAll(EncodedImages& encoded) {
    DecodedSources decoded;
    for (EncodedImage& image : encoded) {
        DecodedSource& source = decoded[image.index];
        source.outcome = DecodeImage(image.bytes, image.name, source.image);
        if (!source.outcome.ok()) source.image.reset();
        std::string().swap(image.bytes);
    }
    return decoded;
}

// Images are decoded by our own decoders. Those of an image in a buffer view are taken later
// (EncodedImagesInViews): tinygltf passes them on without checking that the view lies inside its buffer.
bool KeepImageBytes(tinygltf::Image* image, const int index, std::string*, std::string*, int, int,
                    const unsigned char* bytes, int size, void* user) {
    if (image->bufferView < 0)
        static_cast<EncodedImages*>(user)->push_back(
            {index, ImageName(*image, index),
             std::string(reinterpret_cast<const char*>(bytes), size_t(std::max(size, 0)))});
    image->as_is = true;
    return true;
}

// Every image stored in a buffer view that lies inside its buffer.
void EncodedImagesInViews(const tinygltf::Model& model, EncodedImages& encoded) {
    for (size_t i = 0; i < model.images.size(); ++i) {
        const int view = model.images[i].bufferView;
        if (view < 0 || size_t(view) >= model.bufferViews.size()) continue;
        const tinygltf::BufferView& bufferView = model.bufferViews[size_t(view)];
        if (bufferView.buffer < 0 || size_t(bufferView.buffer) >= model.buffers.size()) continue;
        const std::vector<unsigned char>& buffer = model.buffers[size_t(bufferView.buffer)].data;
        if (bufferView.byteOffset > buffer.size() ||
            bufferView.byteLength > buffer.size() - bufferView.byteOffset)
            continue;
        encoded.push_back({int(i), ImageName(model.images[i], int(i)),
                           std::string(reinterpret_cast<const char*>(buffer.data()) + bufferView.byteOffset,
                                       bufferView.byteLength)});
    }
}

} // namespace

// The images decode on a second thread while the mesh is built and completed, which takes about as long
// on a textured scan; they are waited for when the materials take them.
struct GltfImages::Decoding {
    std::future<DecodedSources> decoding;
    DecodedSources sources;
    bool waited = false;
    std::map<int, int> uses; // materials per image
    std::map<int, std::unique_ptr<TextureImage>> taken;

    void Start(EncodedImages encoded) {
        if (encoded.empty()) return;
        // Shared, so that the bytes are not copied into the task.
        decoding = StartOnSecondThread(
            [shared = std::make_shared<EncodedImages>(std::move(encoded))] { return DecodeAll(*shared); });
    }

    // Each image is decoded once, however many materials use it (an atlas often serves them all); the
    // last material to use it takes it, the others a copy to tint with their own colour. Null, with one
    // warning, for an image missing or undecodable.
    std::unique_ptr<TextureImage> Take(int source, const std::string& name, std::string& warning) {
        if (!waited) {
            if (decoding.valid()) sources = decoding.get();
            waited = true;
        }
        auto decoded = taken.find(source);
        if (decoded == taken.end()) {
            std::unique_ptr<TextureImage> image;
            const auto found = sources.find(source);
            if (found == sources.end())
                warning = name + ": the texture image is missing; the model comes in without it";
            else if (!found->second.outcome.ok())
                warning = found->second.outcome.reason() + "; the model comes in without this texture";
            else
                image = std::move(found->second.image);
            decoded = taken.emplace(source, std::move(image)).first;
        }
        if (!decoded->second) return nullptr;
        if (--uses[source] <= 0) return std::move(decoded->second);
        return std::make_unique<TextureImage>(*decoded->second);
    }
};

GltfImages::GltfImages() : decoding_(std::make_unique<Decoding>()) {}
GltfImages::~GltfImages() = default;

namespace {

using namespace gltf;

// ---- Materials ----

struct ColourSource {
    tinygltf::TextureInfo info;
    std::vector<double> factor;
};

// The texture and factor that colour a material: its base colour, or, for one of the older
// specular-glossiness kind without a base colour texture (the fallback such files carry is often a plain
// colour), its diffuse texture and factor.
ColourSource ColourOf(const tinygltf::Material& material) {
    const auto& pbr = material.pbrMetallicRoughness;
    const auto extension = material.extensions.find("KHR_materials_pbrSpecularGlossiness");
    if (pbr.baseColorTexture.index >= 0 || extension == material.extensions.end() ||
        !extension->second.IsObject())
        return {pbr.baseColorTexture, pbr.baseColorFactor};
    ColourSource source{{}, {1, 1, 1, 1}};
    const tinygltf::Value& diffuse = extension->second;
    const tinygltf::Value& factor = diffuse.Get("diffuseFactor");
    if (factor.IsArray())
        for (size_t c = 0; c < 4 && c < factor.ArrayLen(); ++c)
            if (factor.Get(int(c)).IsNumber()) source.factor[c] = factor.Get(int(c)).GetNumberAsDouble();
    const tinygltf::Value& texture = diffuse.Get("diffuseTexture");
    if (!texture.IsObject()) return source;
    // A negative or huge number stays past every list rather than wrapping into an index that exists.
    auto integer = [&](const char* key, int fallback) {
        const tinygltf::Value& value = texture.Get(key);
        if (!value.IsNumber()) return fallback;
        const double number = value.GetNumberAsDouble();
        return number >= 0 && number < 1e9 ? int(number) : 1000000000;
    };
    source.info.index = integer("index", -1);
    source.info.texCoord = integer("texCoord", 0);
    const tinygltf::Value& extensions = texture.Get("extensions");
    if (extensions.IsObject())
        for (const std::string& key : extensions.Keys()) source.info.extensions[key] = extensions.Get(key);
    return source;
}

// ---- The reader ----

const char* const kRefusedExtensions[][2] = {
    {"KHR_draco_mesh_compression", "Draco-compressed meshes"},
    {"EXT_meshopt_compression", "meshopt-compressed buffers"},
    {"KHR_texture_basisu", "KTX2 textures"},
};

class Reader {
public:
    Reader(const tinygltf::Model& model, const std::string& fileName, MeshBuilder& builder,
           std::vector<ImportedMaterial>& materials, std::vector<std::string>& warnings,
           std::map<int, int>& imageUses)
        : model_(model), fileName_(fileName), builder_(builder), materials_(materials), warnings_(warnings),
          imageUses_(imageUses) {}

    std::string Read() {
        for (const std::string& required : model_.extensionsRequired) {
            std::string why = Refused(required);
            if (!why.empty()) return why;
        }
        for (const tinygltf::Node& node : model_.nodes)
            if (node.skin >= 0 && node.mesh >= 0) {
                globals_ = GlobalMatrices(model_, kMaxNodeDepth);
                break;
            }
        if (model_.scenes.empty()) {
            // Without a scene, every node that is no other's child is a root.
            std::vector<bool> isChild(model_.nodes.size(), false);
            for (const tinygltf::Node& node : model_.nodes)
                for (int child : node.children)
                    if (child >= 0 && size_t(child) < isChild.size()) isChild[size_t(child)] = true;
            for (size_t n = 0; n < model_.nodes.size(); ++n)
                if (!isChild[n]) GLTF_RETURN_IF_FAILED(Node(int(n), kIdentity, 0));
            return {};
        }
        const int scene = model_.defaultScene >= 0 && size_t(model_.defaultScene) < model_.scenes.size()
                              ? model_.defaultScene
                              : 0;
        for (int node : model_.scenes[size_t(scene)].nodes) GLTF_RETURN_IF_FAILED(Node(node, kIdentity, 0));
        return {};
    }

private:
    std::string Fail(const std::string& what) const { return fileName_ + ": " + what; }

    std::string Refused(const std::string& extension) const {
        for (const auto& refused : kRefusedExtensions)
            if (extension == refused[0])
                return Fail(std::string("the file uses ") + refused[0] + " (" + refused[1] +
                            "), which is not read");
        return {};
    }

    std::string Node(int index, const Matrix& parent, int depth) {
        if (index < 0 || size_t(index) >= model_.nodes.size())
            return Fail("node " + std::to_string(index) + " does not exist");
        if (depth > kMaxNodeDepth) return Fail("the nodes nest too deep (a node may be its own ancestor)");
        if (++visits_ > kMaxNodeVisits) return Fail("the scene places too many nodes");
        const tinygltf::Node& node = model_.nodes[size_t(index)];
        const Matrix m = Multiply(parent, LocalMatrix(node));
        if (node.mesh >= 0) GLTF_RETURN_IF_FAILED(Mesh(node, m));
        for (int child : node.children) GLTF_RETURN_IF_FAILED(Node(child, m, depth + 1));
        return {};
    }

    std::string Mesh(const tinygltf::Node& node, const Matrix& m) {
        if (size_t(node.mesh) >= model_.meshes.size())
            return Fail("mesh " + std::to_string(node.mesh) + " does not exist");
        const tinygltf::Mesh& mesh = model_.meshes[size_t(node.mesh)];
        std::string solid = !node.name.empty()   ? node.name
                            : !mesh.name.empty() ? mesh.name
                                                 : "mesh " + std::to_string(node.mesh);
        builder_.BeginSolid(solid);
        for (const tinygltf::Primitive& primitive : mesh.primitives)
            GLTF_RETURN_IF_FAILED(Primitive(primitive, m, node.skin));
        return {};
    }

    std::string Primitive(const tinygltf::Primitive& primitive, const Matrix& m, int skin) {
        for (const auto& extension : primitive.extensions) GLTF_RETURN_IF_FAILED(Refused(extension.first));
        const int mode = primitive.mode < 0 ? TINYGLTF_MODE_TRIANGLES : primitive.mode;
        if (mode != TINYGLTF_MODE_TRIANGLES && mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
            mode != TINYGLTF_MODE_TRIANGLE_FAN)
            return {}; // points and lines have no faces
        const auto position = primitive.attributes.find("POSITION");
        if (position == primitive.attributes.end()) return {};
        AccessorView positions;
        std::string failure = View(model_, position->second, 3, positions);
        if (!failure.empty()) return Fail(failure);

        AccessorView uvs;
        const auto uv = primitive.attributes.find("TEXCOORD_0");
        if (uv != primitive.attributes.end()) {
            failure = View(model_, uv->second, 2, uvs);
            if (!failure.empty()) return Fail(failure);
            if (uvs.count != positions.count) return Fail("TEXCOORD_0 and POSITION differ in count");
        }
        IndexList indices(positions.count);
        AccessorView indexView; // where the indices lie, or their dense copy
        if (primitive.indices >= 0) {
            failure = View(model_, primitive.indices, 1, indexView);
            if (!failure.empty()) return Fail(failure);
            if (!indices.Read(indexView, positions.count))
                return Fail("accessor " + std::to_string(primitive.indices) +
                            " has an index past the vertices");
        }
        SkinPlacement skinning;
        if (skin >= 0) {
            failure = skinning.Prepare(model_, skin, globals_, primitive, positions.count);
            if (!failure.empty()) return Fail(failure);
        }
        GLTF_RETURN_IF_FAILED(UseMaterial(primitive.material));
        builder_.Reserve(positions.count, uvs.data ? positions.count : 0, indices.size());
        welded_.Reserve(positions.count);

        // Corners welded by position: glTF splits vertices at every seam of its attributes, the model
        // keeps one vertex per point and the texture coordinates per corner.
        std::vector<int> vertex(positions.count);
        // Each glTF vertex's texture coordinates are the builder's from `firstTexCoord` on, in order.
        const int firstTexCoord = builder_.TexCoordCount();
        Matrix skinned;
        const auto keyOf = [&](size_t i) {
            double p[3];
            positions.GetAll(i, p);
            const Matrix* t = &m;
            if (skinning.Active()) t = &(skinned = skinning.At(i));
            const Matrix& a = *t;
            return PositionKey{a[0] * p[0] + a[4] * p[1] + a[8] * p[2] + a[12],
                               a[1] * p[0] + a[5] * p[1] + a[9] * p[2] + a[13],
                               a[2] * p[0] + a[6] * p[1] + a[10] * p[2] + a[14]};
        };
        // The points a few steps ahead are looked up early, so that their places in the table load while
        // these are welded.
        constexpr size_t kAhead = 8;
        PositionKey ahead[kAhead];
        for (size_t i = 0; i < kAhead && i < positions.count; ++i) welded_.Prefetch(ahead[i] = keyOf(i));
        double st[2];
        for (size_t i = 0; i < positions.count; ++i) {
            const PositionKey key = ahead[i % kAhead];
            if (i + kAhead < positions.count) welded_.Prefetch(ahead[i % kAhead] = keyOf(i + kAhead));
            vertex[i] = welded_.Weld(key, [&] { return builder_.AddVertex({key.x, key.y, key.z}); });
            if (uvs.data) {
                uvs.GetAll(i, st);
                builder_.AddTexCoord(st[0], st[1]);
            }
        }
        const auto texCoord = [&](uint32_t i) { return uvs.data ? firstTexCoord + int(i) : -1; };
        const bool mirrored = Determinant3(skinning.Active() && positions.count > 0 ? skinning.At(0) : m) < 0;
        const size_t n = indices.size();
        const size_t triangles = mode == TINYGLTF_MODE_TRIANGLES ? n / 3 : n >= 3 ? n - 2 : 0;
        if ((triangles_ += triangles) > kMaxTriangles)
            return Fail("the file has more triangles than can be unfolded");
        for (size_t t = 0; t < triangles; ++t) {
            // The corners' places in the index list first, so that the list is read in one place.
            size_t k[3];
            if (mode == TINYGLTF_MODE_TRIANGLES) {
                k[0] = t * 3, k[1] = t * 3 + 1, k[2] = t * 3 + 2;
            } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
                k[0] = t, k[1] = t + 1, k[2] = t + 2;
                if (t % 2) std::swap(k[0], k[1]);
            } else {
                k[0] = 0, k[1] = t + 1, k[2] = t + 2;
            }
            if (mirrored) std::swap(k[1], k[2]);
            const uint32_t a = indices[k[0]], b = indices[k[1]], c = indices[k[2]];
            builder_.AddTriangle(vertex[a], vertex[b], vertex[c], texCoord(a), texCoord(b), texCoord(c));
        }
        return {};
    }

    std::string UseMaterial(int index) {
        if (index < 0 || size_t(index) >= model_.materials.size()) {
            if (index >= 0) return Fail("material " + std::to_string(index) + " does not exist");
            if (defaultName_.empty()) {
                defaultName_ = UniqueName("default");
                materials_.emplace_back().name = defaultName_;
            }
            builder_.UseMaterial(defaultName_);
            return {};
        }
        auto found = materialNames_.find(index);
        if (found == materialNames_.end()) {
            ImportedMaterial material;
            const tinygltf::Material& source = model_.materials[size_t(index)];
            material.name =
                UniqueName(source.name.empty() ? "material " + std::to_string(index) : source.name);
            GLTF_RETURN_IF_FAILED(Material(source, material));
            found = materialNames_.emplace(index, material.name).first;
            materials_.push_back(std::move(material));
        }
        builder_.UseMaterial(found->second);
        return {};
    }

    std::string UniqueName(const std::string& wanted) {
        std::string name = wanted;
        for (int n = 2; !usedNames_.insert(name).second; ++n) name = wanted + " (" + std::to_string(n) + ")";
        return name;
    }

    std::string Material(const tinygltf::Material& source, ImportedMaterial& material) {
        const ColourSource colour = ColourOf(source);
        float factor[3] = {1, 1, 1};
        for (size_t c = 0; c < 3 && c < colour.factor.size(); ++c)
            factor[c] = float(std::clamp(colour.factor[c], 0.0, 1.0));
        for (int c = 0; c < 3; ++c) material.colour[c] = LinearToSrgb8(factor[c]) / 255.0f;
        const tinygltf::TextureInfo& info = colour.info;
        if (info.index < 0) return {};
        int texCoord = info.texCoord;
        const auto transform = info.extensions.find("KHR_texture_transform");
        if (transform != info.extensions.end()) {
            const tinygltf::Value& t = transform->second;
            double offset[2] = {0, 0}, scale[2] = {1, 1}, rotation = 0;
            Numbers(t, "offset", offset, 2);
            Numbers(t, "scale", scale, 2);
            Numbers(t, "rotation", &rotation, 1);
            if (t.Has("texCoord") && t.Get("texCoord").IsNumber())
                texCoord = int(t.Get("texCoord").GetNumberAsDouble());
            const double c = std::cos(rotation), s = std::sin(rotation);
            material.mapping.matrix = {c * scale[0],  s * scale[1], offset[0],
                                       -s * scale[0], c * scale[1], offset[1]};
        }
        if (texCoord != 0)
            return Fail("material \"" + source.name + "\" takes its texture from TEXCOORD_" +
                        std::to_string(texCoord) + "; only TEXCOORD_0 is read");
        if (size_t(info.index) >= model_.textures.size())
            return Fail("texture " + std::to_string(info.index) + " does not exist");
        const tinygltf::Texture& texture = model_.textures[size_t(info.index)];
        for (const auto& extension : texture.extensions) GLTF_RETURN_IF_FAILED(Refused(extension.first));
        if (texture.sampler >= 0 && size_t(texture.sampler) < model_.samplers.size()) {
            material.mapping.wrapU = Wrap(model_.samplers[size_t(texture.sampler)].wrapS);
            material.mapping.wrapV = Wrap(model_.samplers[size_t(texture.sampler)].wrapT);
        }
        if (texture.source < 0 || size_t(texture.source) >= model_.images.size()) {
            // Its only image is of a kind named by an extension (WebP, say), or none at all.
            if (sourceless_.insert(info.index).second)
                warnings_.push_back(
                    Fail("texture " + std::to_string(info.index) +
                         " has no PNG, JPEG, BMP or TGA image; the model comes in without it"));
            return {};
        }
        material.imageName = ImageName(model_.images[size_t(texture.source)], texture.source);
        material.imageSource = texture.source;
        std::copy(factor, factor + 3, material.factor);
        material.warningAt = warnings_.size();
        if (imageUses_.empty()) {
            for (const tinygltf::Material& m : model_.materials) {
                const int t = ColourOf(m).info.index;
                if (t >= 0 && size_t(t) < model_.textures.size())
                    ++imageUses_[model_.textures[size_t(t)].source];
            }
        }
        return {};
    }

    static void Numbers(const tinygltf::Value& object, const char* key, double* out, size_t count) {
        if (!object.Has(key)) return;
        const tinygltf::Value& value = object.Get(key);
        if (count == 1 && value.IsNumber()) out[0] = value.GetNumberAsDouble();
        if (value.IsArray() && value.ArrayLen() == count)
            for (size_t i = 0; i < count; ++i)
                if (value.Get(int(i)).IsNumber()) out[i] = value.Get(int(i)).GetNumberAsDouble();
    }

    static TextureWrap Wrap(int mode) {
        if (mode == TINYGLTF_TEXTURE_WRAP_MIRRORED_REPEAT) return TextureWrap::Mirrored;
        if (mode == TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE) return TextureWrap::Clamp;
        return TextureWrap::Repeat;
    }

    const tinygltf::Model& model_;
    const std::string& fileName_;
    MeshBuilder& builder_;
    std::vector<ImportedMaterial>& materials_;
    std::vector<std::string>& warnings_;
    std::map<int, int>& imageUses_; // materials per image
    WeldTable welded_;
    std::map<int, std::string> materialNames_;
    std::vector<Matrix> globals_; // every node's transform, for the joints of skins
    std::set<std::string> usedNames_;
    std::set<int> sourceless_; // textures told to have no image
    std::string defaultName_;
    size_t visits_ = 0;
    size_t triangles_ = 0;
};

std::string FirstLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    const size_t newline = text.find('\n');
    return newline == std::string::npos ? text : text.substr(0, newline);
}

} // namespace

Outcome ReadGltf(std::string_view bytes, const std::string& fileName, const std::string& directory,
                 MeshBuilder& builder, std::vector<ImportedMaterial>& materials, GltfImages& images,
                 std::vector<std::string>& warnings) {
    if (bytes.size() > 0xffffffffu) return Outcome::Failed(fileName + ": the file is too large to read");
    tinygltf::TinyGLTF loader;
    FileAccess access(directory);
    loader.SetFsCallbacks({FileExists, ExpandFilePath, ReadWholeFile, RefuseWrite, &access});
    EncodedImages encoded;
    loader.SetImageLoader(KeepImageBytes, &encoded);
    tinygltf::Model model;
    std::string error, warning;
    bool loaded = false;
    try {
        if (bytes.substr(0, 4) == "glTF")
            loaded = loader.LoadBinaryFromMemory(&model, &error, &warning,
                                                 reinterpret_cast<const unsigned char*>(bytes.data()),
                                                 unsigned(bytes.size()), directory);
        else
            loaded = loader.LoadASCIIFromString(&model, &error, &warning, bytes.data(),
                                                unsigned(bytes.size()), directory);
    } catch (const std::exception& exception) {
        error = exception.what();
        loaded = false;
    }
    if (!loaded)
        return Outcome::Failed(fileName + ": the glTF file cannot be read (" +
                               FirstLine(error.empty() ? "no detail" : error) + ")");
    EncodedImagesInViews(model, encoded);
    images.decoding_->Start(std::move(encoded));
    for (const std::string& path : access.substituted)
        warnings.push_back(path + ": the file is not there; " + access.substitutes[path].string() +
                           " is used in its place");
    const std::string failure =
        Reader(model, fileName, builder, materials, warnings, images.decoding_->uses).Read();
    return failure.empty() ? Outcome::Ok() : Outcome::Failed(failure);
}

void AttachImportedMaterials(Mesh& model, int firstMaterial, std::vector<ImportedMaterial>& materials,
                             GltfImages& images, std::vector<std::string>& warnings) {
    // A texture's warning goes where it would have been told had its image been decoded as it was read.
    size_t told = 0;
    for (ImportedMaterial& material : materials) {
        if (material.imageSource < 0) continue;
        std::string warning;
        material.image = images.decoding_->Take(material.imageSource, material.imageName, warning);
        if (material.image) MultiplyLinear(*material.image, material.factor);
        if (warning.empty()) continue;
        warnings.insert(warnings.begin() +
                            std::ptrdiff_t(std::min(material.warningAt + told, warnings.size())),
                        std::move(warning));
        ++told;
    }
    std::map<std::string, ImportedMaterial*> byName;
    for (ImportedMaterial& material : materials) byName.emplace(material.name, &material);
    for (size_t m = size_t(std::max(firstMaterial, 0)); m < model.materials.size(); ++m) {
        const auto found = byName.find(model.materials[m]->name);
        if (found == byName.end()) continue;
        ImportedMaterial& source = *found->second;
        SetMaterialColour(*model.materials[m], source.colour);
        if (source.image)
            AttachImportedTexture(model, int(m), std::move(source.image), source.mapping, source.imageName);
    }
}

} // namespace tsm
