#include "sheet/RasterTextures.h"

#include "model/Settings.h"

#include <GL/gl.h>

namespace tsm {

namespace {

bool BitmapUsable(const CDib24* bitmap, int maxSize) {
    if (bitmap == nullptr || bitmap->width <= 0 || bitmap->height <= 0) return false;
    if (bitmap->width > maxSize || bitmap->height > maxSize) return false;
    return bitmap->bits.size() >= size_t(bitmap->Stride()) * size_t(bitmap->height);
}

bool TextureUsable(const CTextureImage* texture, int maxSize) {
    if (texture == nullptr || texture->width <= 0 || texture->height <= 0) return false;
    if (texture->width > maxSize || texture->height > maxSize) return false;
    return texture->pixels.size() == size_t(texture->width) * size_t(texture->height) * 3;
}

void DrainGlErrors() {
    // Bounded: a context in a broken state could keep reporting.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

RasterTexture Upload(const CMaterial& material, TextureImageChoice choice, bool smooth) {
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
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    RasterTexture result;
    if (choice == TextureImageChoice::Bitmap) {
        const CDib24& bitmap = *material.bitmap;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4); // DIB rows are padded to 4 bytes
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, bitmap.width, bitmap.height, 0, GL_BGR, GL_UNSIGNED_BYTE,
                     bitmap.bits.data());
        result.bottomUp = true;
    } else {
        const CTextureImage& texture = *material.texture;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // packed RGB rows
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, texture.width, texture.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     texture.pixels.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
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

TextureImageChoice ChooseTextureImage(const CMaterial& material, int maxTextureSizePixels) {
    if (BitmapUsable(material.bitmap.get(), maxTextureSizePixels)) return TextureImageChoice::Bitmap;
    if (TextureUsable(material.texture.get(), maxTextureSizePixels)) return TextureImageChoice::Texture;
    return TextureImageChoice::None;
}

OwnedRasterTextures::~OwnedRasterTextures() {
    Release();
}

RasterTexture OwnedRasterTextures::TextureFor(CMaterial& material, bool smooth) {
    if (maxTextureSize_ == 0) {
        GLint size = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
        maxTextureSize_ = size > 0 ? size : 1024; // 1024: the smallest maximum any implementation has
    }
    const TextureImageChoice choice = ChooseTextureImage(material, maxTextureSize_);
    const void* image = choice == TextureImageChoice::Bitmap ? static_cast<const void*>(material.bitmap.get())
                        : choice == TextureImageChoice::Texture
                            ? static_cast<const void*>(material.texture.get())
                            : nullptr;
    const auto found = made_.find(&material);
    if (found != made_.end()) {
        if (found->second.image == image && found->second.smooth == smooth) return found->second.texture;
        const GLuint name = found->second.texture.name;
        if (name != 0) glDeleteTextures(1, &name);
        made_.erase(found);
    }
    RasterTexture texture;
    if (choice != TextureImageChoice::None) texture = Upload(material, choice, smooth);
    // Remembered even without a texture, so that an imageless material is looked at once per output.
    made_.emplace(&material, Made{texture, image, smooth});
    return texture;
}

void OwnedRasterTextures::Release() {
    for (auto& entry : made_) {
        const GLuint name = entry.second.texture.name;
        if (name != 0) glDeleteTextures(1, &name);
    }
    made_.clear();
}

void OwnedRasterTextures::Abandon() {
    made_.clear();
}

size_t OwnedRasterTextures::Count() const {
    size_t count = 0;
    for (const auto& entry : made_)
        if (entry.second.texture.name != 0) ++count;
    return count;
}

} // namespace tsm
