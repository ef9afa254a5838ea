#include "sheet/SvgExport.h"

#include "engine/Extents.h"
#include "engine/FlapOutline.h"
#include "engine/Flaps.h"
#include "model/AtomicFile.h"
#include "model/Settings.h"
#include "sheet/EmfWriter.h"
#include "sheet/PartNumberLabels.h"
#include "sheet/SvgAnnotations.h"
#include "sheet/SvgPrintedLines.h"
#include "sheet/VectorLines.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace tsm {

namespace {

// Dashes and flap pieces are computed at the reference screen's scale, exactly as for the metafile, and
// converted back to millimetres, so that both outputs show the same drawing at the same size.
constexpr double kPixelsPerMM = kScreenPixelsPerMM;

const char* const kTitleFallback = "Tessaly Designer image";

std::string HexColour(const PenColour& c) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "#";
    for (uint8_t v : {c.r, c.g, c.b}) {
        out += digits[v >> 4];
        out += digits[v & 15];
    }
    return out;
}

// Size of the UTF-8 sequence starting at `i`, or 0 when the bytes there are not one valid character.
size_t Utf8SequenceLength(const std::string& s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;  // no overlong forms
        if (c == 0xED) high = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F; // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    }
    // U+FFFE and U+FFFF are not characters XML allows.
    if (length == 3 && c == 0xEF && byte(i + 1) == 0xBF && byte(i + 2) >= 0xBE) return 0;
    return length;
}

const Material* FaceMaterial(const Mesh& model, const Face& face) {
    // -1 is "no material"; any other index outside the list (a damaged file) is treated alike.
    if (face.materialIndex >= 0 && static_cast<size_t>(face.materialIndex) < model.materials.size() &&
        model.materials[face.materialIndex] != nullptr) {
        return model.materials[face.materialIndex].get();
    }
    return &model.defaultMaterial;
}

// Faces as the EPS export fills them: white without materials or with a texture (textures are not
// exported), else the material's flat colour.
PenColour FaceFill(const Mesh* model, const Face& face, const Settings& settings) {
    if (!settings.useMaterials || model == nullptr) return {255, 255, 255};
    const Material* material = FaceMaterial(*model, face);
    if (material == nullptr || material->texture != nullptr) return {255, 255, 255};
    return PenColourOf(material->flatColor);
}

void AppendPoints(std::string& out, const std::vector<Point2>& points) {
    out += " points=\"";
    for (size_t i = 0; i < points.size(); ++i) {
        if (i > 0) out += ' ';
        out += SvgNumber(points[i].x);
        out += ',';
        out += SvgNumber(points[i].y);
    }
    out += '"';
}

void OpenInkscapeLayer(std::string& out, const char* id, const char* label, const char* extra) {
    out += "<g id=\"";
    out += id;
    out += "\" inkscape:groupmode=\"layer\" inkscape:label=\"";
    out += label;
    out += '"';
    out += extra;
    out += ">\n";
}

// Collects the renderer's segments per layer as SVG line elements in millimetres.
class SvgLineOutput : public VectorOutput {
public:
    std::array<std::string, 4> layers; // indexed by VectorLayer
    double widthPixelsPerMM = kPixelsPerMM;

    void SetLayer(VectorLayer layer) override { layer_ = static_cast<size_t>(layer); }
    void SetPen(const PenColour& colour, int widthDevice) override {
        stroke_ = " stroke=\"" + HexColour(colour) + "\" stroke-width=\"" +
                  SvgNumber(widthDevice / widthPixelsPerMM) + "\"/>\n";
    }
    void Segment(const Point2& a, const Point2& b) override {
        std::string& out = layers[layer_];
        out += "<line x1=\"" + SvgNumber(a.x / kPixelsPerMM) + "\" y1=\"" + SvgNumber(a.y / kPixelsPerMM) +
               "\" x2=\"" + SvgNumber(b.x / kPixelsPerMM) + "\" y2=\"" + SvgNumber(b.y / kPixelsPerMM) + '"';
        out += stroke_;
    }

private:
    size_t layer_ = static_cast<size_t>(VectorLayer::Cut);
    std::string stroke_ = " stroke=\"#000000\" stroke-width=\"0.2646\"/>\n";
};

std::string TitleOf(const Document& document) {
    const std::string& path = document.path;
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? kTitleFallback : name;
}

} // namespace

std::string SvgNumber(double value) {
    if (!std::isfinite(value)) return "0";
    char buffer[400]; // the longest finite double in fixed notation has 309 integer digits
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    std::string text(buffer, result.ptr);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return text;
}

std::string EscapeXml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                out += '?'; // not allowed in XML 1.0 at all
            } else if (c < 0x80) {
                out += static_cast<char>(c);
            } else {
                const size_t length = Utf8SequenceLength(text, i);
                if (length == 0) {
                    out += '?';
                } else {
                    out.append(text, i, length);
                    i += length;
                    continue;
                }
            }
        }
        ++i;
    }
    return out;
}

std::string SvgDrawingGroups(const Document& document, const Settings& settings, const SvgOptions& options,
                             bool asLayers) {
    Development empty;
    Development& development = document.development != nullptr ? *document.development : empty;
    const Mesh* model = document.model.get();
    const auto OpenLayer = [asLayers](std::string& out, const char* id, const char* label,
                                      const char* extra) {
        if (asLayers) {
            OpenInkscapeLayer(out, id, label, extra);
        } else {
            out += "<g";
            out += extra;
            out += ">\n";
        }
    };

    std::string out;
    // Each group only when it has something, so that a drawing without texts or pictures stays as it was.
    const auto group = [&](const char* id, const char* label, const char* extra, const std::string& body) {
        if (body.empty()) return;
        OpenLayer(out, id, label, extra);
        out += body;
        out += "</g>\n";
    };
    group("pictures-below", "Pictures below", "", SvgPictures(development.imagesA));
    // The print draws translucent lines into its bitmap, flap outlines there under the faces.
    const bool bitmapLines = options.printDpi > 0 && settings.translucentLines;
    const double linePixelsPerMM =
        options.printDpi > 0 ? PrintedLinePixelsPerMM(settings, options.printDpi) : kPixelsPerMM;
    // Flaps lie under the faces, as the raster drawing has them.
    if (bitmapLines && options.fillFlaps && settings.drawFlaps) {
        group("flaps", "Flaps", " fill=\"none\"", SvgPrintedFlaps(development, settings, linePixelsPerMM));
    } else if (options.fillFlaps && settings.drawFlaps) {
        OpenLayer(out, "flaps", "Flaps", " fill=\"#ffffff\" stroke=\"none\"");
        for (const auto& part : development.parts) {
            if (part == nullptr) continue;
            const Point2 offset{part->x, part->y};
            for (const auto& line : part->lines) {
                if (line == nullptr || line->first == nullptr || !HasDrawnFlap(line->drawKind)) continue;
                std::vector<Point2> points;
                for (const Point2& p : FlapOutline(*line->first)) points.push_back(offset + p);
                out += "<polygon";
                AppendPoints(out, points);
                out += "/>\n";
            }
        }
        out += "</g>\n";
    }
    if (options.fillFaces) {
        SvgTextureFills textures;
        OpenLayer(out, "faces", "Faces", " stroke=\"none\"");
        for (const auto& part : development.parts) {
            if (part == nullptr) continue;
            const Point2 offset{part->x, part->y};
            for (const Face* face : part->faces) {
                if (face == nullptr || face->CornerCount() < 3) continue;
                std::vector<Point2> points;
                for (const auto& corner : face->halfEdges) points.push_back(offset + corner->Pos2D());
                std::string fill = HexColour(FaceFill(model, *face, settings));
                if (settings.useMaterials && model != nullptr) {
                    // Textured faces show their texture, as printed.
                    const Material* material = FaceMaterial(*model, *face);
                    if (material != nullptr &&
                        (material->texture != nullptr || material->bitmap != nullptr)) {
                        const std::string textured = textures.FillFor(*face, *material, offset);
                        if (!textured.empty()) fill = textured;
                    }
                }
                out += "<polygon";
                AppendPoints(out, points);
                out += " fill=\"" + fill + "\"/>\n";
            }
        }
        if (!textures.Defs().empty()) out += "<defs>\n" + textures.Defs() + "</defs>\n";
        out += "</g>\n";
    }

    group("pictures-above", "Pictures above", "", SvgPictures(development.imagesB));

    SvgLineOutput lines;
    lines.widthPixelsPerMM = linePixelsPerMM;
    if (bitmapLines)
        lines.layers = SvgPrintedBitmapLines(development, settings, linePixelsPerMM);
    else
        DrawVectorLines(lines, development, settings, kPixelsPerMM, kPixelsPerMM, DeviceRounding::None);
    // Round ends, as the device pens of the other vector outputs have them; a GL line's ends are square.
    const char* lineStyle = bitmapLines ? " fill=\"none\"" : " fill=\"none\" stroke-linecap=\"round\"";
    const struct {
        VectorLayer layer;
        const char* id;
        const char* label;
    } layers[] = {{VectorLayer::Cut, "cut", "Cut lines"},
                  {VectorLayer::Mountain, "mountain", "Mountain folds"},
                  {VectorLayer::Valley, "valley", "Valley folds"},
                  {VectorLayer::FlapOutline, "flap-outlines", "Flap outlines"}};
    for (const auto& layer : layers) {
        OpenLayer(out, layer.id, layer.label, lineStyle);
        out += lines.layers[static_cast<size_t>(layer.layer)];
        out += "</g>\n";
    }
    // Texts and numbers lie over everything, as the print's overlay does.
    if (options.overlay) {
        group("texts", "Texts", "", SvgTexts(document));
        group("edge-ids", "Edge IDs", "", SvgEdgeIds(development, settings));
        if (options.partNumbers || settings.drawPartNumbers)
            group("part-numbers", "Part numbers", "", SvgPartNumbers(development));
    }
    return out;
}

std::string RenderSvg(const Document& document, const Settings& settings, const SvgOptions& options) {
    Development empty;
    Development& development = document.development != nullptr ? *document.development : empty;
    ComputeDevelopmentExtent(development, true);
    const double* frame = development.frame;

    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\"";
    out += " width=\"" + SvgNumber(frame[2]) + "mm\" height=\"" + SvgNumber(frame[3]) + "mm\"";
    out += " viewBox=\"" + SvgNumber(frame[0]) + ' ' + SvgNumber(frame[1]) + ' ' + SvgNumber(frame[2]) + ' ' +
           SvgNumber(frame[3]) + "\">\n";
    out += "<title>" + EscapeXml(TitleOf(document)) + "</title>\n";
    out += SvgDrawingGroups(document, settings, options, true);
    out += "</svg>\n";
    return out;
}

Outcome ExportSvg(const Document& document, const Settings& settings, const std::string& path,
                  const SvgOptions& options) {
    if (document.development == nullptr) return Outcome::Failed("The model has no development to export.");
    return WriteWholeFile(path, RenderSvg(document, settings, options));
}

} // namespace tsm
