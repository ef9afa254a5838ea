#include "sheet/DevelopmentRaster.h"

#include "engine/Classify.h"
#include "engine/FlapOutline.h"
#include "engine/Flaps.h"
#include "model/Settings.h"
#include "sheet/EdgeLabelDrawing.h"
#include "sheet/EdgeLabelsGL.h"
#include "sheet/RasterBatch.h"
#include "sheet/RasterFill.h"
#include "sheet/VectorLines.h"
#include "view3d/GLText.h"
#include "view3d/OffscreenBitmap.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <unordered_map>
#include <utility>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMMPerPoint = 25.4 / 72.0;
// Relative size below which two directions count as parallel in the convexity test.
constexpr double kCollinearRelative = 1e-12;
// An edge ID's baseline stands this many ems off its edge, on the glyphs' upper side, as the overlay and
// the EPS output place it: the number stands beside the edge rather than on it.
constexpr double kEdgeIdBaselineLiftEm = 0.2 * 0.7;

bool IsLineKindDrawn(DrawKind drawKind) {
    switch (drawKind) {
    case DrawKind::Cut:
    case DrawKind::Mountain:
    case DrawKind::Valley:
    case DrawKind::FlapMountain:
    case DrawKind::FlapValley:
        return true;
    default:
        return false;
    }
}

double Cross(const Point2& a, const Point2& b) {
    return a.x * b.y - a.y * b.x;
}

double Dot(const Point2& a, const Point2& b) {
    return a.x * b.x + a.y * b.y;
}

PolygonVertex MakeVertex(const Point2& p, double u, double v, const MaterialTexture& texture,
                         double z = 0.0) {
    PolygonVertex vertex;
    vertex.xyz[0] = p.x;
    vertex.xyz[1] = p.y;
    vertex.xyz[2] = z;
    vertex.st[0] = u;
    vertex.st[1] = texture.bottomUp ? 1.0 - v : v;
    return vertex;
}

// ---- Which parts are worth drawing ----

struct Rect {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool empty = true;
    void Add(const Point2& p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
        if (empty) {
            minX = maxX = p.x;
            minY = maxY = p.y;
            empty = false;
            return;
        }
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    bool Meets(const Rect& other) const {
        return !empty && !other.empty && minX <= other.maxX && other.minX <= maxX && minY <= other.maxY &&
               other.minY <= maxY;
    }
};

// Whether the part may leave pixels in `visible`, from its corners rather than its stored box, which a
// damaged file can get wrong; the drawing must not lose a visible part to it.
bool PartMeets(const Part& part, bool withFlaps, const Rect& visible) {
    Rect box;
    const Point2 offset{part.x, part.y};
    for (const Face* face : part.faces) {
        if (face == nullptr) continue;
        for (const auto& corner : face->halfEdges) box.Add(offset + corner->Pos2D());
    }
    // The flaps only widen the box: their shapes are worked out only for parts whose faces miss.
    if (box.Meets(visible)) return true;
    if (withFlaps) {
        for (const auto& line : part.lines) {
            if (line == nullptr || line->first == nullptr || line->first->next == nullptr) continue;
            if (!HasDrawnFlap(line->drawKind)) continue;
            for (const Point2& p : FlapOutline(*line->first)) box.Add(offset + p);
        }
    }
    return box.Meets(visible);
}

int DepthBits() {
    GLint bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &bits);
    return bits;
}

// Vertex storage kept from one drawing to the next on the same thread: a view draws many times a
// second, and fresh blocks of megabytes each time cost more in page faults than filling them.
struct RasterScratch {
    FillBatch fills;
    std::vector<BatchVertex> lines;
};

RasterScratch& Scratch() {
    static thread_local RasterScratch scratch;
    return scratch;
}

class RasterPainter {
public:
    RasterPainter(Document& doc, const Settings& settings, const RasterTarget& target, const RasterMode& mode)
        : model_(*doc.model), development_(*doc.development), target_(target), mode_(mode),
          settings_(settings), depths_(DepthBits(), mode.itemsPerDepthChunk) {
        lineWidth_ = RasterLineWidthPixels(mode.bitmapMode, settings);
        alpha_ = RasterLineAlpha(settings);
        emMM_ = settings_.edgeIdFontSizePt * kMMPerPoint;

        // Anything closer to the raster than a line's width, its smoothing and an edge ID's size may
        // still leave pixels on it.
        double visible[4];
        target.projection.VisibleRect(visible);
        const double scale =
            std::min(std::abs(target.projection.pixelsPerMMX), std::abs(target.projection.pixelsPerMMY));
        double margin = (lineWidth_ + 2.0) / (scale > 0.0 ? scale : 1.0);
        if (emMM_ > 0.0 && std::isfinite(emMM_)) margin += 4.0 * emMM_;
        visible_.Add({visible[0] - margin, visible[1] - margin});
        visible_.Add({visible[0] + visible[2] + margin, visible[1] + visible[3] + margin});

        for (auto& part : development_.parts) {
            if (part == nullptr) continue;
            if (PartMeets(*part, settings_.drawFlaps, visible_)) parts_.push_back(part.get());
        }
    }

    void Draw() {
        for (RasterLayer layer : RasterLayerOrder(mode_.bitmapMode, settings_)) {
            switch (layer) {
            case RasterLayer::PicturesBelow:
                DrawPictures(development_.imagesA);
                break;
            case RasterLayer::Flaps:
                DrawFlaps();
                break;
            case RasterLayer::Faces:
                DrawFaces();
                break;
            case RasterLayer::PicturesAbove:
                DrawPictures(development_.imagesB);
                break;
            case RasterLayer::Lines:
                DrawLines();
                break;
            case RasterLayer::EdgeIds:
                DrawEdgeIds();
                break;
            }
        }
    }

private:
    void LineBlending() {
        // Smoothing works through the coverage in alpha, so it needs blending; blending (the line alpha)
        // does not need smoothing.
        if (settings_.translucentLines) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            if (RasterSmoothsLines(mode_.bitmapMode, settings_, target_.projection)) {
                glEnable(GL_LINE_SMOOTH);
                glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
            } else {
                glDisable(GL_LINE_SMOOTH);
            }
        } else {
            glDisable(GL_BLEND);
            glDisable(GL_LINE_SMOOTH);
        }
        glLineWidth(float(lineWidth_));
    }

    void DrawPictures(const std::vector<std::unique_ptr<ImageBlock>>& pictures) {
        glDisable(GL_BLEND);
        for (const auto& picture : pictures) {
            if (picture == nullptr || picture->material == nullptr || target_.textures == nullptr) continue;
            const double* r = picture->rect;
            Rect box;
            box.Add({r[0], r[1]});
            box.Add({r[0] + r[2], r[1] + r[3]});
            if (!box.Meets(visible_)) continue;
            const MaterialTexture texture =
                target_.textures->TextureFor(*picture->material, settings_.smoothTextures);
            if (texture.name == 0) continue; // a picture without image shows nothing
            FillStyle fill;
            fill.texture = texture;
            ApplyFill(fill);
            // A negative width or height mirrors the picture: its texture follows the corners.
            std::vector<PolygonVertex> quad{MakeVertex({r[0], r[1]}, 0, 0, texture),
                                            MakeVertex({r[0] + r[2], r[1]}, 1, 0, texture),
                                            MakeVertex({r[0] + r[2], r[1] + r[3]}, 1, 1, texture),
                                            MakeVertex({r[0], r[1] + r[3]}, 0, 1, texture)};
            filler_.Fill(quad, true);
        }
        glDisable(GL_TEXTURE_2D);
    }

    // Looking a texture up asks the GL which context is current, a system call through the dispatch
    // library; thousands of faces share a handful of materials, so each is looked up once a drawing.
    const FillStyle& FillOf(Material& material) {
        auto found = materialFills_.find(&material);
        if (found == materialFills_.end())
            found =
                materialFills_
                    .emplace(&material, MaterialFill(material, target_.textures, settings_.smoothTextures))
                    .first;
        return found->second;
    }

    FillStyle FlapFill(const HalfEdge& h, Point2 (&uv)[4], bool& textured) {
        textured = false;
        if (!(settings_.colorFlapsLikeFaces && settings_.useMaterials)) return PlainFill(1, 1, 1);
        if (h.twin == nullptr || h.twin->face == nullptr) return PlainFill(1, 1, 1);
        FillStyle fill = FillOf(FaceMaterial(model_, *h.twin->face));
        if (fill.texture.name != 0) {
            textured = FlapTextureCoordinates(h, uv);
            if (!textured) fill.texture = {};
        }
        return fill;
    }

    void DrawFlaps() {
        std::vector<std::pair<const Part*, const HalfEdge*>> flaps;
        for (const Part* part : parts_) {
            for (const auto& line : part->lines) {
                if (line == nullptr || !HasDrawnFlap(line->drawKind)) continue;
                const HalfEdge* h = line->first;
                if (h == nullptr || h->next == nullptr) continue;
                flaps.push_back({part, h});
            }
        }
        // Backwards, so that an earlier flap lies over a later one, as the vector pass hides the outline
        // pieces of later flaps under earlier ones.
        std::reverse(flaps.begin(), flaps.end());
        const bool outlines = RasterDrawsFlapOutlines(mode_.bitmapMode, settings_);
        // Each flap's outline lies over its own fill and under the fills of the flaps drawn after it: all
        // fills first, nearest wins; then the outlines in drawing order, each only where no later fill
        // covers it (GL_GEQUAL), blended over what is below it just as when drawn flap by flap.
        FillBatch& fills = Scratch().fills;
        std::vector<BatchVertex>& lines = Scratch().lines;
        std::vector<PolygonVertex> polygon;
        for (size_t first = 0; first < flaps.size(); first += depths_.ChunkSize()) {
            const size_t count = std::min(depths_.ChunkSize(), flaps.size() - first);
            DrawOrderDepths::StartChunk();
            FillDepthState();
            fills.Clear();
            lines.clear();
            for (size_t i = 0; i < count; ++i) {
                const HalfEdge& h = *flaps[first + i].second;
                const Part& part = *flaps[first + i].first;
                const Point2 offset{part.x, part.y};
                const float z = depths_.Z(i);
                const std::array<Point2, 4> q = FlapOutline(h);
                Point2 uv[4];
                bool textured = false;
                const FillStyle fill = FlapFill(h, uv, textured);
                polygon.clear();
                for (int k = 0; k < 4; ++k)
                    polygon.push_back(MakeVertex(offset + q[k], uv[k].x, uv[k].y, fill.texture, z));
                filler_.FillInto(fills, fill, polygon);
                if (!outlines) continue;
                BatchVertex corner;
                corner.xyz[2] = z;
                const float rgba[4] = {h.flapColor[0], h.flapColor[1], h.flapColor[2], alpha_};
                std::copy(rgba, rgba + 4, corner.rgba);
                for (int k = 0; k < 3; ++k) {
                    for (const Point2& p : {q[k], q[k + 1]}) {
                        corner.xyz[0] = float(offset.x + p.x);
                        corner.xyz[1] = float(offset.y + p.y);
                        lines.push_back(corner);
                    }
                }
            }
            fills.Draw();
            if (lines.empty()) continue;
            glDepthFunc(GL_GEQUAL);
            glDepthMask(GL_FALSE);
            LineBlending();
            DrawBatchVertices(GL_LINES, lines, false);
            glDisable(GL_BLEND);
            glDisable(GL_LINE_SMOOTH);
        }
        glDisable(GL_DEPTH_TEST);
    }

    // Opaque fills of one chunk: the one drawn last (the nearest) covers the others.
    static void FillDepthState() {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_GREATER);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
    }

    void DrawFaces() {
        const bool highlight = mode_.highlightPicked && !mode_.bitmapMode;
        std::vector<const Face*> faces;
        std::vector<Point2> offsets;
        for (const Part* part : parts_) {
            for (const Face* face : part->faces) {
                if (face == nullptr || face->CornerCount() < 3) continue;
                faces.push_back(face);
                offsets.push_back({part->x, part->y});
            }
        }
        FillBatch& fills = Scratch().fills;
        std::vector<PolygonVertex> polygon;
        for (size_t first = 0; first < faces.size(); first += depths_.ChunkSize()) {
            const size_t count = std::min(depths_.ChunkSize(), faces.size() - first);
            DrawOrderDepths::StartChunk();
            FillDepthState();
            fills.Clear();
            for (size_t i = 0; i < count; ++i) {
                const Face& face = *faces[first + i];
                FillStyle fill;
                if (highlight && face.picked) {
                    fill = PlainFill(1, 0, 0);
                } else if (settings_.useMaterials) {
                    fill = FillOf(FaceMaterial(model_, face));
                }
                const float z = depths_.Z(i);
                polygon.clear();
                for (const auto& corner : face.halfEdges)
                    polygon.push_back(MakeVertex(offsets[first + i] + corner->Pos2D(), corner->u, corner->v,
                                                 fill.texture, z));
                filler_.FillInto(fills, fill, polygon);
            }
            fills.Draw();
        }
        glDisable(GL_DEPTH_TEST);
    }

    void DrawLines() {
        std::vector<BatchVertex>& lines = Scratch().lines;
        lines.clear();
        std::vector<DashSpan> dashes;
        for (const Part* part : parts_) {
            const Point2 offset{part->x, part->y};
            for (const auto& line : part->lines) {
                if (line == nullptr) continue;
                const RasterLineStyle style = RasterStyleOfLine(*line, settings_);
                if (!style.drawn) continue;
                const HalfEdge& h = *line->first;
                const Point2 a = offset + h.Pos2D();
                const Point2 b = offset + h.next->Pos2D();
                const float colour[4] = {h.sideColor[0], h.sideColor[1], h.sideColor[2], alpha_};
                if (!style.dashed) {
                    Segment(lines, a, b, colour);
                    continue;
                }
                if (style.whiteUnderlay) {
                    const float white[4] = {1, 1, 1, 1};
                    Segment(lines, a, b, white);
                }
                const Point2 d = b - a;
                const double length = Length(d);
                if (!(length > 0.0)) continue;
                if (!mode_.bitmapMode && DrawFineDashesSolid(lines, a, b, length, style, colour)) continue;
                const Point2 unit = d * (1.0 / length);
                WalkDashes(length, style.patternMM, 6, dashes);
                for (const DashSpan& span : dashes)
                    Segment(lines, a + unit * span.from, a + unit * span.to, colour);
            }
        }
        LineBlending();
        DrawBatchVertices(GL_LINES, lines, false);
        glDisable(GL_BLEND);
        glDisable(GL_LINE_SMOOTH);
    }

    // On screen, dashes repeating faster than the pixels can show them shimmer and cost a segment each:
    // such a line is drawn once, solid, as dark as its dashes would make it on average.
    bool DrawFineDashesSolid(std::vector<BatchVertex>& lines, const Point2& a, const Point2& b, double length,
                             const RasterLineStyle& style, const float (&colour)[4]) const {
        const DashCycle cycle = DashCycleOf(style.patternMM, 6);
        if (!(cycle.length > 0.0)) return false;
        const Point2 d = b - a;
        const RasterProjection& p = target_.projection;
        const double pixelsPerMM = std::hypot(d.x * p.pixelsPerMMX, d.y * p.pixelsPerMMY) / length;
        if (!(cycle.length * pixelsPerMM < kSolidDashPeriodPixels)) return false;
        const float coverage = float(cycle.Coverage());
        float rgba[4] = {colour[0], colour[1], colour[2], colour[3] * coverage};
        if (!settings_.translucentLines) {
            // Without blending the coverage goes into the colour, towards the white of the paper.
            for (int c = 0; c < 3; ++c) rgba[c] = colour[c] * coverage + (1.0f - coverage);
            rgba[3] = colour[3];
        }
        Segment(lines, a, b, rgba);
        return true;
    }

    static void Segment(std::vector<BatchVertex>& lines, const Point2& a, const Point2& b,
                        const float (&rgba)[4]) {
        BatchVertex v;
        std::copy(rgba, rgba + 4, v.rgba);
        for (const Point2& p : {a, b}) {
            v.xyz[0] = float(p.x);
            v.xyz[1] = float(p.y);
            lines.push_back(v);
        }
    }

    void DrawEdgeIds() {
        if (target_.fontListBase == 0 || !(emMM_ > 0.0) || !std::isfinite(emMM_)) return;
        if (!mode_.bitmapMode &&
            !(emMM_ * std::abs(target_.projection.pixelsPerMMY) >= kSmallestScreenEdgeIdPixels))
            return;
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        if (ShowsReadableEdgeLabels(settings_))
            return DrawEdgeLabelsGL(ReadableEdgeLabels(development_, settings_), target_.fontListBase);
        const bool thisCornerFirst = EdgeIdFromThisCorner(development_, settings_);
        glColor4f(0, 0, 0, 1);
        glMatrixMode(GL_MODELVIEW);
        for (const Part* part : parts_) {
            for (const Face* face : part->faces) {
                if (face == nullptr) continue;
                for (const auto& corner : face->halfEdges) {
                    if (corner->edge == nullptr || corner->edge->edgeId == -1) continue;
                    EdgeIdPlacement place;
                    if (!PlaceEdgeId(*part, *corner, thisCornerFirst, place)) continue;
                    glPushMatrix();
                    glTranslated(place.midpointMM.x, place.midpointMM.y, 0);
                    // Development y grows downwards: a turn that looks counter-clockwise on the sheet is
                    // negative here, and the glyphs' upward y is flipped.
                    glRotated(-place.angle * 180.0 / kPi, 0, 0, 1);
                    glScaled(emMM_, -emMM_, emMM_);
                    glTranslated(0, kEdgeIdBaselineLiftEm, 0);
                    DrawGLText(std::to_string(corner->edge->edgeId), target_.fontListBase);
                    glPopMatrix();
                }
            }
        }
    }

    Mesh& model_;
    Development& development_;
    const RasterTarget& target_;
    RasterMode mode_;
    const Settings& settings_;
    int lineWidth_ = 1;
    float alpha_ = 1.0f;
    double emMM_ = 0.0;
    Rect visible_;
    std::vector<const Part*> parts_;
    std::unordered_map<const Material*, FillStyle> materialFills_;
    PolygonFiller filler_;
    DrawOrderDepths depths_;
};

} // namespace

std::vector<RasterLayer> RasterLayerOrder(bool bitmapMode, const Settings& settings) {
    std::vector<RasterLayer> layers{RasterLayer::PicturesBelow};
    if (settings.drawFlaps) layers.push_back(RasterLayer::Flaps);
    layers.push_back(RasterLayer::Faces);
    layers.push_back(RasterLayer::PicturesAbove);
    if (!(bitmapMode && !settings.translucentLines)) layers.push_back(RasterLayer::Lines);
    if (settings.drawEdgeIds && settings.drawEdgeIdsWithGL) layers.push_back(RasterLayer::EdgeIds);
    return layers;
}

bool RasterDrawsFlapOutlines(bool bitmapMode, const Settings& settings) {
    return settings.drawFlaps && !(bitmapMode && !settings.translucentLines);
}

RasterLineStyle RasterStyleOfLine(const PartLine& line, const Settings& settings) {
    RasterLineStyle style;
    if (line.hidden || !IsLineKindDrawn(line.drawKind)) return style;
    if (line.first == nullptr || line.first->next == nullptr) return style;
    const int32_t value = LineStyleForKind(line.drawKind, settings);
    if (value == kLineNone) return style;
    style.drawn = true;
    if (value == kLineValleyDashes || value == kLineMountainDashes) {
        style.dashed = true;
        style.whiteUnderlay = settings.whiteLinesUnderFolds;
        style.patternMM = value == kLineValleyDashes ? settings.valleyDash : settings.mountainDash;
    }
    return style;
}

int RasterLineWidthPixels(bool bitmapMode, const Settings& settings) {
    return bitmapMode ? VectorLineWidth(settings) : 1;
}

bool RasterSmoothsLines(bool bitmapMode, const Settings& settings, const RasterProjection& projection) {
    if (!settings.translucentLines) return false;
    if (bitmapMode) return true;
    const double scale = std::min(std::abs(projection.pixelsPerMMX), std::abs(projection.pixelsPerMMY));
    // A broken scale keeps the usual smoothing rather than guessing.
    return !(scale < kSmoothScreenLinesPixelsPerMM);
}

float RasterLineAlpha(const Settings& settings) {
    const double value = settings.lineAlpha;
    if (!(value == value)) return 1.0f; // NaN
    return float(std::clamp(value, 0.0, 1.0));
}

Material& FaceMaterial(Mesh& model, const Face& face) {
    const int index = face.materialIndex;
    if (index >= 0 && size_t(index) < model.materials.size() && model.materials[size_t(index)] != nullptr)
        return *model.materials[size_t(index)];
    return model.defaultMaterial;
}

bool FlapTextureCoordinates(const HalfEdge& h, Point2 (&uv)[4]) {
    const HalfEdge* n = h.twin;
    if (h.next == nullptr || n == nullptr || n->next == nullptr || n->face == nullptr) return false;
    // In the neighbour the edge runs the other way: it starts at B and its next corner is A.
    const Point2 a2 = n->next->Pos2D(), b2 = n->Pos2D();
    const Point2 uvA{n->next->u, n->next->v}, uvB{n->u, n->v};
    const Point2 e2 = b2 - a2;
    const double len2 = Dot(e2, e2);
    const std::array<Point2, 4> q = FlapOutline(h);
    const Point2 a = q[0], e = q[3] - q[0];
    const double len = Dot(e, e);
    if (!(len2 > 0.0) || !(len > 0.0)) return false;

    // The neighbour's corner farthest from the edge fixes how u, v change across it. Edge coordinates
    // (s along, t across, both in edge lengths) are the same in both faces because the flap is the
    // neighbour turned and scaled onto this side of the edge, never mirrored.
    Point2 across{0, 0};
    double best = 0.0;
    for (const auto& corner : n->face->halfEdges) {
        const Point2 d = corner->Pos2D() - a2;
        const double t = Cross(e2, d) / len2;
        if (std::abs(t) <= std::abs(best)) continue;
        const double s = Dot(e2, d) / len2;
        best = t;
        across = Point2{corner->u - uvA.x - s * (uvB.x - uvA.x), corner->v - uvA.y - s * (uvB.y - uvA.y)} *
                 (1.0 / t);
    }
    for (int i = 0; i < 4; ++i) {
        const Point2 d = q[i] - a;
        const double s = Dot(e, d) / len;
        const double t = Cross(e, d) / len;
        uv[i] = uvA + (uvB - uvA) * s + across * t;
    }
    return true;
}

bool EdgeIdFromThisCorner(const Development& development, const Settings& settings) {
    return development.reversed != settings.invertEdgeIds;
}

bool PlaceEdgeId(const Part& part, const HalfEdge& corner, bool thisCornerFirst, EdgeIdPlacement& placement) {
    if (corner.next == nullptr) return false;
    const Point2 offset{part.x, part.y};
    const Point2 here = offset + corner.Pos2D(), there = offset + corner.next->Pos2D();
    const Point2 a = thisCornerFirst ? here : there;
    const Point2 b = thisCornerFirst ? there : here;
    const double length = Length(b - a);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    double angle = std::asin(std::clamp((b.y - a.y) / length, -1.0, 1.0));
    if (b.x > a.x) angle = kPi - angle;
    placement.midpointMM = (a + b) * 0.5;
    placement.angle = angle;
    return true;
}

void ForEachEdgeIdPlacement(const Development& development, const Settings& settings,
                            const std::function<void(int edgeId, const EdgeIdPlacement&)>& visit) {
    const bool thisCornerFirst = EdgeIdFromThisCorner(development, settings);
    for (const auto& part : development.parts) {
        if (part == nullptr) continue;
        for (const Face* face : part->faces) {
            if (face == nullptr) continue;
            for (const auto& corner : face->halfEdges) {
                if (corner == nullptr || corner->edge == nullptr || corner->edge->edgeId == -1) continue;
                EdgeIdPlacement placement;
                if (PlaceEdgeId(*part, *corner, thisCornerFirst, placement))
                    visit(corner->edge->edgeId, placement);
            }
        }
    }
}

bool IsConvexPolygon(const std::vector<Point2>& points) {
    const size_t n = points.size();
    if (n < 3) return false;
    int sign = 0;
    double turning = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const Point2 e1 = points[(i + 1) % n] - points[i];
        const Point2 e2 = points[(i + 2) % n] - points[(i + 1) % n];
        const double l1 = Length(e1), l2 = Length(e2);
        if (!(l1 > 0.0) || !(l2 > 0.0)) continue; // a repeated corner
        const double cross = Cross(e1, e2);
        const double dot = Dot(e1, e2);
        if (std::abs(cross) <= kCollinearRelative * l1 * l2) {
            if (dot < 0.0) return false; // the outline turns back on itself
            continue;
        }
        const int s = cross > 0.0 ? 1 : -1;
        if (sign == 0) sign = s;
        if (s != sign) return false;
        // Four turns of less than half a circle each cannot go round twice: only longer outlines need the
        // sum, and faces and flaps are mostly triangles and quadrilaterals.
        if (n > 4) turning += std::atan2(cross, dot);
    }
    // A star turns the same way at every corner too, but goes round more than once.
    return sign != 0 && std::abs(turning) < 3.0 * kPi;
}

void LightenPixels(uint8_t* bits, int width, int height, int stride) {
    if (bits == nullptr || width <= 0 || height <= 0 || stride < width * 3) return;
    for (int y = 0; y < height; ++y) {
        uint8_t* p = bits + size_t(y) * size_t(stride);
        for (int x = 0; x < width; ++x, p += 3) {
            if (p[0] >= kWhitishMinimum && p[1] >= kWhitishMinimum && p[2] >= kWhitishMinimum)
                p[0] = p[1] = p[2] = 255;
        }
    }
}

void ApplyProjection(const RasterProjection& projection) {
    const double sx = projection.pixelsPerMMX > 0.0 ? projection.pixelsPerMMX : 1.0;
    const double sy = projection.pixelsPerMMY > 0.0 ? projection.pixelsPerMMY : 1.0;
    const int width = projection.widthPixels;
    // A band is drawn with the whole raster's transform and a viewport moved down by whole rows.
    const bool band = projection.bandOfHeightPixels > 0;
    const int height = band ? projection.bandOfHeightPixels : projection.heightPixels;
    const double originY = band ? projection.originY + projection.bandFirstRow : projection.originY;
    const int rowsBelow = band ? height - projection.bandFirstRow - projection.heightPixels : 0;
    glViewport(0, -rowsBelow, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // GL counts window rows from the bottom: the raster's top row is development y = -originY / sy.
    glOrtho(-projection.originX / sx, (width - projection.originX) / sx, (height - originY) / sy,
            -originY / sy, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawRaster(Document& doc, const Settings& settings, const RasterTarget& target, const RasterMode& mode) {
    if (!doc.model || !doc.development) return;
    if (target.projection.widthPixels <= 0 || target.projection.heightPixels <= 0) return;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_LINE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT |
                 GL_POLYGON_BIT | GL_VIEWPORT_BIT | GL_TRANSFORM_BIT | GL_HINT_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    ApplyProjection(target.projection);
    // Layers stack in the order they are drawn; the depth buffer plays no part, so whatever the context
    // drew before (the sheets on screen) stays underneath.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    RasterPainter(doc, settings, target, mode).Draw();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

} // namespace tsm
