#include "sheet/SvgAnnotations.h"

#include "model/Settings.h"
#include "sheet/CodePage.h"
#include "sheet/DevelopmentOverlay.h"
#include "sheet/DevelopmentRaster.h"
#include "sheet/EdgeLabelDrawing.h"
#include "sheet/SvgExport.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cmath>
#include <cstdio>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMillimetresPerPoint = 25.4 / 72.0;

// The picture's pixels, first row at the top, as PNG; empty when it has none. Images are referred to by
// the XLink attribute, declared where used: SVG 1.1 readers know no other.
QByteArray PicturePng(const Material& material) {
    QImage image;
    if (material.texture != nullptr && material.texture->width > 0 && material.texture->height > 0 &&
        material.texture->pixels.size() >= size_t(material.texture->width) * material.texture->height * 3) {
        const TextureImage& t = *material.texture;
        image = QImage(t.pixels.data(), t.width, t.height, t.width * 3, QImage::Format_RGB888).copy();
    } else if (material.bitmap != nullptr && material.bitmap->width > 0 && material.bitmap->height > 0 &&
               material.bitmap->bits.size() >= size_t(material.bitmap->Stride()) * material.bitmap->height) {
        const Bitmap24& b = *material.bitmap;
        image =
            QImage(b.bits.data(), b.width, b.height, b.Stride(), QImage::Format_BGR888).mirrored(false, true);
    }
    if (image.isNull()) return {};
    // The resolution stored in the PNG would otherwise follow the screen, if there is one.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

std::string HexColorRef(int32_t colorRef) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colorRef & 0xFF, (colorRef >> 8) & 0xFF,
                  (colorRef >> 16) & 0xFF);
    return text;
}

// A line's baseline below its top, in ems: the ascent of the common sans fonts (0.9 to 0.93). Fixed rather
// than measured, so that the file is the same with or without a font system, as in tsmtool.
constexpr double kAscentEm = 0.9;

} // namespace

std::string SvgTextureFills::FillFor(const Face& face, const Material& material, const Point2& offset) {
    auto image = images_.find(&material);
    if (image == images_.end()) {
        const QByteArray png = PicturePng(material);
        std::string id;
        if (!png.isEmpty()) {
            id = "texture-" + std::to_string(images_.size() + 1);
            defs_ += "<image id=\"" + id +
                     "\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" preserveAspectRatio=\"none\" "
                     "xmlns:xlink=\"http://www.w3.org/1999/xlink\" xlink:href=\"data:image/png;base64," +
                     png.toBase64().toStdString() + "\"/>\n";
        }
        image = images_.emplace(&material, id).first;
    }
    if (image->second.empty()) return {};
    // The affine map from texture to development coordinates, from the three corners that span the most.
    const size_t n = face.CornerCount();
    double best = 0;
    double m[6] = {0, 0, 0, 0, 0, 0};
    for (size_t i = 0; i + 2 < n; ++i) {
        for (size_t j = i + 1; j + 1 < n; ++j) {
            for (size_t k = j + 1; k < n; ++k) {
                const HalfEdge &a = *face.Corner(i), &b = *face.Corner(j), &c = *face.Corner(k);
                const double u1 = b.u - a.u, v1 = b.v - a.v, u2 = c.u - a.u, v2 = c.v - a.v;
                const double det = u1 * v2 - u2 * v1;
                if (!(std::fabs(det) > best)) continue;
                best = std::fabs(det);
                const double x1 = b.x2d - a.x2d, y1 = b.y2d - a.y2d, x2 = c.x2d - a.x2d, y2 = c.y2d - a.y2d;
                // [x1 x2; y1 y2] times the inverse of [u1 u2; v1 v2].
                m[0] = (x1 * v2 - x2 * v1) / det;
                m[1] = (y1 * v2 - y2 * v1) / det;
                m[2] = (x2 * u1 - x1 * u2) / det;
                m[3] = (y2 * u1 - y1 * u2) / det;
                m[4] = offset.x + a.x2d - m[0] * a.u - m[2] * a.v;
                m[5] = offset.y + a.y2d - m[1] * a.u - m[3] * a.v;
            }
        }
    }
    if (!(best > 1e-12) || !std::isfinite(m[0] + m[1] + m[2] + m[3] + m[4] + m[5])) return {};
    const std::string id = "fill-" + std::to_string(++patterns_);
    defs_ += "<pattern id=\"" + id + "\" patternUnits=\"userSpaceOnUse\" width=\"1\" height=\"1\" " +
             "patternTransform=\"matrix(" + SvgNumber(m[0]) + ' ' + SvgNumber(m[1]) + ' ' + SvgNumber(m[2]) +
             ' ' + SvgNumber(m[3]) + ' ' + SvgNumber(m[4]) + ' ' + SvgNumber(m[5]) +
             ")\"><use xmlns:xlink=\"http://www.w3.org/1999/xlink\" xlink:href=\"#" + image->second +
             "\"/></pattern>\n";
    return "url(#" + id + ")";
}

std::string SvgPictures(const std::vector<std::unique_ptr<ImageBlock>>& pictures) {
    std::string out;
    for (const auto& picture : pictures) {
        if (picture == nullptr || picture->material == nullptr) continue;
        const double* r = picture->rect;
        if (!std::isfinite(r[0] + r[1] + r[2] + r[3]) || r[2] == 0 || r[3] == 0) continue;
        const QByteArray png = PicturePng(*picture->material);
        if (png.isEmpty()) continue;
        out += "<image x=\"0\" y=\"0\" width=\"1\" height=\"1\" preserveAspectRatio=\"none\" "
               "transform=\"matrix(" +
               SvgNumber(r[2]) + " 0 0 " + SvgNumber(r[3]) + ' ' + SvgNumber(r[0]) + ' ' + SvgNumber(r[1]) +
               ")\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" xlink:href=\"data:image/png;base64," +
               png.toBase64().toStdString() + "\"/>\n";
    }
    return out;
}

std::string SvgTexts(const Document& document) {
    if (document.development == nullptr) return {};
    std::string out;
    for (const auto& block : document.development->texts) {
        if (block == nullptr || block->lines.empty() ||
            !std::isfinite(block->rect[0] + block->rect[1] + block->rect[3]))
            continue;
        const QString family = DecodeModelString(block->fontName, document.writerLocale);
        const double em = block->fontSize * kMillimetresPerPoint;
        if (!(em > 0) || !std::isfinite(em)) continue;
        const size_t n = block->lines.size();
        const double lineHeight = (block->rect[3] - (n - 1) * double(block->lineSpacing)) / n;
        const double ascent = kAscentEm * em;
        for (size_t i = 0; i < n; ++i) {
            const double top = block->rect[1] + (block->lineSpacing + lineHeight) * i;
            out += "<text x=\"" + SvgNumber(block->rect[0]) + "\" y=\"" + SvgNumber(top + ascent) +
                   "\" font-family=\"" + EscapeXml(family.toStdString()) + "\" font-size=\"" + SvgNumber(em) +
                   "\" fill=\"" + HexColorRef(block->color) + "\" xml:space=\"preserve\">" +
                   EscapeXml(DecodeModelStringToUtf8(block->lines[i], document.writerLocale)) + "</text>\n";
        }
    }
    return out;
}

std::string SvgEdgeIds(const Development& development, const Settings& settings) {
    if (!settings.drawEdgeIds) return {};
    if (ShowsReadableEdgeLabels(settings)) return SvgEdgeLabels(ReadableEdgeLabels(development, settings));
    const double em = settings.edgeIdFontSizePt * kMillimetresPerPoint;
    if (!(em > 0)) return {};
    const double lift = kEdgeIdLiftEm * em;
    std::string out;
    ForEachEdgeIdPlacement(development, settings, [&](int edgeId, const EdgeIdPlacement& placement) {
        const Point2 mid = placement.midpointMM;
        if (!std::isfinite(mid.x + mid.y + placement.angle)) return;
        // The placement turns counter-clockwise as seen; SVG's rotate turns clockwise on the sheet.
        const double degrees = -placement.angle * 180.0 / kPi;
        out += "<text transform=\"translate(" + SvgNumber(mid.x) + ' ' + SvgNumber(mid.y) + ") rotate(" +
               SvgNumber(degrees) + ")\" y=\"" + SvgNumber(-lift) + "\">" + std::to_string(edgeId) +
               "</text>\n";
    });
    if (out.empty()) return out;
    return "<g font-family=\"Arial\" font-size=\"" + SvgNumber(em) +
           "\" text-anchor=\"middle\" fill=\"#000000\">\n" + out + "</g>\n";
}

} // namespace tsm
