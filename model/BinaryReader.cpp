#include "model/BinaryReader.h"

#include "model/BinaryCursor.h"
#include "model/Settings.h"
#include "model/TextCase.h"
#include "model/TextureImage.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace tsm {

using namespace binary;

namespace {

using Section = BinarySection;

const char* const kTooOldMessage = "Failed to load specified file.\nToo old version.";
const char* const kTooNewMessage =
    "Failed to load specified file.\nToo newer version.\nWe recommend you to upgrade the application.";
const char* const kNewMinorMessage = "New version file. This application may not be able to read some "
                                     "information.\nWe recommend you to upgrade the application.";
const char* const kOtherLanguageMessage =
    "This file is saved with other language OS.\nTexts may not be displayed correctly.";

constexpr size_t kMaxHeaderLineBytes = 511;
constexpr uint64_t kMaxFileBytes = uint64_t(2) << 30; // 2 GiB; the whole file is held in memory

// A texture side may be any size up to the largest power of two the texture code knows, but the pixel
// count stays within what a 16384 x 16384 image needs (768 MiB of RGB).
constexpr int32_t kMaxTextureSidePixels = 32768;
constexpr int64_t kMaxTexturePixels = int64_t(16384) * 16384;
// Deflate never expands data by more than about 1032 to 1, so a stream of n bytes cannot inflate to more
// than this many times n (plus a little for the stream header and checksum).
constexpr int64_t kMaxInflateRatio = 1032;
constexpr int64_t kInflateSlackBytes = 1024;

// The smallest size in bytes of each record. A count is refused when the rest of the file cannot hold that
// many records of the smallest size, before anything is allocated for them.
constexpr size_t kStringMinBytes = 4;
constexpr size_t kSolidMinBytes = kStringMinBytes + 1 + 4 + 4 + 4;
constexpr size_t kVertexBytes = 3 * 8;
constexpr size_t kFaceMinBytes = 4 + 4 + 4 * 8 + 4;
constexpr size_t kCornerBytes = 4 + 4 * 8 + 1 + 3 * 8 + 6 * 4;
constexpr size_t kEdgeBytes = 4 * 4 + 1 + 1 + 4;
constexpr size_t kMaterialMinBytes = kStringMinBytes + 17 * 4 + 3 * 4 + 1;
constexpr size_t kPartMinBytes = 4 + 4 * 8 + 4;
constexpr size_t kLineMinBytes = 1 + 4 + 1 + 1;
constexpr size_t kLineMaxBytes = kLineMinBytes + 2 * 8;
constexpr size_t kTextMinBytes = 4 * 8 + 8 + 4 + 4 + kStringMinBytes + 4;
constexpr size_t kPictureMinBytes = 4 * 8 + 3 * 4;
constexpr size_t kSettingsBytes = 5 * 1 + 4 + 1 + 8 * 4 + 12 * 8 + 1 + 8;
constexpr size_t kTrailerBytes = 4;

} // namespace

class BinaryReader::Impl : private BinaryCursor {
public:
    Impl(Document& document, ImportKind kind, IPrompt& prompt, IModelCompletion& completion,
         int32_t textureSizeLimit, std::string& failureReason, std::string_view bytes)
        : BinaryCursor(failureReason, bytes), document_(document), model_(*document.model), kind_(kind),
          prompt_(prompt), completion_(completion), textureSizeLimit_(textureSizeLimit) {}
    // Reads the open file `fd` of `size` bytes as it goes, `windowBytes` at a time.
    Impl(Document& document, ImportKind kind, IPrompt& prompt, IModelCompletion& completion,
         int32_t textureSizeLimit, std::string& failureReason, int fd, size_t size, size_t windowBytes)
        : BinaryCursor(failureReason, fd, size, windowBytes), document_(document), model_(*document.model),
          kind_(kind), prompt_(prompt), completion_(completion), textureSizeLimit_(textureSizeLimit) {}

    Outcome Run();

private:
    // --- Whole records -------------------------------------------------------------------------------
    // A large model's records are read after one bounds check each, their numbers checked together. When
    // a record is cut short or holds a number the primitives refuse, these return false without moving on,
    // and the caller reads it again field by field, so that the failure says what the primitives say.
    bool VertexRecord(Vertex& vertex);
    bool FaceRecord(Face& face, int32_t& cornerCount);
    bool CornerRecord(HalfEdge& corner, int32_t& vertexIndex);

    // --- Sections ------------------------------------------------------------------------------------
    bool ReadSolid(int32_t solidIndex);
    bool ReadFace(Solid& solid, int32_t solidIndex, int32_t faceIndex, int32_t faceCount);
    bool ReadEdge(Solid& solid, int32_t solidIndex, int32_t edgeIndex);
    bool ReadMaterial(int32_t materialIndex);
    std::unique_ptr<TextureImage> ReadTexture(const std::string& what);
    bool ReadDevelopment();
    bool ReadPart(Development& development, int32_t partIndex);
    bool ReadText(Development& development, int32_t textIndex);
    bool ReadPictures(Development& development, int list);
    void ReadSettings(DisplaySettings& target, bool classify);
    void PeekDisplayAtEnd();

    // Each solid's corners as its faces hold them, in ring order, beside their vertices and, once it is
    // read, the edge each starts: finding a face's corner at a vertex, which every edge and part line does
    // twice, then reads one short run of one array instead of the face, its corner list and each corner.
    struct CornerAt {
        const Vertex* vertex;
        HalfEdge* corner;
        Edge* edge;
    };
    struct SolidCorners {
        std::vector<uint32_t> faceStart; // one more entry than faces once the solid's faces are read
        std::vector<CornerAt> corners;
    };
    // The first corner of face `faceIndex` of the model's solid `solidIndex` at `vertex`, as FindCorner
    // finds it, or null.
    CornerAt* SideOf(size_t solidIndex, size_t faceIndex, const Vertex* vertex);

    Document& document_;
    Mesh& model_;
    ImportKind kind_;
    IPrompt& prompt_;
    IModelCompletion& completion_;
    int32_t textureSizeLimit_;

    size_t firstSolid_ = 0; // solids the model held before this file's
    std::vector<SolidCorners> solidCorners_;
    CornerAt otherSide_{};
    // The faces each part will hold, gathered before the parts are read so that a part is measured while
    // its corners are still in the cache from reading its lines; and the first part found too large to
    // lay out, reported where the whole development has been read.
    std::vector<std::vector<Face*>> facesOfPart_;
    int64_t partTooLarge_ = -1;
    std::vector<std::pair<HalfEdge*, PartLine*>> lineOfCorner_; // scratch of ReadPart
    // The display values that decide how lines are drawn, as the end of the file holds them where its
    // display block sits there (nearly always): with them each part is classified as soon as it is read,
    // while its lines are in the cache, and only values that turn out otherwise classify it all again.
    std::optional<DisplaySettings> earlyDisplay_;
    int nextEdgeId_ = 1;
};

namespace {

// The display values the line classification reads.
bool SameLineClassification(const DisplaySettings& a, const DisplaySettings& b) {
    return a.drawFlaps == b.drawFlaps && a.omitFlatFolds == b.omitFlatFolds &&
           a.flatFoldAngleDegrees == b.flatFoldAngleDegrees;
}

} // namespace

BinaryReader::Impl::CornerAt* BinaryReader::Impl::SideOf(size_t solidIndex, size_t faceIndex,
                                                         const Vertex* vertex) {
    const size_t own = solidIndex - firstSolid_;
    if (solidIndex < firstSolid_ || own >= solidCorners_.size() ||
        faceIndex + 1 >= solidCorners_[own].faceStart.size()) {
        // A solid the model held before this file's.
        HalfEdge* corner = FindCorner(*model_.solids[solidIndex]->faces[faceIndex], vertex);
        otherSide_ = {vertex, corner, corner ? corner->edge : nullptr};
        return corner ? &otherSide_ : nullptr;
    }
    SolidCorners& table = solidCorners_[own];
    for (uint32_t k = table.faceStart[faceIndex]; k < table.faceStart[faceIndex + 1]; ++k)
        if (table.corners[k].vertex == vertex) return &table.corners[k];
    return nullptr;
}

bool BinaryReader::Impl::VertexRecord(Vertex& vertex) {
    if (!Have(kVertexBytes)) return false;
    const uint8_t* p = Here();
    vertex.position = {LoadF64(p), LoadF64(p + 8), LoadF64(p + 16)};
    if (!(InRange(vertex.position.x) & InRange(vertex.position.y) & InRange(vertex.position.z))) return false;
    pos_ += kVertexBytes;
    return true;
}

bool BinaryReader::Impl::FaceRecord(Face& face, int32_t& cornerCount) {
    if (!Have(kFaceMinBytes)) return false;
    const uint8_t* p = Here();
    bool fits = true;
    for (int i = 0; i < 4; ++i) {
        face.plane[i] = LoadF64(p + 8 + 8 * i);
        fits &= InRange(face.plane[i]);
    }
    if (!fits) return false;
    face.materialIndex = LoadI32(p);
    face.partIndex = LoadI32(p + 4);
    cornerCount = LoadI32(p + 40);
    pos_ += kFaceMinBytes;
    return true;
}

bool BinaryReader::Impl::CornerRecord(HalfEdge& corner, int32_t& vertexIndex) {
    if (!Have(kCornerBytes)) return false;
    const uint8_t* p = Here();
    corner.x2d = LoadF64(p + 4);
    corner.y2d = LoadF64(p + 12);
    corner.u = LoadF64(p + 20);
    corner.v = LoadF64(p + 28);
    corner.flapHeight = LoadF64(p + 37);
    corner.flapAngle1 = LoadF64(p + 45);
    corner.flapAngle2 = LoadF64(p + 53);
    // Bitwise and: one branch for the whole record rather than one per number.
    bool fits = InRange(corner.x2d) & InRange(corner.y2d) & InRange(corner.u) & InRange(corner.v) &
                InRange(corner.flapHeight) & InRange(corner.flapAngle1) & InRange(corner.flapAngle2);
    for (int i = 0; i < 3; ++i) {
        corner.flapColor[i] = LoadF32(p + 61 + 4 * i);
        corner.sideColor[i] = LoadF32(p + 73 + 4 * i);
        fits &= Finite(corner.flapColor[i]) & Finite(corner.sideColor[i]);
    }
    if (!fits) return false;
    vertexIndex = LoadI32(p);
    corner.hasFlap = p[36] != 0;
    pos_ += kCornerBytes;
    return true;
}

Outcome BinaryReader::Impl::Run() {
    if (size_ == 0) {
        Fail("the file is empty");
        return Outcome::Failed(failureReason_);
    }
    // The header line has been checked by the caller; it runs to the first line feed, at most 511 bytes.
    const size_t scan = std::min(size_, kMaxHeaderLineBytes);
    if (!Need(scan)) return Outcome::Failed(failureReason_);
    const void* lineFeed = std::memchr(Here(), '\n', scan);
    pos_ = lineFeed ? size_t(static_cast<const uint8_t*>(lineFeed) - Here()) + 1 : scan;

    At(Section::HeaderFields);
    const int32_t version = I32();
    const int32_t minorVersion = I32();
    const int32_t writerLevel = I32();
    const std::string writerLocale = Str();
    Str(); // the writer's character set: the texts are used as they stand
    if (Failed()) return Outcome::Failed(failureReason_);
    if (version < 2) {
        prompt_.Message(kTooOldMessage);
        return Outcome::Cancelled(kTooOldMessage);
    }
    if (version > 4) {
        prompt_.Message(kTooNewMessage);
        return Outcome::Cancelled(kTooNewMessage);
    }
    if (version == 4 && minorVersion > 0) prompt_.Message(kNewMinorMessage);

    At(Section::UnusedBlock);
    I32();
    Str();

    At(Section::ModelHeader);
    model_.size = F64();
    model_.center.x = F64();
    model_.center.y = F64();
    model_.center.z = F64();

    At(Section::SolidCount);
    const int32_t solidCount = I32();
    if (!CheckCount(solidCount, kSolidMinBytes, [&] { return std::string("solids"); }))
        return Outcome::Failed(failureReason_);
    firstSolid_ = model_.solids.size();
    model_.solids.reserve(firstSolid_ + size_t(solidCount));
    solidCorners_.reserve(size_t(solidCount));
    for (int32_t s = 0; s < solidCount; ++s)
        if (!ReadSolid(s)) return Outcome::Failed(failureReason_);

    At(Section::MaterialCount);
    const int32_t materialCount = I32();
    if (!CheckCount(materialCount, kMaterialMinBytes, [&] { return std::string("materials"); }))
        return Outcome::Failed(failureReason_);
    model_.materials.reserve(size_t(materialCount));
    for (int32_t m = 0; m < materialCount; ++m)
        if (!ReadMaterial(m)) return Outcome::Failed(failureReason_);

    // Faces name their material before the materials are read; now the names can be checked.
    for (size_t s = 0; s < model_.solids.size(); ++s) {
        const Solid& solid = *model_.solids[s];
        for (size_t f = 0; f < solid.faces.size(); ++f) {
            const int32_t index = solid.faces[f]->materialIndex;
            if (index < -1 || index >= materialCount) {
                Fail("material index " + N(index) + " of face " + N(int64_t(f)) + " of solid " +
                     N(int64_t(s)) + " is out of range (the model has " + N(materialCount) + " materials)");
                return Outcome::Failed(failureReason_);
            }
        }
    }

    // The file's own solids have theirs from ReadSolid.
    for (size_t s = 0; s < firstSolid_; ++s) completion_.RebuildVertexIncidence(*model_.solids[s]);
    model_.symmetricEdgesPending = true;

    if (kind_ == ImportKind::Open) PeekDisplayAtEnd();

    At(Section::DevelopmentFlag);
    const bool hasDevelopment = Bool();
    if (Failed()) return Outcome::Failed(failureReason_);
    if (hasDevelopment && !ReadDevelopment()) return Outcome::Failed(failureReason_);

    // The display block is applied as it is read, so it is only started when the whole block and the end
    // marker are there: a file cut short never changes the document's display values.
    if (Remaining() < kSettingsBytes) {
        At(Section::Settings);
        Fail("the file ends inside " + Where());
        return Outcome::Failed(failureReason_);
    }
    if (Remaining() < kSettingsBytes + kTrailerBytes) {
        At(Section::Trailer);
        Fail("the file ends inside " + Where());
        return Outcome::Failed(failureReason_);
    }
    At(Section::Settings);
    if (kind_ == ImportKind::Open) {
        ReadSettings(document_.display, true);
        // The texts are kept as the bytes they are; the locale says how to show them and how to save them.
        document_.writerLocale = writerLocale;
    } else {
        DisplaySettings discarded;
        ReadSettings(discarded, false);
    }
    At(Section::Trailer);
    I32();
    if (Failed()) return Outcome::Failed(failureReason_);

    const Development* development = document_.development.get();
    if (writerLevel >= 101 && development && !development->texts.empty() &&
        !EqualsAsciiLower(writerLocale, "en-us"))
        prompt_.Message(kOtherLanguageMessage);
    return Outcome::Ok();
}

bool BinaryReader::Impl::ReadSolid(int32_t s) {
    At(Section::SolidHeader, s);
    Solid* solid = model_.AppendSolid(std::make_unique<Solid>());
    solid->name = Str();
    solid->inDevelopment = Bool();

    const int32_t vertexCount = I32();
    if (!CheckCount(vertexCount, kVertexBytes, [&] { return "vertices of solid " + N(s); })) return false;
    At(Section::Vertices, s);
    solid->vertices.reserve(size_t(vertexCount));
    for (int32_t v = 0; v < vertexCount; ++v) {
        VertexPtr vertex = NewVertex(*solid, size_t(vertexCount - v));
        if (!VertexRecord(*vertex)) {
            vertex->position.x = F64();
            vertex->position.y = F64();
            vertex->position.z = F64();
            if (Failed()) return false;
        }
        solid->vertices.push_back(std::move(vertex));
    }

    At(Section::SolidHeader, s);
    const int32_t faceCount = I32();
    if (!CheckCount(faceCount, kFaceMinBytes, [&] { return "faces of solid " + N(s); })) return false;
    solid->faces.reserve(size_t(faceCount));
    SolidCorners& table = solidCorners_.emplace_back();
    table.faceStart.reserve(size_t(faceCount) + 1);
    table.corners.reserve(size_t(faceCount) * 3);
    for (int32_t f = 0; f < faceCount; ++f)
        if (!ReadFace(*solid, s, f, faceCount)) return false;
    table.faceStart.push_back(uint32_t(table.corners.size()));

    At(Section::SolidHeader, s);
    const int32_t edgeCount = I32();
    if (!CheckCount(edgeCount, kEdgeBytes, [&] { return "edges of solid " + N(s); })) return false;
    solid->edges.reserve(size_t(edgeCount));
    for (int32_t e = 0; e < edgeCount; ++e)
        if (!ReadEdge(*solid, s, e)) return false;

    // Every corner starts an edge; the drawing and the engine follow that link without looking.
    for (size_t f = 0; f < solid->faces.size(); ++f) {
        const Face& face = *solid->faces[f];
        for (size_t c = 0; c < face.halfEdges.size(); ++c)
            if (!face.halfEdges[c]->edge)
                return Fail("corner " + N(int64_t(c)) + " of face " + N(int64_t(f)) + " of solid " + N(s) +
                            " belongs to no edge");
    }
    // While the solid's corners are still in the cache rather than after the whole model.
    completion_.RebuildVertexIncidence(*solid);
    return true;
}

bool BinaryReader::Impl::ReadFace(Solid& solid, int32_t s, int32_t f, int32_t faceCount) {
    At(Section::Face, s, f);
    solid.faces.push_back(NewFace(solid, size_t(faceCount - f)));
    Face& face = *solid.faces.back();
    face.solid = &solid;
    int32_t cornerCount = 0;
    if (!FaceRecord(face, cornerCount)) {
        face.materialIndex = I32();
        face.partIndex = I32();
        for (double& value : face.plane) value = F64();
        cornerCount = I32();
        if (Failed()) return false;
    }
    if (cornerCount >= 0 && cornerCount < 3)
        return Fail("face " + N(f) + " of solid " + N(s) + " has " + N(cornerCount) +
                    " corners; a face needs at least 3");
    if (!CheckCount(cornerCount, kCornerBytes,
                    [&] { return "corners of face " + N(f) + " of solid " + N(s); }))
        return false;

    At(Section::Corners, s, f);
    face.halfEdges.reserve(size_t(cornerCount));
    for (int32_t c = 0; c < cornerCount; ++c) {
        // The faces still to come are guessed to have as many corners as this one.
        auto corner = NewCorner(solid, size_t(faceCount - f) * size_t(cornerCount) - size_t(c));
        int32_t vertexIndex = 0;
        if (!CornerRecord(*corner, vertexIndex)) {
            vertexIndex = I32();
            corner->x2d = F64();
            corner->y2d = F64();
            corner->u = F64();
            corner->v = F64();
            corner->hasFlap = Bool();
            corner->flapHeight = F64();
            corner->flapAngle1 = F64();
            corner->flapAngle2 = F64();
            for (float& channel : corner->flapColor) channel = F32();
            for (float& channel : corner->sideColor) channel = F32();
            if (Failed()) return false;
        }
        if (vertexIndex < 0 || size_t(vertexIndex) >= solid.vertices.size())
            return Fail("vertex index " + N(vertexIndex) + " of face " + N(f) + " of solid " + N(s) +
                        " is out of range (the solid has " + N(int64_t(solid.vertices.size())) +
                        " vertices)");
        corner->vertex = solid.vertices[size_t(vertexIndex)].get();
        corner->face = &face;
        face.halfEdges.push_back(std::move(corner));
    }
    completion_.LinkFaceRing(face);
    SolidCorners& table = solidCorners_.back();
    table.faceStart.push_back(uint32_t(table.corners.size()));
    for (const auto& corner : face.halfEdges)
        table.corners.push_back({corner->vertex, corner.get(), nullptr});
    return true;
}

bool BinaryReader::Impl::ReadEdge(Solid& solid, int32_t s, int32_t e) {
    At(Section::Edges, s, e);
    int32_t faceIndex[2], vertexIndex[2], edgeClass;
    bool joined, edgeFlag;
    if (Have(kEdgeBytes)) {
        // No number of an edge is refused by the primitives, so the whole record is read at once.
        const uint8_t* p = Here();
        for (int k = 0; k < 2; ++k) {
            faceIndex[k] = LoadI32(p + 4 * k);
            vertexIndex[k] = LoadI32(p + 8 + 4 * k);
        }
        joined = p[16] != 0;
        edgeFlag = p[17] != 0;
        edgeClass = LoadI32(p + 18);
        pos_ += kEdgeBytes;
    } else {
        for (int32_t& index : faceIndex) index = I32();
        for (int32_t& index : vertexIndex) index = I32();
        joined = Bool();
        edgeFlag = Bool();
        edgeClass = I32();
        if (Failed()) return false;
    }

    const auto edgeName = [&] { return "edge " + N(e) + " of solid " + N(s); };
    CornerAt* sides[2] = {nullptr, nullptr}; // the current solid's, so never the same scratch entry
    Vertex* vertices[2] = {nullptr, nullptr};
    for (int k = 0; k < 2; ++k) {
        if (vertexIndex[k] < 0 || size_t(vertexIndex[k]) >= solid.vertices.size())
            return Fail("vertex index " + N(vertexIndex[k]) + " of " + edgeName() +
                        " is out of range (the solid has " + N(int64_t(solid.vertices.size())) +
                        " vertices)");
        if (faceIndex[k] < -1 || faceIndex[k] >= int64_t(solid.faces.size()))
            return Fail("face index " + N(faceIndex[k]) + " of " + edgeName() +
                        " is out of range (the solid has " + N(int64_t(solid.faces.size())) + " faces)");
        vertices[k] = solid.vertices[size_t(vertexIndex[k])].get();
        if (faceIndex[k] >= 0) sides[k] = SideOf(model_.solids.size() - 1, size_t(faceIndex[k]), vertices[k]);
    }
    // Every edge is found from its first side (the symmetry search and the drawing start there), and a
    // corner starts one edge only; anything else would leave one-sided twin links behind.
    if (!sides[0])
        return Fail(edgeName() + " has no first side: face " + N(faceIndex[0]) + " has no corner at vertex " +
                    N(vertexIndex[0]));
    for (int k = 0; k < 2; ++k)
        if (sides[k] && (sides[k]->edge || (k == 1 && sides[1] == sides[0])))
            return Fail(edgeName() + " uses the corner of face " + N(faceIndex[k]) + " at vertex " +
                        N(vertexIndex[k]) + ", which already belongs to another edge");

    Edge& edge = AppendEdge(solid, sides[0]->corner, sides[1] ? sides[1]->corner : nullptr, vertices[0],
                            vertices[1], joined);
    for (CornerAt* side : sides)
        if (side) side->edge = &edge;
    edge.edgeFlag = edgeFlag;
    edge.edgeClass = static_cast<EdgeClass>(edgeClass); // any stored number is kept and written back
    completion_.UpdateEdgeGeometry(edge);
    return true;
}

bool BinaryReader::Impl::ReadMaterial(int32_t m) {
    At(Section::Material, m);
    Material* material = model_.AppendMaterial(std::make_unique<Material>());
    material->name = Str();
    for (float& channel : material->ambient) channel = F32();
    for (float& channel : material->diffuse) channel = F32();
    for (float& channel : material->emission) channel = F32();
    for (float& channel : material->specular) channel = F32();
    material->shininess = F32();
    for (float& channel : material->flatColor) channel = F32();
    const bool hasTexture = Bool();
    if (Failed()) return false;
    if (!hasTexture) return true;

    material->texture = ReadTexture("the texture of material " + N(m));
    if (!material->texture) return false;
    // The 2D drawing keeps the full resolution; only the 3D texture is held to the limit.
    MakeBitmap(*material);
    ApplySizeLimit(*material, textureSizeLimit_);
    return true;
}

std::unique_ptr<TextureImage> BinaryReader::Impl::ReadTexture(const std::string& what) {
    const int32_t width = I32();
    const int32_t height = I32();
    const int32_t compressedSize = I32();
    if (Failed()) return nullptr;
    if (width < 1 || height < 1 || width > kMaxTextureSidePixels || height > kMaxTextureSidePixels ||
        int64_t(width) * height > kMaxTexturePixels) {
        Fail(what + " has an unusable size (" + N(width) + " x " + N(height) + " pixels)");
        return nullptr;
    }
    if (compressedSize < 0) {
        Fail("the compressed size of " + what + " is negative (" + N(compressedSize) + ")");
        return nullptr;
    }
    if (!Need(size_t(compressedSize))) return nullptr;
    const int64_t pixelBytes = int64_t(width) * height * 3;
    if (pixelBytes > int64_t(compressedSize) * kMaxInflateRatio + kInflateSlackBytes) {
        Fail(what + " cannot be decompressed: " + N(compressedSize) + " bytes cannot hold " + N(width) +
             " x " + N(height) + " pixels");
        return nullptr;
    }
    const uint8_t* compressed = Here();
    pos_ += size_t(compressedSize);

    auto texture = std::make_unique<TextureImage>();
    texture->width = width;
    texture->height = height;
    texture->pixels.resize(size_t(pixelBytes));
    uLongf inflated = uLongf(pixelBytes);
    const int status = uncompress(texture->pixels.data(), &inflated, compressed, uLong(compressedSize));
    if (status != Z_OK) {
        Fail(what + " cannot be decompressed");
        return nullptr;
    }
    if (int64_t(inflated) != pixelBytes) {
        Fail(what + " is incomplete: it holds " + N(int64_t(inflated)) + " of " + N(pixelBytes) + " bytes");
        return nullptr;
    }
    return texture;
}

bool BinaryReader::Impl::ReadDevelopment() {
    At(Section::DevelopmentHeader);
    document_.development = std::make_unique<Development>();
    Development& development = *document_.development;
    development.scale = F64();
    development.reversed = Bool();
    // The frame of an empty development holds the extremes it started from; any value is kept.
    for (double& value : development.frame) value = F64Any();
    const int32_t partCount = I32();
    if (!CheckCount(partCount, kPartMinBytes, [&] { return std::string("parts"); })) return false;
    // Every face of every solid in the development joins the part its index names; faces naming none
    // are refused below, once the parts have been read.
    facesOfPart_.assign(size_t(partCount), {});
    for (const auto& solid : model_.solids) {
        if (!solid->inDevelopment) continue;
        for (const auto& face : solid->faces) {
            face->part = nullptr;
            if (face->partIndex >= 0 && face->partIndex < partCount)
                facesOfPart_[size_t(face->partIndex)].push_back(face.get());
        }
    }
    development.parts.reserve(size_t(partCount));
    for (int32_t p = 0; p < partCount; ++p)
        if (!ReadPart(development, p)) return false;

    // A face of a solid in the development must name one of the parts.
    for (size_t s = 0; s < model_.solids.size(); ++s) {
        const Solid& solid = *model_.solids[s];
        if (!solid.inDevelopment) continue;
        for (size_t f = 0; f < solid.faces.size(); ++f) {
            const int32_t index = solid.faces[f]->partIndex;
            if (index < 0 || index >= partCount)
                return Fail("part index " + N(index) + " of face " + N(int64_t(f)) + " of solid " +
                            N(int64_t(s)) + " is out of range (the development has " + N(partCount) +
                            " parts)");
        }
    }

    At(Section::TextCount);
    const int32_t textCount = I32();
    if (!CheckCount(textCount, kTextMinBytes, [&] { return std::string("texts"); })) return false;
    development.texts.reserve(size_t(textCount));
    for (int32_t t = 0; t < textCount; ++t)
        if (!ReadText(development, t)) return false;

    if (!ReadPictures(development, 0) || !ReadPictures(development, 1)) return false;
    if (partTooLarge_ >= 0) return Fail("part " + N(partTooLarge_) + " is too large to lay out");
    return true;
}

bool BinaryReader::Impl::ReadPart(Development& development, int32_t p) {
    At(Section::PartHeader, p);
    const int32_t solidIndex = I32();
    if (Failed()) return false;
    if (solidIndex < 0 || size_t(solidIndex) >= model_.solids.size())
        return Fail("solid index " + N(solidIndex) + " of part " + N(p) + " is out of range (the model has " +
                    N(int64_t(model_.solids.size())) + " solids)");
    Part* part = development.AppendPart(std::make_unique<Part>());
    Solid& solid = *model_.solids[size_t(solidIndex)];
    part->solid = &solid;
    part->x = F64();
    part->y = F64();
    part->width = F64();
    part->height = F64();
    const int32_t lineCount = I32();
    if (!CheckCount(lineCount, kLineMinBytes, [&] { return "lines of part " + N(p); })) return false;
    part->lines.reserve(size_t(lineCount));
    for (int32_t l = 0; l < lineCount; ++l) {
        At(Section::PartLines, p, l);
        part->lines.push_back(LinePtr(development.lineBlocks.Take(size_t(lineCount - l))));
        PartLine& line = *part->lines.back();
        int32_t faceIndex[2] = {0, 0}, vertexIndex[2] = {0, 0};
        bool present[2];
        if (Have(kLineMaxBytes)) {
            // No number of a line is refused by the primitives, so the record is read without more checks.
            const uint8_t* const start = Here();
            const uint8_t* at = start;
            line.hidden = at[0] != 0;
            line.lineKind = static_cast<LineKind>(LoadI32(at + 1));
            at += 5;
            for (int k = 0; k < 2; ++k) {
                present[k] = *at++ != 0;
                if (!present[k]) continue;
                faceIndex[k] = LoadI32(at);
                vertexIndex[k] = LoadI32(at + 4);
                at += 8;
            }
            pos_ += size_t(at - start);
        } else {
            line.hidden = Bool();
            line.lineKind = static_cast<LineKind>(I32()); // any stored number is kept and written back
            for (int k = 0; k < 2; ++k) {
                present[k] = Bool();
                if (!present[k]) continue;
                faceIndex[k] = I32();
                vertexIndex[k] = I32();
            }
            if (Failed()) return false;
        }
        for (int k = 0; k < 2; ++k) {
            if (!present[k]) continue;
            const auto lineName = [&] { return "line " + N(l) + " of part " + N(p); };
            if (faceIndex[k] < 0 || size_t(faceIndex[k]) >= solid.faces.size())
                return Fail("face index " + N(faceIndex[k]) + " of " + lineName() +
                            " is out of range (its solid has " + N(int64_t(solid.faces.size())) + " faces)");
            if (vertexIndex[k] < 0 || size_t(vertexIndex[k]) >= solid.vertices.size())
                return Fail("vertex index " + N(vertexIndex[k]) + " of " + lineName() +
                            " is out of range (its solid has " + N(int64_t(solid.vertices.size())) +
                            " vertices)");
            // A face without a corner at that vertex leaves this side empty.
            const CornerAt* side = SideOf(size_t(solidIndex), size_t(faceIndex[k]),
                                          solid.vertices[size_t(vertexIndex[k])].get());
            if (!side) continue;
            (k == 0 ? line.first : line.second) = side->corner;
            line.edge = side->edge;
            // The corners were last touched when their solid was read: linking them back waits until the
            // whole part is read, so that their fetches overlap instead of stalling one by one.
            __builtin_prefetch(&side->corner->line, 1);
            lineOfCorner_.push_back({side->corner, &line});
        }
    }
    for (const auto& [corner, line] : lineOfCorner_) corner->line = line;
    lineOfCorner_.clear();
    if (earlyDisplay_) completion_.ClassifyPartLines(*part, *earlyDisplay_, nextEdgeId_);

    part->faces = std::move(facesOfPart_[size_t(p)]);
    for (Face* face : part->faces) face->part = part;
    // Laying a part out moves its corners by the extent of its box; values read within range can end up
    // beyond it (or overflow), and such a file would not open again once saved.
    completion_.ComputePartExtent(*part);
    bool fits = InRange(part->x) && InRange(part->y) && InRange(part->width) && InRange(part->height);
    for (const Face* face : part->faces)
        for (const auto& corner : face->halfEdges)
            fits = fits && InRange(corner->x2d) && InRange(corner->y2d);
    if (!fits && partTooLarge_ < 0) partTooLarge_ = p;
    return true;
}

bool BinaryReader::Impl::ReadText(Development& development, int32_t t) {
    At(Section::Text, t);
    development.texts.push_back(std::make_unique<TextBlock>());
    TextBlock& text = *development.texts.back();
    for (double& value : text.rect) value = F64();
    const double lineSpacing = F64();
    text.color = I32();
    text.fontSize = I32();
    text.fontName = Str();
    const int32_t lineCount = I32();
    if (Failed()) return false;
    // Truncated toward zero, as an int32 must hold it.
    if (!(lineSpacing > -2147483649.0 && lineSpacing < 2147483648.0))
        return Fail("the line spacing of text " + N(t) + " is out of range");
    text.lineSpacing = int32_t(lineSpacing);
    if (!CheckCount(lineCount, kStringMinBytes, [&] { return "lines of text " + N(t); })) return false;
    text.lines.reserve(size_t(lineCount));
    for (int32_t l = 0; l < lineCount; ++l) {
        text.lines.push_back(Str());
        if (Failed()) return false;
    }
    return true;
}

bool BinaryReader::Impl::ReadPictures(Development& development, int list) {
    At(Section::PictureCount, list);
    const int32_t count = I32();
    if (!CheckCount(count, kPictureMinBytes,
                    [&] { return "pictures of the " + PictureListName(list) + " picture list"; }))
        return false;
    auto& images = list == 0 ? development.imagesA : development.imagesB;
    images.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        At(Section::Picture, list, i);
        auto image = std::make_unique<ImageBlock>();
        for (double& value : image->rect) value = F64();
        if (Failed()) return false;
        auto material = std::make_unique<Material>();
        material->texture = ReadTexture(Where());
        if (!material->texture) return false;
        // Pictures are drawn from the texture itself and get no bitmap.
        ApplySizeLimit(*material, textureSizeLimit_);
        image->material = material.get();
        development.imageMaterials.push_back(std::move(material));
        images.push_back(std::move(image));
    }
    return true;
}

void BinaryReader::Impl::ReadSettings(DisplaySettings& target, bool classify) {
    target.drawFlaps = Bool();
    target.drawEdgeIds = Bool();
    target.invertEdgeIds = Bool();
    target.useMaterials = Bool();
    target.omitFlatFolds = Bool();
    target.flatFoldAngleDegrees = I32();
    target.whiteLinesUnderFolds = Bool();
    target.mountainLineStyle = I32();
    target.valleyLineStyle = I32();
    target.cutLineStyle = I32();
    target.edgeIdFontSizePt = I32();
    target.paperSize = I32();
    target.paperOrientation = I32();
    target.marginSideMM = I32();
    target.marginTopMM = I32();
    // Dash entries may be anything: those of 0 or less take no part in the pattern.
    for (double& value : target.mountainDash) value = F64();
    for (double& value : target.valleyDash) value = F64();
    // The classification reads the settings assigned so far: flat-edge omission and the line styles.
    if (classify && !Failed() && document_.development &&
        !(earlyDisplay_ && SameLineClassification(*earlyDisplay_, target)))
        completion_.ClassifyPartLines(*document_.development, model_, target);
    target.colorFlapsLikeFaces = Bool();
    target.defaultFlapHeightMM = F64();
}

void BinaryReader::Impl::PeekDisplayAtEnd() {
    // The first fields of the display block: whether flaps are drawn, whether flat folds are omitted and
    // from which angle.
    uint8_t head[9];
    if (size_ < kSettingsBytes + kTrailerBytes ||
        !PeekAt(size_ - kSettingsBytes - kTrailerBytes, sizeof head, head))
        return;
    DisplaySettings display;
    display.drawFlaps = head[0] != 0;
    display.omitFlatFolds = head[4] != 0;
    display.flatFoldAngleDegrees = LoadI32(head + 5);
    earlyDisplay_ = display;
    // The whole classification starts from edges without numbers; the file's own edges have none yet.
    for (size_t s = 0; s < firstSolid_; ++s)
        for (auto& edge : model_.solids[s]->edges) edge->edgeId = -1;
}

BinaryReader::BinaryReader(std::string path, Document& document, ImportKind kind, IPrompt& prompt,
                           IModelCompletion& completion, const Settings& settings)
    : path_(std::move(path)), document_(document), kind_(kind), prompt_(prompt), completion_(completion),
      textureSizeLimit_(TextureSizeLimit(settings)) {}

BinaryReader::~BinaryReader() = default;

Outcome BinaryReader::LoadFromBytes(std::string_view bytes) {
    failureReason_.clear();
    Impl impl(document_, kind_, prompt_, completion_, textureSizeLimit_, failureReason_, bytes);
    return impl.Run();
}

Outcome BinaryReader::Load() {
    failureReason_.clear();
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failureReason_ = std::string("the file cannot be opened (") + std::strerror(errno) + ")";
        return Outcome::Failed(failureReason_);
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        failureReason_ = "it is not a regular file";
        return Outcome::Failed(failureReason_);
    }
    if (uint64_t(info.st_size) > kMaxFileBytes) {
        ::close(fd);
        failureReason_ = "the file is larger than 2 GiB";
        return Outcome::Failed(failureReason_);
    }
    Impl impl(document_, kind_, prompt_, completion_, textureSizeLimit_, failureReason_, fd,
              size_t(info.st_size), windowBytes_);
    const Outcome read = impl.Run();
    ::close(fd);
    return read;
}

} // namespace tsm
