#include "sheet/ExporterEPS.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "engine/Flaps.h"
#include "model/AtomicFile.h"
#include "model/Settings.h"
#include "sheet/TextNumbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Line style values of cutLineStyle, mountainLineStyle and valleyLineStyle.
enum EpsLineStyle : int32_t { kStyleSolid = 0, kStyleNone = 1, kStyleValleyDash = 2, kStyleMountainDash = 3 };

// printf("%d", (int)value) for a value that may be out of range or NaN on a damaged development.
int64_t TruncatedInt(double value) {
    if (!(value == value)) return 0;
    const double clamped = std::clamp(value, static_cast<double>(std::numeric_limits<int32_t>::min()),
                                      static_cast<double>(std::numeric_limits<int32_t>::max()));
    return static_cast<int64_t>(std::trunc(clamped));
}

Point2 NextPosition(const HalfEdge& h) {
    return h.next != nullptr ? h.next->Pos2D() : h.Pos2D();
}

// Appends the pattern's dash statement: up to three (line, gap) pairs, stopping at the first pair with a
// value that is not positive.
void AppendDash(std::string& out, const double (&patternMM)[6]) {
    out += "\n[";
    for (int pair = 0; pair < 3; ++pair) {
        const double on = patternMM[2 * pair];
        const double off = patternMM[2 * pair + 1];
        if (!(on > 0 && off > 0)) break;
        AppendFixed6(out, on / kMillimetresPerPoint);
        out += ' ';
        AppendFixed6(out, off / kMillimetresPerPoint);
        out += ' ';
    }
    out += "] 0 setdash";
}

const Material* FaceMaterial(const Face& face) {
    const Mesh* model = face.solid != nullptr ? face.solid->model : nullptr;
    if (model == nullptr) return nullptr;
    // -1 is the "no material" value; any other index outside the list (damaged file) is treated alike.
    if (face.materialIndex >= 0 && static_cast<size_t>(face.materialIndex) < model->materials.size() &&
        model->materials[face.materialIndex] != nullptr)
        return model->materials[face.materialIndex].get();
    return &model->defaultMaterial;
}

// Converts a part's corner positions to points on the flipped page.
class PageMapping {
public:
    PageMapping(const Development& development, double heightPt)
        : minX_(development.frame[0]), minY_(development.frame[1]), heightPt_(heightPt) {}

    void SetPart(const Part& part) {
        ox_ = part.x;
        oy_ = part.y;
    }
    // Millimetres from the frame's top left corner, y still downwards.
    Point2 RelativeMM(const Point2& p) const { return {ox_ + p.x - minX_, oy_ + p.y - minY_}; }

    void AppendPoint(std::string& out, const Point2& p) const {
        const Point2 mm = RelativeMM(p);
        AppendFixed6(out, mm.x / kMillimetresPerPoint);
        out += ' ';
        AppendFixed6(out, heightPt_ - mm.y / kMillimetresPerPoint);
    }

private:
    double minX_, minY_, heightPt_;
    double ox_ = 0, oy_ = 0;
};

void AppendMove(std::string& out, const PageMapping& map, const char* prefix, const Point2& p,
                const char* op) {
    out += prefix;
    map.AppendPoint(out, p);
    out += op;
}

} // namespace

ExporterEPS::ExporterEPS(const Settings& settings, const EpsOptions& options)
    : settings_(settings), options_(options) {}

ExporterEPS::~ExporterEPS() = default;

Outcome ExporterEPS::Export(const std::string& path, Development& development) {
    return WriteWholeFile(path, BuildText(development));
}

std::string ExporterEPS::BuildText(Development& development) {
    development_ = &development;
    ComputeDevelopmentExtent(development, true);
    heightPt_ = development.frame[3] / kMillimetresPerPoint;

    // Room for the longest statements of every pass, so the text never moves while it grows: a face
    // corner takes up to about 30 bytes, a line with its flap, white underlay and dash about 400, an edge
    // ID about 70. Reserved pages that stay unused are never touched.
    size_t corners = 0, lines = 0;
    for (auto& part : development.parts) {
        if (part == nullptr) continue;
        lines += part->lines.size();
        for (Face* face : part->faces)
            if (face != nullptr) corners += face->halfEdges.size();
    }
    text_.clear();
    text_.reserve(256 + corners * 100 + lines * 400);
    WriteHeader();
    if (settings_.drawFlaps) WriteFlaps();
    if (!options_.notFillFaces) WriteFaces();
    WriteLines();
    if (settings_.drawEdgeIds) WriteEdgeIds();
    development_ = nullptr;
    return std::move(text_);
}

void ExporterEPS::WriteHeader() {
    text_ += "%!PS-Adobe EPSF-3\n%%BoundingBox:0 0 ";
    AppendInt(text_, TruncatedInt(development_->frame[2] / kMillimetresPerPoint));
    text_ += ' ';
    AppendInt(text_, TruncatedInt(development_->frame[3] / kMillimetresPerPoint));
    text_ += '\n';
}

void ExporterEPS::WriteFlaps() {
    PageMapping map(*development_, heightPt_);
    for (auto& part : development_->parts) {
        if (part == nullptr) continue;
        map.SetPart(*part);
        for (auto& line : part->lines) {
            if (line == nullptr || line->first == nullptr) continue;
            const DrawKind kind = line->drawKind;
            if (kind != DrawKind::FlapMountain && kind != DrawKind::FlapValley && kind != DrawKind::FlapOnly)
                continue;
            const std::array<Point2, 4> p = FlapOutline(*line->first);
            if (!options_.notFillFlaps) {
                text_ += "\nnewpath";
                AppendMove(text_, map, "\n", p[0], " moveto");
                AppendMove(text_, map, "\n", p[1], " lineto");
                AppendMove(text_, map, "\n", p[2], " lineto");
                AppendMove(text_, map, "\n", p[3], " lineto");
                text_ += "\nclosepath\n1.0 1.0 1.0 setrgbcolor\nfill";
            }
            // The outline stays open at the base: the fold there is written with the lines.
            text_ += "\n0.0 0.0 0.0 setrgbcolor";
            AppendMove(text_, map, "\n", p[0], " moveto");
            AppendMove(text_, map, "\n", p[1], " lineto");
            AppendMove(text_, map, "\n", p[2], " lineto");
            AppendMove(text_, map, "\n", p[3], " lineto");
            text_ += "\nstroke";
        }
    }
}

void ExporterEPS::WriteFaces() {
    const bool useMaterial = settings_.useMaterials;
    PageMapping map(*development_, heightPt_);
    for (auto& part : development_->parts) {
        if (part == nullptr) continue;
        map.SetPart(*part);
        for (Face* face : part->faces) {
            if (face == nullptr) continue;
            text_ += "\nnewpath";
            bool first = true;
            for (auto& corner : face->halfEdges) {
                if (corner == nullptr) continue;
                AppendMove(text_, map, "\n ", corner->Pos2D(), first ? " moveto" : " lineto");
                first = false;
            }
            text_ += "\nclosepath";
            const Material* material = useMaterial ? FaceMaterial(*face) : nullptr;
            if (material == nullptr || material->texture != nullptr) {
                // Textures are not exported; such faces are left white like faces without materials.
                text_ += "\n1.0 1.0 1.0 setrgbcolor";
            } else {
                text_ += '\n';
                AppendFixed6(text_, material->flatColor[0]);
                text_ += ' ';
                AppendFixed6(text_, material->flatColor[1]);
                text_ += ' ';
                AppendFixed6(text_, material->flatColor[2]);
                text_ += " setrgbcolor";
            }
            text_ += "\nfill";
        }
    }
}

void ExporterEPS::WriteLines() {
    PageMapping map(*development_, heightPt_);
    text_ += "\n0.0 0.0 0.0 setrgbcolor";
    for (auto& part : development_->parts) {
        if (part == nullptr) continue;
        map.SetPart(*part);
        for (auto& line : part->lines) {
            if (line == nullptr || line->hidden || line->first == nullptr) continue;
            int32_t style;
            switch (line->drawKind) {
            case DrawKind::Cut:
                style = settings_.cutLineStyle;
                break;
            case DrawKind::Mountain:
            case DrawKind::FlapMountain:
                style = settings_.mountainLineStyle;
                break;
            case DrawKind::Valley:
            case DrawKind::FlapValley:
                style = settings_.valleyLineStyle;
                break;
            default:
                continue;
            }
            if (style == kStyleNone) continue;
            const Point2 a = line->first->Pos2D();
            const Point2 b = NextPosition(*line->first);
            if (settings_.whiteLinesUnderFolds && style != kStyleSolid) {
                // A white solid line under the dashes so that the gaps do not show the face colour.
                text_ += "\n1.0 1.0 1.0 setrgbcolor\n[] 0 setdash";
                AppendMove(text_, map, "\n", a, " moveto");
                AppendMove(text_, map, "\n", b, " lineto");
                text_ += "\nstroke\n0.0 0.0 0.0 setrgbcolor";
            }
            if (style == kStyleSolid) {
                text_ += "\n[] 0 setdash";
            } else if (style == kStyleValleyDash) {
                AppendDash(text_, settings_.valleyDash);
            } else if (style == kStyleMountainDash) {
                AppendDash(text_, settings_.mountainDash);
            }
            AppendMove(text_, map, "\n", a, " moveto");
            AppendMove(text_, map, "\n", b, " lineto");
            text_ += "\nstroke";
        }
    }
}

void ExporterEPS::WriteEdgeIds() {
    PageMapping map(*development_, heightPt_);
    text_ += "\n[]0 setdash\n0.0 0.0 0.0 setrgbcolor\n/Arial findfont\n";
    AppendInt(text_, settings_.edgeIdFontSizePt);
    text_ += " scalefont setfont";
    // The number sits on the side of the edge the reader faces; which end is "A" decides that side.
    const bool thisCornerFirst = development_->reversed != settings_.invertEdgeIds;
    const double charSize = settings_.edgeIdFontSizePt * 0.7;
    for (auto& part : development_->parts) {
        if (part == nullptr) continue;
        map.SetPart(*part);
        for (Face* face : part->faces) {
            if (face == nullptr) continue;
            for (auto& corner : face->halfEdges) {
                if (corner == nullptr || corner->edge == nullptr || corner->edge->edgeId == -1) continue;
                const int id = corner->edge->edgeId;
                const Point2 here = map.RelativeMM(corner->Pos2D());
                const Point2 next = map.RelativeMM(NextPosition(*corner));
                const Point2 a = thisCornerFirst ? here : next;
                const Point2 b = thisCornerFirst ? next : here;

                const double length = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
                // A zero-length edge has no direction; its number is written unrotated rather than with
                // a NaN angle that no PostScript interpreter accepts.
                double theta = length > 0 ? std::asin(std::clamp((b.y - a.y) / length, -1.0, 1.0)) : 0.0;
                if (b.x - a.x > 0) theta = kPi - theta;

                const double midX = (a.x + b.x) / 2 / kMillimetresPerPoint;
                const double midY = heightPt_ - ((a.y + b.y) / 2) / kMillimetresPerPoint;
                // Only positive numbers have a logarithm; anything else a damaged file holds counts as one
                // digit wide.
                const int digits = id > 0 ? static_cast<int>(std::log10(static_cast<double>(id)) + 1) : 1;
                const double dx = -0.5 * digits * charSize;
                const double dy = 0.2 * charSize;
                const double c = std::cos(theta);
                const double s = std::sin(theta);

                text_ += "\ninitmatrix\n";
                AppendFixed6(text_, midX + dx * c - dy * s);
                text_ += ' ';
                AppendFixed6(text_, midY + dx * s + dy * c);
                text_ += " moveto\n";
                AppendFixed6(text_, theta * 180 / kPi);
                text_ += " rotate\n(";
                AppendInt(text_, id);
                text_ += ")show";
            }
        }
    }
}

} // namespace tsm
