#include "sheet/DevelopmentViewState.h"

#include "engine/Classify.h"
#include "engine/FlapOutline.h"

#include <cmath>

namespace tsm {

DevelopmentHintActions DevelopmentActionsForHint(UpdateHint hint) {
    DevelopmentHintActions actions;
    actions.redraw = true;
    switch (hint) {
    case UpdateHint::FitDevelopment:
        actions.fit = true;
        break;
    case UpdateHint::RecomputeSheets:
        actions.recomputeGrid = true;
        actions.recomputeExtents = true;
        actions.fit = true;
        break;
    case UpdateHint::DevelopmentReplaced:
        actions.recomputeGrid = true;
        actions.clearSelection = true;
        actions.fit = true;
        break;
    case UpdateHint::ClearSelection:
        actions.clearSelection = true;
        break;
    case UpdateHint::Undone:
        actions.clearSelection = true;
        actions.updateGridInPlace = true;
        break;
    case UpdateHint::KeepGridInPlace:
    case UpdateHint::FlapsSwitched:
        actions.updateGridInPlace = true;
        break;
    case UpdateHint::TextureFilterChanged:
        // Only the filters of the textures already made change; the next paint shows them.
        actions.reapplyTextureFilter = true;
        actions.redraw = false;
        break;
    case UpdateHint::NewModel:
        actions.resetEditState = true;
        actions.clearSelection = true;
        actions.recomputeGrid = true;
        actions.fit = true;
        break;
    default:
        break;
    }
    return actions;
}

const char* EditModeStatusText(EditMode mode) {
    static const char* const kTexts[] = {
        "",
        "2D [Select/Move] L [Pan] R or Wheel Drag [Zoom] Shift+R or Wheel",
        "Click the edge of target flap.",
        "Click the point the center of rotate. And drag to rotate. (Cancel with Right click)",
        "Click the edge to Join/Disjoin. Click again for Join to choose the part that moves.",
        "Click the place to input text. Click the text to edit.",
        "Click a face to see the faces that match it in the 3D model and the development.",
        "Click the edge to change color (drag for area select).",
    };
    const int index = static_cast<int>(mode);
    if (index < 0 || index >= static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0]))) return "";
    return kTexts[index];
}

void DevelopmentViewState::SetClientSize(int width, int height) {
    view_.clientWidth = width;
    view_.clientHeight = height;
}

void DevelopmentViewState::Fit(const SheetLayout& layout, bool hasDevelopment) {
    view_ = FitScreenView(view_.clientWidth, view_.clientHeight, layout, hasDevelopment);
    navigated_ = false;
}

bool DevelopmentViewState::SetZoom(double zoom, const SheetLayout& layout) {
    if (!(zoom > 0) || !std::isfinite(zoom)) return false;
    if (layout.paper.PrintableWidth() * zoom < kMinPrintablePixels ||
        layout.paper.PrintableHeight() * zoom < kMinPrintablePixels)
        return false;
    view_.zoom = zoom;
    return true;
}

void DevelopmentViewState::SetPan(double panXMM, double panYMM) {
    view_.panX = panXMM;
    view_.panY = panYMM;
}

void DevelopmentViewState::ButtonDown(const DevPointer& pointer) {
    dragging_ = true;
    pressX_ = lastX_ = pointer.x;
    pressY_ = lastY_ = pointer.y;
}

bool DevelopmentViewState::MouseMoved(const DevPointer& pointer, const SheetLayout& layout) {
    if (!dragging_) return false;
    const int dx = pointer.x - lastX_;
    const int dy = pointer.y - lastY_;
    lastX_ = pointer.x;
    lastY_ = pointer.y;
    if (!pointer.left && !pointer.right && !pointer.middle) return false;
    if (pointer.shift && pointer.right) {
        const bool zoomed = SetZoom(view_.zoom * (1.0 + 0.005 * (dx + dy)), layout);
        navigated_ = navigated_ || zoomed;
        return zoomed;
    }
    view_.panX += dx / view_.zoom;
    view_.panY += dy / view_.zoom;
    navigated_ = navigated_ || dx != 0 || dy != 0;
    return dx != 0 || dy != 0;
}

bool DevelopmentViewState::IsClick(int x, int y) const {
    const long long dx = static_cast<long long>(x) - pressX_;
    const long long dy = static_cast<long long>(y) - pressY_;
    return dx * dx + dy * dy <= kClickMaxSquaredPixels;
}

bool DevelopmentViewState::WheelTurned(int delta, bool invert, const SheetLayout& layout,
                                       std::optional<Point2> pointer) {
    const double factor = invert ? 1.0 + delta / 1000.0 : 1.0 - delta / 1000.0;
    const double before = view_.zoom;
    if (!SetZoom(view_.zoom * factor, layout)) return false;
    navigated_ = true;
    if (pointer) {
        // The point under the pointer stays there: a pixel p shows (p - client / 2) / zoom - pan + a
        // constant, so the pan takes up the change of the first term.
        view_.panX += (pointer->x - view_.clientWidth / 2.0) * (1.0 / view_.zoom - 1.0 / before);
        view_.panY += (pointer->y - view_.clientHeight / 2.0) * (1.0 / view_.zoom - 1.0 / before);
    }
    return true;
}

void DevelopmentViewState::KeepDrawingInPlace(const SheetLayout& before, const SheetLayout& after) {
    view_.panX += (after.paper.SheetsWidth(after.columns) - before.paper.SheetsWidth(before.columns)) / 2.0;
    view_.panY += (after.paper.SheetsHeight(after.rows) - before.paper.SheetsHeight(before.rows)) / 2.0;
}

Point2 DevelopmentViewState::ScreenToDevelopment(double x, double y, const SheetLayout& layout) const {
    return ScreenProjection(view_, layout).ToDevelopment({x, y});
}

Point2 DevelopmentViewState::DevelopmentToScreen(const Point2& mm, const SheetLayout& layout) const {
    return ScreenProjection(view_, layout).ToPixel(mm);
}

Face* FaceAtDevelopmentPoint(const Development& development, const Point2& mm) {
    for (auto part = development.parts.rbegin(); part != development.parts.rend(); ++part) {
        if (*part == nullptr) continue;
        const Point2 offset{(*part)->x, (*part)->y};
        for (auto face = (*part)->faces.rbegin(); face != (*part)->faces.rend(); ++face) {
            if (*face == nullptr || (*face)->CornerCount() < 3) continue;
            const HalfEdge* first = (*face)->Corner(0);
            if (first == nullptr) continue;
            const Point2 a = offset + first->Pos2D();
            for (size_t i = 1; i + 1 < (*face)->CornerCount(); ++i) {
                const HalfEdge* b = (*face)->Corner(i);
                const HalfEdge* c = (*face)->Corner(i + 1);
                if (b == nullptr || c == nullptr) continue;
                if (PointInTriangle(mm, a, offset + b->Pos2D(), offset + c->Pos2D())) return *face;
            }
        }
    }
    return nullptr;
}

std::vector<Face*> CheckCorrespondingFace(Development& development, const DisplaySettings& display,
                                          const Point2& mm) {
    for (const auto& part : development.parts)
        if (part != nullptr)
            for (Face* face : part->faces)
                if (face != nullptr) {
                    face->picked = false;
                    face->visited = false;
                }
    std::vector<Face*> group;
    Face* hit = FaceAtDevelopmentPoint(development, mm);
    if (hit == nullptr) return group;
    CollectFlatGroup(*hit, group, display);
    for (Face* face : group) face->picked = true;
    return group;
}

} // namespace tsm
