#include "view3d/GLTextures.h"

#include "model/Settings.h"
#include "view3d/GLContextRegistry.h"

#include <GL/gl.h>

namespace tsm {

namespace {

bool BitmapUsable(const Bitmap24* bitmap, int maxSize) {
    if (bitmap == nullptr || bitmap->width <= 0 || bitmap->height <= 0) return false;
    if (bitmap->width > maxSize || bitmap->height > maxSize) return false;
    return bitmap->bits.size() >= size_t(bitmap->Stride()) * size_t(bitmap->height);
}

bool TextureUsable(const TextureImage* texture, int maxSize) {
    if (texture == nullptr || texture->width <= 0 || texture->height <= 0) return false;
    if (texture->width > maxSize || texture->height > maxSize) return false;
    return texture->pixels.size() == size_t(texture->width) * size_t(texture->height) * 3;
}

void DrainGlErrors() {
    // Bounded: a context in a broken state could keep reporting.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

MaterialTexture Upload(const Material& material, TextureImageChoice choice, bool smooth) {
    DrainGlErrors();
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0) return {};
    glBindTexture(GL_TEXTURE_2D, name);
    const GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // Rows are read from the start of the buffer whatever the width; the caller's unpack state is kept.
    GLint alignment = 4, rowLength = 0, skipRows = 0, skipPixels = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skipPixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    MaterialTexture result;
    if (choice == TextureImageChoice::Bitmap) {
        const Bitmap24& bitmap = *material.bitmap;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4); // DIB rows are padded to 4 bytes
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, bitmap.width, bitmap.height, 0, GL_BGR, GL_UNSIGNED_BYTE,
                     bitmap.bits.data());
        result.bottomUp = true;
    } else {
        const TextureImage& texture = *material.texture;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // packed RGB rows
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, texture.width, texture.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     texture.pixels.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (glGetError() != GL_NO_ERROR) {
        // Out of texture memory or a size the implementation refuses: the face is drawn in its colour.
        glDeleteTextures(1, &name);
        return {};
    }
    result.name = name;
    return result;
}

} // namespace

TextureImageChoice ChooseTextureImage(const Material& material, int maxTextureSizePixels) {
    if (BitmapUsable(material.bitmap.get(), maxTextureSizePixels)) return TextureImageChoice::Bitmap;
    if (TextureUsable(material.texture.get(), maxTextureSizePixels)) return TextureImageChoice::Texture;
    return TextureImageChoice::None;
}

bool TextureCache::MadeInGroupOf(void* context) const {
    if (context == nullptr || context_ == nullptr) return false;
    if (group_ != 0) return glctx::ShareGroupOf(static_cast<glctx::Context>(context)) == group_;
    return context == context_;
}

void TextureCache::Delete(const std::vector<unsigned>& names) {
    if (names.empty()) return;
    const glctx::Context current = glctx::Current();
    if (MadeInGroupOf(current)) {
        glDeleteTextures(GLsizei(names.size()), names.data());
        return;
    }
    // A context of someone else's cannot be bound safely, and a group without members took its
    // textures with it.
    const glctx::Context member = glctx::GroupMember(group_);
    if (member == nullptr) return;
    glctx::SavedCurrent previous;
    if (glctx::BindRegistered(member)) glDeleteTextures(GLsizei(names.size()), names.data());
}

MaterialTexture TextureCache::TextureFor(const Material& material, bool smooth) {
    const glctx::Context current = glctx::Current();
    if (current == nullptr) return {};
    if (!MadeInGroupOf(current)) {
        Release();
        context_ = current;
        group_ = glctx::ShareGroupOf(current);
    }
    if (maxTextureSize_ == 0) {
        GLint size = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
        maxTextureSize_ = size > 0 ? size : 1024; // 1024: the smallest maximum any implementation has
    }
    TextureImageChoice choice = ChooseTextureImage(material, maxTextureSize_);
    if (source_ == TextureSource::LimitedTexture && choice == TextureImageChoice::Bitmap)
        choice = TextureUsable(material.texture.get(), maxTextureSize_) ? TextureImageChoice::Texture
                                                                        : TextureImageChoice::None;
    uint64_t image = 0;
    if (choice == TextureImageChoice::Bitmap)
        image = material.bitmap->serial.Value();
    else if (choice == TextureImageChoice::Texture)
        image = material.texture->serial.Value();
    const auto found = made_.find(&material);
    if (found != made_.end()) {
        const Made& made = found->second;
        if (made.image == image && made.smooth == smooth) return made.texture;
        if (made.texture.name != 0) Delete({made.texture.name});
        made_.erase(found);
    }
    MaterialTexture texture;
    if (choice != TextureImageChoice::None) texture = Upload(material, choice, smooth);
    // Remembered even without a texture, so that an imageless material is looked at once per image.
    made_.emplace(&material, Made{texture, image, smooth});
    return texture;
}

void TextureCache::KeepOnly(const Mesh& model) {
    std::unordered_map<const Material*, Made> kept;
    for (const auto& material : model.materials) {
        const auto found = made_.find(material.get());
        if (found == made_.end()) continue;
        kept.insert(*found);
        made_.erase(found);
    }
    std::vector<unsigned> names;
    for (const auto& entry : made_)
        if (entry.second.texture.name != 0) names.push_back(entry.second.texture.name);
    Delete(names);
    made_ = std::move(kept);
}

void TextureCache::Release() {
    std::vector<unsigned> names;
    for (const auto& entry : made_)
        if (entry.second.texture.name != 0) names.push_back(entry.second.texture.name);
    Delete(names);
    made_.clear();
    context_ = nullptr;
    group_ = 0;
    maxTextureSize_ = 0;
}

size_t TextureCache::Count() const {
    size_t count = 0;
    for (const auto& entry : made_)
        if (entry.second.texture.name != 0) ++count;
    return count;
}

MaterialTexture TextureCache::Find(const Material& material) const {
    const auto found = made_.find(&material);
    return found != made_.end() ? found->second.texture : MaterialTexture{};
}

} // namespace tsm
