#include "view3d/OffscreenBitmap.h"

#include "model/AtomicFile.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/GLText.h"

#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <new>

namespace tsm {

namespace {

static_assert(kMaxRenderSidePixels == glctx::kMaxSidePixels);

void PutLe16(uint8_t*& out, int32_t value) {
    *out++ = static_cast<uint8_t>(value & 0xFF);
    *out++ = static_cast<uint8_t>((value >> 8) & 0xFF);
}

void PutLe32(uint8_t*& out, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) *out++ = static_cast<uint8_t>((v >> shift) & 0xFF);
}

bool ValidSize(int width, int height) {
    return width > 0 && height > 0 && width <= glctx::kMaxSidePixels && height <= glctx::kMaxSidePixels;
}

} // namespace

class OffscreenBitmap::Impl {
public:
    glctx::Context context = nullptr;
    std::unique_ptr<glctx::SavedCurrent> previous;
};

int RenderSideLimit() {
    const int driver = glctx::MaxDrawSide();
    return driver > 0 ? std::min(driver, kMaxRenderSidePixels) : kMaxRenderSidePixels;
}

OffscreenBitmap::OffscreenBitmap(IPrompt& prompt, int width, int height) : prompt_(prompt), impl_(new Impl) {
    header_.width = width;
    header_.height = height;
    // Sizes no bitmap of this program has are refused before anything is allocated for them.
    if (!ValidSize(width, height)) {
        prompt_.Message("CreateDIBSection Error");
        return;
    }
    header_.sizeImage = height * DibStride(width);
    try {
        bits_.assign(static_cast<size_t>(header_.sizeImage), 0);
    } catch (const std::bad_alloc&) {
        bits_.clear();
        prompt_.Message("CreateDIBSection Error");
    }
}

OffscreenBitmap::~OffscreenBitmap() {
    End();
    delete impl_;
}

bool OffscreenBitmap::Begin() {
    if (impl_->context) return true;
    if (bits_.empty()) {
        prompt_.Message("Select Object Error");
        return false;
    }
    // Sharing with the views lets an output job use the textures the views already made.
    const glctx::Context context = glctx::Create(glctx::ShareRoot(), glctx::Role::Renderer);
    if (!context) {
        prompt_.Message("OpenGL Context Error");
        return false;
    }
    auto previous = std::make_unique<glctx::SavedCurrent>();
    // The pixels stay in GL until Finish reads them straight into the bitmap.
    if (!glctx::Bind(context, glctx::Binding{nullptr, header_.width, header_.height, false})) {
        glctx::Destroy(context);
        previous->Restore();
        prompt_.Message("Error");
        return false;
    }
    impl_->context = context;
    impl_->previous = std::move(previous);
    glViewport(0, 0, header_.width, header_.height);
    fontListBase_ = BuildOutlineFont("Arial", prompt_);
    return true;
}

void OffscreenBitmap::Finish() {
    if (!impl_->context) return;
    if (glctx::Current() != impl_->context && !glctx::BindRegistered(impl_->context)) return;
    glFinish();
    // GL rows are bottom-up like the DIB's; alignment 4 is the DIB's row padding.
    glctx::ReadPixelsPacked(header_.width, header_.height, GL_BGR, bits_.data());
}

void OffscreenBitmap::End() {
    if (!impl_->context) return;
    const glctx::Context context = impl_->context;
    if (glctx::Current() == context || glctx::BindRegistered(context)) DeleteOutlineFont(fontListBase_);
    glctx::Release();
    fontListBase_ = 0;
    glctx::Destroy(context);
    impl_->context = nullptr;
    if (impl_->previous) impl_->previous->Restore();
    impl_->previous.reset();
}

Outcome OffscreenBitmap::SaveAsBmpFile(const std::string& path) {
    Outcome written = bits_.empty() ? Outcome::Failed("there is no bitmap to write")
                                    : WriteBmpFile(path, header_, bits_.data());
    if (!written.ok()) prompt_.Message("write error");
    return written;
}

QImage OffscreenBitmap::ToImage() const {
    if (bits_.empty()) return QImage();
    const QImage wrapped(bits_.data(), header_.width, header_.height, Stride(), QImage::Format_BGR888);
    return wrapped.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

Outcome WriteBmpFile(const std::string& path, const BitmapInfoHeader& header, const uint8_t* bits) {
    const Outcome inconsistent = Outcome::Failed("not a consistent 24-bit bitmap: " + path);
    if (!bits || header.width <= 0 || header.height <= 0 || header.width > (1 << 24) ||
        header.height > (1 << 24) || header.bitCount != 24)
        return inconsistent;
    const int64_t imageBytes = int64_t(header.height) * DibStride(header.width);
    if (imageBytes != header.sizeImage) return inconsistent;

    uint8_t headers[54];
    uint8_t* out = headers;
    *out++ = 'B';
    *out++ = 'M';
    PutLe32(out, static_cast<int32_t>(54 + imageBytes));
    PutLe16(out, 0);
    PutLe16(out, 0);
    PutLe32(out, 54);
    PutLe32(out, header.size);
    PutLe32(out, header.width);
    PutLe32(out, header.height);
    PutLe16(out, header.planes);
    PutLe16(out, header.bitCount);
    PutLe32(out, header.compression);
    PutLe32(out, header.sizeImage);
    PutLe32(out, header.xPelsPerMeter);
    PutLe32(out, header.yPelsPerMeter);
    PutLe32(out, header.clrUsed);
    PutLe32(out, header.clrImportant);

    // The rows may be hundreds of megabytes: they go out from where they are, after the headers.
    return WriteWholeFile(
        path, {std::string_view(reinterpret_cast<const char*>(headers), sizeof headers),
               std::string_view(reinterpret_cast<const char*>(bits), static_cast<size_t>(imageBytes))});
}

} // namespace tsm
