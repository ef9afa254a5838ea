#include "model/TextConversion.h"

#include "model/Settings.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

// The two dash patterns the old line codes 1 and 2 stand for, in millimetres.
constexpr double kDashPatternA[6] = {1.0, 1.0, -1, -1, -1, -1};
constexpr double kDashPatternB[6] = {2.0, 1.0, 0.5, 1.0, -1, -1};

// Old code 0 is the plain line, 1 and 2 the custom style with one of the patterns, anything else style 1.
void ApplyLineCode(int32_t code, int32_t customStyle, int32_t& style, double (&dash)[6]) {
    switch (code) {
    case 0:
        style = 0;
        break;
    case 1:
        style = customStyle;
        std::copy(std::begin(kDashPatternA), std::end(kDashPatternA), dash);
        break;
    case 2:
        style = customStyle;
        std::copy(std::begin(kDashPatternB), std::end(kDashPatternB), dash);
        break;
    default:
        style = 1;
        break;
    }
}

void ScaleDevelopmentLengths(Development& development, double mmPerCm) {
    for (auto& part : development.parts) {
        part->x = FiniteOrZero(part->x * mmPerCm);
        part->y = FiniteOrZero(part->y * mmPerCm);
        for (Face* face : part->faces) {
            for (auto& corner : face->halfEdges) {
                corner->x2d = FiniteOrZero(corner->x2d * mmPerCm);
                corner->y2d = FiniteOrZero(corner->y2d * mmPerCm);
            }
        }
    }
    // Texts are stored by their lower-left corner; the development places them by the upper one.
    for (auto& text : development.texts) {
        text->rect[0] = FiniteOrZero(text->rect[0] * mmPerCm);
        text->rect[1] = FiniteOrZero(FiniteOrZero(text->rect[1] * mmPerCm) - text->rect[3]);
    }
}

} // namespace

double FanArea(const Face& face) {
    const auto& corners = face.halfEdges;
    double area = 0;
    for (size_t i = 2; i < corners.size(); ++i) {
        const Vec3& a = corners[0]->vertex->position;
        const Vec3& b = corners[i - 1]->vertex->position;
        const Vec3& c = corners[i]->vertex->position;
        area += HeronArea(Distance(a, b), Distance(b, c), Distance(c, a));
    }
    return area;
}

void ApplyOldLineStyles(const TextConversionValues& info, DisplaySettings& settings) {
    ApplyLineCode(info.valleyLineCode, 2, settings.valleyLineStyle, settings.valleyDash);
    ApplyLineCode(info.mountainLineCode, 3, settings.mountainLineStyle, settings.mountainDash);
    settings.cutLineStyle = info.cutLineCode == 1 ? 1 : 0;
}

void ApplyOldPageType(int32_t pageType, DisplaySettings& settings) {
    // Old page types run A4, A3, B5, B4, each portrait then landscape; paper size codes 0, 1, 4, 5.
    constexpr int32_t kPaperSize[8] = {0, 0, 1, 1, 4, 4, 5, 5};
    if (pageType < 0 || pageType >= 8) return;
    settings.paperSize = kPaperSize[pageType];
    settings.paperOrientation = pageType % 2;
}

void BuildPartLines(Development& development) {
    for (auto& part : development.parts) {
        for (Face* face : part->faces) {
            for (auto& corner : face->halfEdges) {
                HalfEdge* h = corner.get();
                if (h->line) continue;
                auto line = std::make_unique<PartLine>();
                line->first = h;
                line->edge = h->edge;
                line->hidden = !h->foldShown;
                h->line = line.get();
                if (h->Joined()) {
                    line->second = h->Joined();
                    h->Joined()->line = line.get();
                }
                // Only open edges have a line kind: which fold the flap of a one-sided edge shows.
                if (!h->twin && h->hasFlap)
                    line->lineKind =
                        h->edge && h->edge->typeFlag ? LineKind::MountainFlap : LineKind::ValleyFlap;
                part->lines.push_back(std::move(line));
            }
        }
    }
}

void ChooseFoldedFlapSides(Development& development) {
    // The smaller of the two faces carries the flap. Both sides of a folded edge are visited, so on
    // equal areas the side visited last keeps it.
    for (auto& part : development.parts) {
        for (Face* face : part->faces) {
            for (auto& corner : face->halfEdges) {
                HalfEdge* h = corner.get();
                HalfEdge* t = h->twin;
                if (!t || !h->Joined()) continue;
                if (FanArea(*t->face) < FanArea(*face)) {
                    t->hasFlap = true;
                    h->hasFlap = false;
                } else {
                    h->hasFlap = true;
                    t->hasFlap = false;
                }
            }
        }
    }
}

void ConvertTextModel(Document& document, const TextConversionValues& info, IModelCompletion& completion,
                      bool autoFlapAngles) {
    Mesh& model = *document.model;

    ApplyOldLineStyles(info, document.display);
    ApplyOldPageType(info.pageType, document.display);

    for (auto& solid : model.solids) {
        for (auto& vertex : solid->vertices) {
            Vec3& p = vertex->position;
            p = {FiniteOrZero(p.x / info.mag3d), FiniteOrZero(p.y / info.mag3d),
                 FiniteOrZero(p.z / info.mag3d)};
        }
    }

    for (auto& solid : model.solids)
        for (auto& face : solid->faces) completion.ComputeFacePlane(*face);
    for (auto& solid : model.solids)
        for (auto& edge : solid->edges) completion.UpdateEdgeGeometry(*edge);

    const double* box = info.box;
    model.size = FiniteOrZero(std::max({box[0] - box[3], box[1] - box[4], box[2] - box[5]}));

    if (autoFlapAngles) completion.AutoFlapAnglesAll(model);

    Development* development = document.development.get();
    if (!development) return;
    development->reversed = info.reverse != 0;
    const double scale = info.mag2d * info.mag3d * 10;
    development->scale = std::isfinite(scale) ? scale : 1.0;
    ScaleDevelopmentLengths(*development, 10 * info.mag2d);

    BuildPartLines(*development);
    ChooseFoldedFlapSides(*development);
    for (auto& part : development->parts) completion.ComputePartExtent(*part);
    completion.ClassifyPartLines(*development, model, document.display);
}

} // namespace tsm
