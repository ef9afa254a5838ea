// The GL textures the raster drawing of the development binds for materials and pictures.
#pragma once

#include "model/Mesh.h"

#include <cstddef>
#include <unordered_map>

namespace tsm {

// A texture ready to bind; name 0 means the material has no usable image.
struct RasterTexture {
    unsigned name = 0;
    // Rows stored bottom row first (a DIB): texture coordinate t = 1 - v, so that v = 0 stays the top row
    // of the image as in the 3D view.
    bool bottomUp = false;
};

class RasterTextureSource {
public:
    virtual ~RasterTextureSource() = default;
    // `smooth` (bTextureSmooth): filtered linearly, else nearest.
    virtual RasterTexture TextureFor(CMaterial& material, bool smooth) = 0;
};

// Which of a material's images an off-screen output uploads.
enum class TextureImageChoice {
    None,
    Bitmap,  // the full-size 2D bitmap: printing and export keep the texture's own resolution
    Texture, // the size-limited texture, when there is no bitmap or it is too large for GL
};
// Images whose sizes disagree with their pixel buffers count as absent.
TextureImageChoice ChooseTextureImage(const CMaterial& material, int maxTextureSizePixels);

// Textures made on demand in the GL context current at the first request, owned here and deleted by
// Release. The materials' own texture fields are left alone: they belong to the views' contexts, which an
// output's context does not share. Destroy or Release while the context that made them is current.
//
// A texture is made again when its material has been given another image, or the smoothing setting has
// changed, since it was made, so that a set kept from one drawing to the next never shows an old one.
class OwnedRasterTextures : public RasterTextureSource {
public:
    OwnedRasterTextures() = default;
    ~OwnedRasterTextures() override;
    OwnedRasterTextures(const OwnedRasterTextures&) = delete;
    OwnedRasterTextures& operator=(const OwnedRasterTextures&) = delete;

    RasterTexture TextureFor(CMaterial& material, bool smooth) override;
    void Release();
    // Forgets the textures without deleting them, for when the context that made them is gone.
    void Abandon();
    // Textures made so far (materials without an image not counted).
    size_t Count() const;

private:
    struct Made {
        RasterTexture texture;
        const void* image = nullptr; // the bitmap or texture image it was made from
        bool smooth = false;
    };
    std::unordered_map<const CMaterial*, Made> made_;
    int maxTextureSize_ = 0;
};

} // namespace tsm
