// The behaviour of the development view (DevelopmentViewWidget): its render surface and picture, navigation
// (fit, pan, zoom), the document update hints, the corresponding-face check and, through its edit tools,
// the edit modes.
#pragma once

#include "app/DevelopmentEditTools.h"
#include "app/ViewLogic.h"
#include "sheet/DevelopmentViewState.h"
#include "view3d/GLTextures.h"
#include "view3d/ViewRenderSurface.h"

#include <functional>
#include <vector>

namespace tsm {

class DevelopmentViewLogic : public IViewLogic {
public:
    explicit DevelopmentViewLogic(IViewHost& host);

    // Told the faces a check in this view marked, so that the 3D view can turn towards them; called only
    // when animateFaceCheck is on.
    using FaceCheckListener = std::function<void(const std::vector<const Face*>&)>;
    void SetFaceCheckListener(FaceCheckListener listener) { faceCheckListener_ = std::move(listener); }

    const DevelopmentViewState& State() const { return state_; }
    const DevelopmentEditTools& Tools() const { return tools_; }
    // Edit > Delete.
    bool CanDeleteSelection() const { return tools_.CanDeleteSelection(); }
    void DeleteSelection() { tools_.DeleteSelection(); }

    void OnUpdate(UpdateHint hint) override;
    void Resize(int width, int height) override;
    void Paint(QPainter& painter) override;
    void MousePress(QMouseEvent& event) override;
    void MouseRelease(QMouseEvent& event) override;
    // A quick second press is a press like any other to the edit modes.
    void MouseDoubleClick(QMouseEvent& event) override { MousePress(event); }
    void MouseMove(QMouseEvent& event) override;
    void Wheel(QWheelEvent& event) override;
    void KeyRelease(QKeyEvent& event) override;
    // Print and Print Preview.
    bool HandleCommand(CommandId commandId) override;

    // "Reset View".
    void Fit();
    // The check at a point of the client area (EditMode::CheckFace); true when a face was hit.
    bool CheckFaceAt(int x, int y);
    // Textures kept from the last paint.
    size_t KeptTextureCount() const { return textures_.Count(); }

private:
    bool HasDevelopment() const;
    void UpdateGridInPlace();
    void PaintOffSheetMarks(QPainter& painter, const Document* document, const Settings& settings,
                            const SheetLayout& layout) const;

    IViewHost& host_;
    ViewRenderSurface surface_;
    // Made in the surface's context and kept between paints: uploading a model's images again on every
    // frame took longer than drawing it. Dropped at every document update and for another document;
    // after surface_, so that they are deleted while its context lives.
    TextureCache textures_{TextureSource::BitmapFirst};
    const Document* texturesFor_ = nullptr;
    bool dropTextures_ = false;
    DevelopmentViewState state_;
    DevelopmentEditTools tools_{host_, state_};
    FaceCheckListener faceCheckListener_;
    bool fittedOnce_ = false;
};

} // namespace tsm
