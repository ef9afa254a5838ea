#include "view3d/ViewRenderSurface.h"

#include "view3d/GLContextRegistry.h"
#include "view3d/GLText.h"
#include "view3d/OffscreenBitmap.h"

#include <GL/gl.h>

namespace tsm {

namespace {

ViewRenderSurface* g_slots[2] = {nullptr, nullptr};

ViewRenderSurface*& SlotEntry(RenderSlot slot) {
    return g_slots[slot == RenderSlot::View3D ? 0 : 1];
}

glctx::Context AsContext(void* context) {
    return static_cast<glctx::Context>(context);
}

glctx::Binding BindingFor(QImage& image) {
    // bits() detaches nothing here: the surface holds the only reference to its image data.
    return glctx::Binding{image.bits(), image.width(), image.height(), true};
}

} // namespace

ViewRenderSurface::ViewRenderSurface(IPrompt& prompt, RenderSlot slot) : prompt_(prompt), slot_(slot) {}

ViewRenderSurface::~ViewRenderSurface() {
    if (SlotEntry(slot_) == this) SlotEntry(slot_) = nullptr;
    if (!context_) return;
    const glctx::Context context = AsContext(context_);
    {
        glctx::SavedCurrent previous;
        if (fontListBase_ != 0 && (glctx::Current() == context || glctx::BindRegistered(context)))
            DeleteOutlineFont(fontListBase_);
    }
    // Whatever else was current stays so; when this context was, none is.
    glctx::Destroy(context);
}

bool ViewRenderSurface::Resize(int width, int height) {
    if (width <= 0 || height <= 0) return false;

    // The old buffer goes only after the context has let go of it.
    if (context_ && glctx::Current() == AsContext(context_)) glctx::Release();
    image_ = QImage();

    if (width <= glctx::kMaxSidePixels && height <= glctx::kMaxSidePixels)
        image_ = QImage(width, height, QImage::Format_RGB32);
    if (image_.isNull()) {
        prompt_.Message("CreateCompatibleDIB - CreateDIBSection failed", PromptIcon::None, "DibUtil");
        prompt_.Message("DIB Create Failed");
        return false;
    }
    image_.fill(Qt::white);

    if (!context_) {
        const glctx::Context context = glctx::Create(glctx::ShareRoot(), glctx::Role::ViewSurface);
        if (!context) {
            prompt_.Message("Rendering Context Create Failed");
            return false;
        }
        context_ = context;
        SlotEntry(slot_) = this;
    }
    if (!MakeCurrent()) {
        prompt_.Message("wglMakeCurrent Failed");
        return false;
    }
    if (slot_ == RenderSlot::Development && !fontBuilt_) {
        fontBuilt_ = true;
        fontListBase_ = BuildOutlineFont("Arial", prompt_);
    }
    return true;
}

bool ViewRenderSurface::MakeCurrent() {
    if (!IsReady()) return false;
    const glctx::Binding binding = BindingFor(image_);
    return glctx::Bind(AsContext(context_), binding);
}

void ViewRenderSurface::Finish() {
    if (IsReady() && glctx::Current() == AsContext(context_)) glctx::Finish();
}

ViewRenderSurface* ViewRenderSurface::InSlot(RenderSlot slot) {
    return SlotEntry(slot);
}

} // namespace tsm
