// A material's texture image as an OpenGL texture object, made in the current context and deleted in the
// context that made it.
#pragma once

namespace tsm {

struct CMaterial;

// Uploads the material's texture image (RGB bytes, level 0, no mipmaps) into the current context, after
// deleting the texture it already has; wrap repeat, filters linear with bTextureSmooth, nearest otherwise.
// The current context is recorded in material.glContext. Returns false and leaves the material without a
// GL texture when it has no usable image, no context is current or GL refuses the image.
bool MakeGLTexture(CMaterial& material, bool smooth);

// Deletes the material's GL texture with its recorded context current, then makes the previous context
// current again; the texture name becomes -1. A texture whose contexts are all gone has died with them.
// Materials must let go of their textures only through here (the material destructor does).
void DeleteGLTexture(CMaterial& material);

// True when the material's texture can be bound in the current context: made there or in a context that
// shares its objects.
bool IsGlTextureUsableInCurrentContext(const CMaterial& material);

// Lets a destroyed material delete its texture through DeleteGLTexture. MakeGLTexture does this itself.
void RegisterGlTextureReleaser();

} // namespace tsm
