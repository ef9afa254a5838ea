// The off-screen target a view renders into: a pixel buffer of the view's client size and a GL context
// that lives as long as the view. The widget draws the finished pixels with one QPainter::drawImage.
//
// The document's two context slots, 3D view and development view, share display lists and textures.
// EGL shares only when a context is created, so the rule is: the first surface created is the share
// root and every later context (surfaces of either slot and the off-screen renderers) is created sharing
// with it; when the root goes, the oldest surface left takes its place.
#pragma once

#include "model/Prompt.h"

#include <QImage>

namespace tsm {

enum class RenderSlot { View3D, Development };

class ViewRenderSurface {
public:
    ViewRenderSurface(IPrompt& prompt, RenderSlot slot);
    ~ViewRenderSurface();
    ViewRenderSurface(const ViewRenderSurface&) = delete;
    ViewRenderSurface& operator=(const ViewRenderSurface&) = delete;

    // Rebuilds the buffer for a new client size and makes the context (created on first use) current on
    // it. Sizes of zero or less change nothing and return false; failures show the system's texts and
    // leave the view undrawn until the next resize. The development slot builds its outline font ("Arial")
    // once, on its first successful resize.
    bool Resize(int width, int height);
    // Makes the context current on the buffer again (after another context was used).
    bool MakeCurrent();
    // Waits for the drawing; the pixels are then complete in Image().
    void Finish();

    bool IsReady() const { return context_ != nullptr && !image_.isNull(); }
    // Top-down, QImage::Format_RGB32; null before the first successful resize.
    const QImage& Image() const { return image_; }
    RenderSlot Slot() const { return slot_; }
    // The GL context (a glctx::Context), as recorded with the textures it makes.
    void* Context() const { return context_; }
    // The development view's outline font; 0 for the 3D view.
    unsigned FontListBase() const { return fontListBase_; }

    // The surface that last registered in a slot, or null.
    static ViewRenderSurface* InSlot(RenderSlot slot);

private:
    IPrompt& prompt_;
    RenderSlot slot_;
    void* context_ = nullptr;
    QImage image_;
    unsigned fontListBase_ = 0;
    bool fontBuilt_ = false;
};

} // namespace tsm
