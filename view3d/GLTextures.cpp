#include "view3d/GLTextures.h"

#include "model/Mesh.h"
#include "model/Settings.h"
#include "view3d/GLContextRegistry.h"

#include <GL/gl.h>

namespace tsm {

void RegisterGlTextureReleaser() {
    SetGlTextureReleaser(&DeleteGLTexture);
}

bool MakeGLTexture(CMaterial& material, bool smooth) {
    RegisterGlTextureReleaser();
    DeleteGLTexture(material);

    const OSMesaContext context = OSMesaGetCurrentContext();
    const CTextureImage* image = material.texture.get();
    if (!context || !image || image->width <= 0 || image->height <= 0) return false;
    if (image->pixels.size() < size_t(image->width) * size_t(image->height) * 3) return false;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (image->width > maxSize || image->height > maxSize) return false;

    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0) return false;
    glBindTexture(GL_TEXTURE_2D, name);
    // Rows are packed without gaps whatever the width; the caller's unpack state is kept.
    GLint unpackAlignment = 4, unpackRowLength = 0, unpackSkipRows = 0, unpackSkipPixels = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpackRowLength);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &unpackSkipRows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &unpackSkipPixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image->pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpackRowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, unpackSkipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, unpackSkipPixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return false;
    }

    material.glTexture = static_cast<int>(name);
    material.glContext = context;
    glctx::NoteTexture(context, name, &material);
    return true;
}

void DeleteGLTexture(CMaterial& material) {
    if (material.glTexture == -1) return;
    const GLuint name = static_cast<GLuint>(material.glTexture);
    const OSMesaContext owner = static_cast<OSMesaContext>(material.glContext);
    material.glTexture = -1;
    material.glContext = nullptr;
    if (!owner) return;

    const OSMesaContext current = OSMesaGetCurrentContext();
    if (owner == current || glctx::SameShareGroup(owner, current)) {
        glDeleteTextures(1, &name);
    } else if (glctx::IsRegistered(owner)) {
        glctx::SavedCurrent previous;
        if (glctx::BindRegistered(owner)) glDeleteTextures(1, &name);
    }
    // A context that is neither current nor ours cannot be bound safely; its texture goes with it.
    glctx::ForgetTexture(owner, name);
}

bool IsGlTextureUsableInCurrentContext(const CMaterial& material) {
    if (material.glTexture == -1 || !material.glContext) return false;
    const OSMesaContext owner = static_cast<OSMesaContext>(material.glContext);
    const OSMesaContext current = OSMesaGetCurrentContext();
    return current && (owner == current || glctx::SameShareGroup(owner, current));
}

} // namespace tsm
