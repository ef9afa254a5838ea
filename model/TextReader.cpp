#include "model/TextReader.h"

#include "model/Settings.h"
#include "model/TextConversion.h"
#include "model/TextStream.h"
#include "model/TextureImage.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tsm {

namespace {

constexpr uint64_t kMaxFileBytes = uint64_t(2) << 30; // 2 GiB; the whole file is held in memory
constexpr size_t kMaxNameChars = 255;                 // solid and material names
constexpr size_t kMaxTextLineChars = 511;             // text fonts and text lines
constexpr size_t kMaxCommentBytes = 512;

// Truncated toward zero; values beyond the int32 range saturate.
int32_t TruncToInt32(double value) {
    if (!(value > double(std::numeric_limits<int32_t>::min()))) return std::numeric_limits<int32_t>::min();
    if (!(value < double(std::numeric_limits<int32_t>::max()))) return std::numeric_limits<int32_t>::max();
    return int32_t(value);
}

bool InRange(int32_t index, size_t size) {
    return index >= 0 && size_t(index) < size;
}

class TextModelReader {
public:
    TextModelReader(Document& document, IModelCompletion& completion, int32_t textureSizeLimit,
                    bool autoFlapAngles, std::string& failureReason, std::string_view bytes)
        : document_(document), model_(*document.model), completion_(completion),
          textureSizeLimit_(textureSizeLimit), autoFlapAngles_(autoFlapAngles), failureReason_(failureReason),
          in_(bytes) {}

    Outcome Run();

private:
    bool Fail(const std::string& reason) {
        failed_ = true;
        failureReason_ = reason;
        return false;
    }

    void ReadVersion();
    void ReadModelBox();
    void ReadSolids();
    void ReadSolid();
    void ReadFace(Solid& solid, double& flapHeightSum, size_t& cornerCount);
    void ReadEdge(Solid& solid);
    bool ReadMaterialRecord(Material& material, bool keepColours, const std::string& what);
    void ReadMaterials();
    void ReadParts();
    void AttachFaces();
    void ReadTexts();
    void ReadInfo();
    void Finish();

    Document& document_;
    Mesh& model_;
    IModelCompletion& completion_;
    int32_t textureSizeLimit_;
    bool autoFlapAngles_;
    std::string& failureReason_;
    TextStream in_;
    bool failed_ = false;
    TextConversionValues values_;
    // The part each part record of the file made, by its position in the file; null for a skipped record.
    std::vector<Part*> partsInFileOrder_;
    // Faces read since the last parts section, and faces that name a part record not read yet, by that
    // record's position; equal positions keep the order in which the faces were read.
    std::vector<Face*> facesSinceAttach_;
    std::multimap<int32_t, Face*> facesAwaitingPart_;
    // Texts read before the development exists wait for it.
    std::vector<std::unique_ptr<TextBlock>> pendingTexts_;
};

Outcome TextModelReader::Run() {
    // Text files carry no locale; their strings are in the Western code page.
    document_.writerLocale.clear();
    for (;;) {
        const std::string_view word = in_.Word();
        if (word.empty() || word == "end") break;
        if (word[0] == '#') {
            in_.SkipLineBytes(kMaxCommentBytes);
        } else if (word == "version") {
            ReadVersion();
        } else if (word == "model") {
            ReadModelBox();
        } else if (word == "solids") {
            ReadSolids();
        } else if (word == "parts") {
            ReadParts();
        } else if (word == "defaultmaterial") {
            ReadMaterialRecord(model_.defaultMaterial, false, "the default material");
        } else if (word == "materials") {
            ReadMaterials();
        } else if (word == "text") {
            ReadTexts();
        } else if (word == "info") {
            ReadInfo();
        }
        if (failed_) return Outcome::Failed(failureReason_);
    }
    Finish();
    return Outcome::Ok();
}

void TextModelReader::ReadVersion() {
    in_.Int();
    if (in_.TakeWordIf("min_version")) in_.Int();
}

void TextModelReader::ReadModelBox() {
    for (double& value : values_.box) value = in_.Real();
}

void TextModelReader::ReadSolids() {
    const int32_t count = in_.Int();
    // Every record consumes input, so a count larger than the file stops at its end.
    for (int32_t s = 0; s < count && !in_.NoWordLeft(); ++s) ReadSolid();
}

void TextModelReader::ReadSolid() {
    Solid& solid = *model_.AppendSolid(std::make_unique<Solid>());
    in_.Word();
    in_.SkipRestOfLine();
    solid.name = in_.Line(kMaxNameChars);
    solid.inDevelopment = in_.Int() != 0;

    double flapHeightSum = 0;
    size_t cornerCount = 0;
    // The stream may end while words are skipped: the solid then ends there.
    if (in_.SkipPastWord("vertices")) {
        const int32_t vertexCount = in_.Int();
        for (int32_t v = 0; v < vertexCount && !in_.NoWordLeft(); ++v) {
            auto vertex = std::make_unique<Vertex>();
            vertex->position.x = in_.Real();
            vertex->position.y = in_.Real();
            vertex->position.z = in_.Real();
            solid.vertices.push_back(std::move(vertex));
        }
        if (in_.SkipPastWord("faces")) {
            const int32_t faceCount = in_.Int();
            for (int32_t f = 0; f < faceCount && !in_.NoWordLeft(); ++f)
                ReadFace(solid, flapHeightSum, cornerCount);
            if (in_.SkipPastWord("edges")) {
                const int32_t edgeCount = in_.Int();
                for (int32_t e = 0; e < edgeCount && !in_.NoWordLeft(); ++e) ReadEdge(solid);
            }
        }
    }

    // The mean flap height of the solid, rounded to a tenth of a millimetre; the last solid's wins.
    if (cornerCount > 0) {
        const double rounded = std::trunc(flapHeightSum / double(cornerCount) * 10 + 0.5) / 10;
        if (std::isfinite(rounded)) document_.display.defaultFlapHeightMM = rounded;
    }
    completion_.RebuildVertexIncidence(solid);
}

void TextModelReader::ReadFace(Solid& solid, double& flapHeightSum, size_t& cornerCount) {
    solid.faces.push_back(std::make_unique<Face>());
    Face& face = *solid.faces.back();
    face.solid = &solid;
    facesSinceAttach_.push_back(&face);
    face.materialIndex = in_.Int();
    face.partIndex = in_.Int();
    for (double& value : face.plane) value = in_.Real();
    const int32_t count = in_.Int();
    for (int32_t c = 0; c < count && !in_.NoWordLeft(); ++c) {
        const int32_t vertexIndex = in_.Int();
        auto corner = NewCorner(solid, size_t(count - c));
        corner->x2d = in_.Real();
        corner->y2d = in_.Real();
        corner->u = in_.Real();
        corner->v = in_.Real();
        corner->hasFlap = in_.Int() != 0;
        corner->foldShown = in_.Int() != 0;
        corner->flapHeight = FiniteOrZero(in_.Real() * 10); // cm to mm
        // A corner naming no vertex of this solid is left out.
        if (!InRange(vertexIndex, solid.vertices.size())) continue;
        corner->vertex = solid.vertices[size_t(vertexIndex)].get();
        corner->face = &face;
        flapHeightSum += corner->flapHeight;
        ++cornerCount;
        face.halfEdges.push_back(std::move(corner));
        completion_.LinkFaceRing(face);
    }
}

void TextModelReader::ReadEdge(Solid& solid) {
    int32_t faceIndex[2], vertexIndex[2];
    faceIndex[0] = in_.Int();
    faceIndex[1] = in_.Int();
    vertexIndex[0] = in_.Int();
    vertexIndex[1] = in_.Int();
    int32_t type = in_.Int();
    const bool joined = in_.Int() != 0;

    HalfEdge* sides[2] = {nullptr, nullptr};
    Vertex* vertices[2] = {nullptr, nullptr};
    for (int k = 0; k < 2; ++k) {
        // An index naming nothing in this solid drops the record.
        if (!InRange(vertexIndex[k], solid.vertices.size())) return;
        if (faceIndex[k] != -1 && !InRange(faceIndex[k], solid.faces.size())) return;
        vertices[k] = solid.vertices[size_t(vertexIndex[k])].get();
        if (faceIndex[k] >= 0) sides[k] = FindCorner(*solid.faces[size_t(faceIndex[k])], vertices[k]);
    }
    // A corner starts one edge only; a second claim would leave one-sided edge and twin links behind.
    for (HalfEdge* side : sides)
        if (side && side->edge) return;
    if (sides[0] && sides[0] == sides[1]) return;

    Edge& edge = AppendEdge(solid, sides[0], sides[1], vertices[0], vertices[1], joined);
    // Bit 16 marks edges the unfolding must not keep folded; the rest is the old edge class code.
    if (type & 16) {
        edge.typeFlag = true;
        type -= 16;
    }
    edge.edgeClass = type == 6   ? EdgeClass::MarkedOpen
                     : type == 7 ? EdgeClass::MarkedJoined
                                 : EdgeClass::Free;
}

bool TextModelReader::ReadMaterialRecord(Material& material, bool keepColours, const std::string& what) {
    in_.Word();
    in_.SkipRestOfLine();
    material.name = in_.Line(kMaxNameChars);
    float colours[20];
    for (float& value : colours) value = float(in_.Real());
    if (keepColours) {
        std::copy(colours, colours + 4, material.ambient);
        std::copy(colours + 4, colours + 8, material.diffuse);
        std::copy(colours + 8, colours + 12, material.emission);
        std::copy(colours + 12, colours + 16, material.specular);
        material.shininess = colours[16];
        std::copy(colours + 17, colours + 20, material.flatColor);
    }
    in_.Word();
    if (in_.Int() == 0) return true;

    in_.SkipRestOfLine();
    in_.SkipRestOfLine();
    const int32_t width = in_.Int();
    const int32_t height = in_.Int();
    in_.SkipRestOfLine();
    if (width <= 0 || height <= 0) return true; // no pixels follow

    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 3;
    const char* pixels = bytes <= in_.Remaining() ? in_.TakeBytes(size_t(bytes)) : nullptr;
    if (!pixels)
        return Fail("the texture of " + what + " \"" + material.name + "\" (" + std::to_string(width) +
                    " x " + std::to_string(height) + " pixels, " + std::to_string(bytes) +
                    " bytes) runs past the end of the file, which has " + std::to_string(in_.Remaining()) +
                    " bytes left");
    auto texture = std::make_unique<TextureImage>();
    texture->width = width;
    texture->height = height;
    texture->pixels.assign(pixels, pixels + bytes);
    material.texture = std::move(texture);
    // The 2D drawing keeps the full resolution; only the 3D texture is held to the limit.
    MakeBitmap(material);
    ApplySizeLimit(material, textureSizeLimit_);
    return true;
}

void TextModelReader::ReadMaterials() {
    const int32_t count = in_.Int();
    for (int32_t m = 0; m < count && !in_.NoWordLeft(); ++m) {
        const size_t index = model_.materials.size();
        Material* material = model_.AppendMaterial(std::make_unique<Material>());
        if (!ReadMaterialRecord(*material, true, "material " + std::to_string(index))) return;
    }
}

void TextModelReader::ReadParts() {
    const int32_t count = in_.Int();
    if (count <= 0) return;
    if (!document_.development) {
        document_.development = std::make_unique<Development>();
        for (auto& text : pendingTexts_) document_.development->texts.push_back(std::move(text));
        pendingTexts_.clear();
    }
    Development& development = *document_.development;
    for (int32_t p = 0; p < count && !in_.NoWordLeft(); ++p) {
        const int32_t solidIndex = in_.Int();
        double box[4];
        for (double& value : box) value = in_.Real();
        // A part of no solid is left out; faces naming it stay outside the development.
        if (!InRange(solidIndex, model_.solids.size())) {
            partsInFileOrder_.push_back(nullptr);
            continue;
        }
        Part* part = development.AppendPart(std::make_unique<Part>());
        part->solid = model_.solids[size_t(solidIndex)].get();
        part->x = box[0];
        part->y = box[1];
        part->width = box[2];
        part->height = box[3];
        partsInFileOrder_.push_back(part);
    }
    AttachFaces();
}

void TextModelReader::AttachFaces() {
    // Each round takes in the faces read since the last one. A face whose part record has been read is
    // attached; any other waits, since a later parts section may bring its record. A resolved index never
    // changes, so no face is visited twice and many sections stay cheap.
    for (Face* face : facesSinceAttach_)
        if (face->partIndex >= 0) facesAwaitingPart_.emplace(face->partIndex, face);
    facesSinceAttach_.clear();
    while (!facesAwaitingPart_.empty() &&
           size_t(facesAwaitingPart_.begin()->first) < partsInFileOrder_.size()) {
        const auto [index, face] = *facesAwaitingPart_.begin();
        facesAwaitingPart_.erase(facesAwaitingPart_.begin());
        face->part = partsInFileOrder_[size_t(index)];
        if (face->part) face->part->faces.push_back(face);
    }
}

void TextModelReader::ReadTexts() {
    const int32_t count = in_.Int();
    for (int32_t t = 0; t < count && !in_.NoWordLeft(); ++t) {
        auto text = std::make_unique<TextBlock>();
        in_.Int();
        in_.SkipRestOfLine();
        text->fontName = in_.Line(kMaxTextLineChars);
        text->lines.push_back(in_.Line(kMaxTextLineChars));
        text->fontSize = in_.Int();
        text->rect[0] = in_.Real();
        text->rect[1] = in_.Real();
        text->rect[2] = FiniteOrZero(in_.Real() * 10); // cm to mm
        text->rect[3] = FiniteOrZero(in_.Real() * 10);
        in_.Word();
        // Unsigned arithmetic: channels out of 0..255 mix into each other but never overflow.
        const uint32_t red = uint32_t(in_.Int());
        const uint32_t green = uint32_t(in_.Int());
        const uint32_t blue = uint32_t(in_.Int());
        text->color = int32_t(red + 256u * green + 65536u * blue);
        if (document_.development)
            document_.development->texts.push_back(std::move(text));
        else
            pendingTexts_.push_back(std::move(text));
    }
}

void TextModelReader::ReadInfo() {
    DisplaySettings& settings = document_.display;
    for (;;) {
        const std::string_view key = in_.Word();
        if (key.empty() || key == "/info") break;
        if (key == "dMag3d") {
            values_.mag3d = in_.Real();
        } else if (key == "dMag2d") {
            values_.mag2d = in_.Real();
        } else if (key == "bReverse") {
            values_.reverse = in_.Int();
        } else if (key == "iAngleEps") {
            settings.flatFoldAngleDegrees = in_.Int();
        } else if (key == "iTaniLineType") {
            values_.valleyLineCode = in_.Int();
        } else if (key == "iYamaLineType") {
            values_.mountainLineCode = in_.Int();
        } else if (key == "iCutLineType") {
            values_.cutLineCode = in_.Int();
        } else if (key == "bDrawFlap") {
            settings.drawFlaps = in_.Int() != 0;
        } else if (key == "bDrawNumber") {
            settings.drawEdgeIds = in_.Int() != 0;
        } else if (key == "bUseMaterial") {
            settings.useMaterials = in_.Int() != 0;
        } else if (key == "iEdgeNumberFontSize") {
            settings.edgeIdFontSizePt = in_.Int();
        } else if (key == "bEdgeIdReverse") {
            settings.invertEdgeIds = in_.Int() != 0;
        } else if (key == "bEnableLineAlpha" || key == "dTextureLineAlpha") {
            in_.Word();
        } else if (key == "bCullEdge") {
            settings.omitFlatFolds = in_.Int() != 0;
        } else if (key == "iPageType") {
            values_.pageType = in_.Int();
        } else if (key == "dPageMarginSide") {
            settings.marginSideMM = TruncToInt32(in_.Real() * 10); // cm to whole mm
        } else if (key == "dPageMarginTop") {
            settings.marginTopMM = TruncToInt32(in_.Real() * 10);
        } else if (key == "bDrawWhiteBkLine") {
            settings.whiteLinesUnderFolds = in_.Int() != 0;
        }
    }
    ConvertTextModel(document_, values_, completion_, autoFlapAngles_);
}

void TextModelReader::Finish() {
    // Materials may come after the faces that name them, so only now can a stray index be told apart.
    for (auto& solid : model_.solids)
        for (auto& face : solid->faces)
            if (face->materialIndex != -1 && !InRange(face->materialIndex, model_.materials.size()))
                face->materialIndex = -1;
    // Texts of a file without development have nowhere to go.
    pendingTexts_.clear();
}

} // namespace

TextReader::TextReader(std::string path, Document& document, ImportKind kind, IPrompt& prompt,
                       IModelCompletion& completion, const Settings& settings)
    : path_(std::move(path)), document_(document), kind_(kind), prompt_(prompt), completion_(completion),
      textureSizeLimit_(TextureSizeLimit(settings)), autoFlapAngles_(settings.autoFlapAnglesForOldFiles) {}

Outcome TextReader::LoadFromBytes(std::string_view bytes) {
    // The info values go into the document's display block when importing too, so the import flag plays
    // no part here.
    static_cast<void>(kind_);
    failureReason_.clear();
    TextModelReader reader(document_, completion_, textureSizeLimit_, autoFlapAngles_, failureReason_, bytes);
    return reader.Run();
}

Outcome TextReader::Load() {
    failureReason_.clear();
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failureReason_ = std::string("the file cannot be opened (") + std::strerror(errno) + ")";
        prompt_.Message("error" + path_);
        return Outcome::Failed(failureReason_);
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        failureReason_ = "it is not a regular file";
        prompt_.Message("error" + path_);
        return Outcome::Failed(failureReason_);
    }
    if (uint64_t(info.st_size) > kMaxFileBytes) {
        ::close(fd);
        failureReason_ = "the file is larger than 2 GiB";
        return Outcome::Failed(failureReason_);
    }
    std::string bytes(size_t(info.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failureReason_ = std::string("the file cannot be read (") + std::strerror(errno) + ")";
            ::close(fd);
            return Outcome::Failed(failureReason_);
        }
        if (n == 0) break; // shrank while being read: what is there is all there is
        done += size_t(n);
    }
    ::close(fd);
    bytes.resize(done);
    return LoadFromBytes(bytes);
}

} // namespace tsm
