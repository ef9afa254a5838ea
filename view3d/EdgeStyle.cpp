#include "view3d/EdgeStyle.h"

#include "model/Development.h"
#include "model/Settings.h"

namespace tsm {

namespace {

bool LineHidden(const HalfEdge* h) {
    return h != nullptr && h->line != nullptr && h->line->hidden;
}

} // namespace

EdgeStyle ClassifyEdgeStyle(const Edge& edge, bool hasDevelopment, const Settings& settings) {
    EdgeStyle style = edge.foldSense ? EdgeStyle::Mountain : EdgeStyle::Valley;

    const bool twoSided = edge.halfEdge1 != nullptr && edge.halfEdge2 != nullptr;
    const bool flat =
        settings.omitFlatFolds && edge.foldAngle > static_cast<double>(settings.flatFoldAngleDegrees);
    if (flat && twoSided) style = EdgeStyle::Hidden;
    // Where the development cuts the model is what a person looks for on it, flat or not.
    if (hasDevelopment && twoSided && edge.halfEdge1->Joined() != edge.halfEdge2) style = EdgeStyle::Cut;

    if (LineHidden(edge.halfEdge1) || LineHidden(edge.halfEdge2)) style = EdgeStyle::Hidden;

    if (!hasDevelopment) {
        if (edge.edgeClass == EdgeClass::MarkedOpen) style = EdgeStyle::Open;
        if (edge.edgeClass == EdgeClass::MarkedJoined) style = EdgeStyle::Marked;
    }
    return style;
}

void ColorrefToRgb(int32_t colorref, float rgb[3]) {
    rgb[0] = static_cast<float>(colorref & 0xFF) / 255.0f;
    rgb[1] = static_cast<float>((colorref >> 8) & 0xFF) / 255.0f;
    rgb[2] = static_cast<float>((colorref >> 16) & 0xFF) / 255.0f;
}

EdgeLook LookOfEdgeStyle(EdgeStyle style, const Settings& settings) {
    EdgeLook look;
    switch (style) {
    case EdgeStyle::Mountain:
    case EdgeStyle::Valley:
        if (settings.useEdgeColors)
            ColorrefToRgb(settings.colors[style == EdgeStyle::Mountain ? 1 : 2], look.rgb);
        break;
    case EdgeStyle::Open:
    case EdgeStyle::Marked:
        look.widthPixels = 3;
        ColorrefToRgb(settings.colors[style == EdgeStyle::Open ? 4 : 5], look.rgb);
        break;
    case EdgeStyle::Cut:
        // A cut is an open edge made real: the open edge's colour, whether or not folds are coloured.
        look.widthPixels = 2;
        ColorrefToRgb(settings.colors[4], look.rgb);
        break;
    case EdgeStyle::Hidden:
        look.widthPixels = 0;
        break;
    }
    return look;
}

} // namespace tsm
