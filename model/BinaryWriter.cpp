#include "model/BinaryWriter.h"

#include "model/AtomicFile.h"
#include "model/BuildOrderFile.h"
#include "model/WriterLocale.h"

#include <cstring>
#include <unordered_map>
#include <zlib.h>

namespace tsm {

namespace {

// Little-endian primitives in the order the reader takes them.
class ByteWriter {
public:
    void Raw(const void* data, size_t size) { out_.append(static_cast<const char*>(data), size); }
    void I32(int32_t value) {
        const uint32_t bits = uint32_t(value);
        const char bytes[4] = {char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24)};
        Raw(bytes, 4);
    }
    void F32(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        I32(int32_t(bits));
    }
    void F64(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, 8);
        char bytes[8];
        for (int i = 0; i < 8; ++i) bytes[i] = char(bits >> (8 * i));
        Raw(bytes, 8);
    }
    void Bool(bool value) { out_.push_back(value ? 1 : 0); }
    // The terminating zero byte is part of the count, as in every file of this format.
    void Str(const std::string& text) {
        I32(int32_t(text.size() + 1));
        Raw(text.data(), text.size());
        out_.push_back('\0');
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

bool UsableTexture(const TextureImage* texture) {
    return texture && texture->width > 0 && texture->height > 0 &&
           texture->pixels.size() == size_t(texture->width) * size_t(texture->height) * 3;
}

// Width, height, compressed size and the zlib stream.
void WriteTexture(ByteWriter& out, const TextureImage& texture) {
    uLongf compressedSize = compressBound(uLong(texture.pixels.size()));
    std::vector<uint8_t> compressed(compressedSize);
    if (compress2(compressed.data(), &compressedSize, texture.pixels.data(), uLong(texture.pixels.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        compressedSize = 0; // only on exhausted memory; the reader then refuses the texture
    out.I32(texture.width);
    out.I32(texture.height);
    out.I32(int32_t(compressedSize));
    out.Raw(compressed.data(), compressedSize);
}

template <typename T>
std::unordered_map<const T*, int32_t> IndexOf(const std::vector<std::unique_ptr<T>>& items) {
    std::unordered_map<const T*, int32_t> index;
    index.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) index.emplace(items[i].get(), int32_t(i));
    return index;
}

template <typename T> int32_t Lookup(const std::unordered_map<const T*, int32_t>& index, const T* item) {
    const auto it = index.find(item);
    return it == index.end() ? -1 : it->second;
}

} // namespace

BinaryWriteOptions SaveOptionsFor(const Document& document) {
    BinaryWriteOptions options;
    if (!document.writerLocale.empty()) {
        options.writerLocale = document.writerLocale;
        options.writerCharset = CodePageForLocale(document.writerLocale);
    }
    return options;
}

std::string SerializeBinaryModel(const Document& document, const DisplaySettings& display,
                                 const BinaryWriteOptions& options) {
    ByteWriter out;
    const std::string headerLine = "version 3\n";
    out.Raw(headerLine.data(), headerLine.size());
    out.I32(options.version);
    out.I32(options.minorVersion);
    out.I32(options.writerLevel);
    out.Str(options.writerLocale);
    out.Str(options.writerCharset);
    // The block after the header carries nothing this system uses.
    out.I32(0);
    out.Str("");

    const Mesh& model = *document.model;
    const Development* development = document.development.get();
    out.F64(model.size);
    out.F64(model.center.x);
    out.F64(model.center.y);
    out.F64(model.center.z);

    std::unordered_map<const Part*, int32_t> partIndex;
    if (development) partIndex = IndexOf(development->parts);
    // Faces are named by their position in their own solid (lines and edges both use that).
    std::unordered_map<const Face*, int32_t> faceIndex;
    std::unordered_map<const Vertex*, int32_t> vertexIndex;

    out.I32(int32_t(model.solids.size()));
    for (const auto& solid : model.solids) {
        for (size_t i = 0; i < solid->faces.size(); ++i) faceIndex[solid->faces[i].get()] = int32_t(i);
        for (size_t i = 0; i < solid->vertices.size(); ++i)
            vertexIndex[solid->vertices[i].get()] = int32_t(i);

        out.Str(solid->name);
        out.Bool(solid->inDevelopment);
        out.I32(int32_t(solid->vertices.size()));
        for (const auto& vertex : solid->vertices) {
            out.F64(vertex->position.x);
            out.F64(vertex->position.y);
            out.F64(vertex->position.z);
        }
        out.I32(int32_t(solid->faces.size()));
        for (const auto& face : solid->faces) {
            out.I32(face->materialIndex);
            // The part the face lies in is the truth; the stored index only matters without one.
            out.I32(face->part ? Lookup(partIndex, static_cast<const Part*>(face->part)) : face->partIndex);
            for (double value : face->plane) out.F64(value);
            out.I32(int32_t(face->halfEdges.size()));
            for (const auto& corner : face->halfEdges) {
                out.I32(Lookup(vertexIndex, static_cast<const Vertex*>(corner->vertex)));
                out.F64(corner->x2d);
                out.F64(corner->y2d);
                out.F64(corner->u);
                out.F64(corner->v);
                out.Bool(corner->hasFlap);
                out.F64(corner->flapHeight);
                out.F64(corner->flapAngle1);
                out.F64(corner->flapAngle2);
                for (float channel : corner->flapColor) out.F32(channel);
                for (float channel : corner->sideColor) out.F32(channel);
            }
        }
        out.I32(int32_t(solid->edges.size()));
        for (const auto& edge : solid->edges) {
            out.I32(edge->halfEdge1 ? Lookup(faceIndex, static_cast<const Face*>(edge->halfEdge1->face))
                                    : -1);
            out.I32(edge->halfEdge2 ? Lookup(faceIndex, static_cast<const Face*>(edge->halfEdge2->face))
                                    : -1);
            out.I32(Lookup(vertexIndex, static_cast<const Vertex*>(edge->vertex1)));
            out.I32(Lookup(vertexIndex, static_cast<const Vertex*>(edge->vertex2)));
            out.Bool(edge->halfEdge1 && edge->halfEdge1->Joined());
            out.Bool(edge->edgeFlag);
            out.I32(static_cast<int32_t>(edge->edgeClass));
        }
    }

    out.I32(int32_t(model.materials.size()));
    for (const auto& material : model.materials) {
        out.Str(material->name);
        for (float channel : material->ambient) out.F32(channel);
        for (float channel : material->diffuse) out.F32(channel);
        for (float channel : material->emission) out.F32(channel);
        for (float channel : material->specular) out.F32(channel);
        out.F32(material->shininess);
        for (float channel : material->flatColor) out.F32(channel);
        const bool hasTexture = UsableTexture(material->texture.get());
        out.Bool(hasTexture);
        if (hasTexture) WriteTexture(out, *material->texture);
    }

    out.Bool(development != nullptr);
    if (development) {
        const auto solidIndex = IndexOf(model.solids);
        out.F64(development->scale);
        out.Bool(development->reversed);
        for (double value : development->frame) out.F64(value);
        out.I32(int32_t(development->parts.size()));
        for (const auto& part : development->parts) {
            out.I32(Lookup(solidIndex, static_cast<const Solid*>(part->solid)));
            out.F64(part->x);
            out.F64(part->y);
            out.F64(part->width);
            out.F64(part->height);
            out.I32(int32_t(part->lines.size()));
            for (const auto& line : part->lines) {
                out.Bool(line->hidden);
                out.I32(static_cast<int32_t>(line->lineKind));
                for (const HalfEdge* side : {line->first, line->second}) {
                    out.Bool(side != nullptr);
                    if (!side) continue;
                    out.I32(Lookup(faceIndex, static_cast<const Face*>(side->face)));
                    out.I32(Lookup(vertexIndex, static_cast<const Vertex*>(side->vertex)));
                }
            }
        }

        out.I32(int32_t(development->texts.size()));
        for (const auto& text : development->texts) {
            for (double value : text->rect) out.F64(value);
            out.F64(double(text->lineSpacing));
            out.I32(text->color);
            out.I32(text->fontSize);
            out.Str(text->fontName);
            out.I32(int32_t(text->lines.size()));
            for (const std::string& line : text->lines) out.Str(line);
        }

        // A picture is its image; one without pixels has nothing to save.
        for (const auto* images : {&development->imagesA, &development->imagesB}) {
            int32_t count = 0;
            for (const auto& image : *images)
                if (image->material && UsableTexture(image->material->texture.get())) ++count;
            out.I32(count);
            for (const auto& image : *images) {
                if (!image->material || !UsableTexture(image->material->texture.get())) continue;
                for (double value : image->rect) out.F64(value);
                WriteTexture(out, *image->material->texture);
            }
        }
    }

    out.Bool(display.drawFlaps);
    out.Bool(display.drawEdgeIds);
    out.Bool(display.invertEdgeIds);
    out.Bool(display.useMaterials);
    out.Bool(display.omitFlatFolds);
    out.I32(display.flatFoldAngleDegrees);
    out.Bool(display.whiteLinesUnderFolds);
    out.I32(display.mountainLineStyle);
    out.I32(display.valleyLineStyle);
    out.I32(display.cutLineStyle);
    out.I32(display.edgeIdFontSizePt);
    out.I32(display.paperSize);
    out.I32(display.paperOrientation);
    out.I32(display.marginSideMM);
    out.I32(display.marginTopMM);
    for (double value : display.mountainDash) out.F64(value);
    for (double value : display.valleyDash) out.F64(value);
    out.Bool(display.colorFlapsLikeFaces);
    out.F64(display.defaultFlapHeightMM);

    out.I32(0); // trailer
    return out.Take();
}

Outcome WriteBinaryModel(const Document& document, const DisplaySettings& display, const std::string& path,
                         const BinaryWriteOptions& options) {
    Outcome written = WriteWholeFile(path, SerializeBinaryModel(document, display, options));
    if (!written.ok()) return written;
    return SaveBuildOrderBeside(path, document.development.get());
}

} // namespace tsm
