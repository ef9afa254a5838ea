// The GL textures made from materials' images, kept by whoever draws with them: the 3D view's renderer,
// the development view, an off-screen output. The model knows nothing of them.
#pragma once

#include "model/Mesh.h"

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace tsm {

// A texture ready to bind; name 0 means the material has no usable image.
struct MaterialTexture {
    unsigned name = 0;
    // Rows stored bottom row first (a DIB): texture coordinate t = 1 - v, so that v = 0 stays the top row
    // of the image as in the 3D view.
    bool bottomUp = false;
};

// Which of a material's images is uploaded.
enum class TextureImageChoice {
    None,
    Bitmap,  // the full-size 2D bitmap: printing and export keep the texture's own resolution
    Texture, // the size-limited texture, when there is no bitmap or it is too large for GL
};
// Images whose sizes disagree with their pixel buffers count as absent.
TextureImageChoice ChooseTextureImage(const Material& material, int maxTextureSizePixels);

// The images a cache takes: the 3D view shows the size-limited texture only, the development drawing
// prefers the full-size bitmap (ChooseTextureImage).
enum class TextureSource { LimitedTexture, BitmapFirst };

// Textures made on demand, one per material, in the GL context current at the first request, and owned
// here. A texture is made again when its material has been given another image, or the smoothing
// setting (smoothTextures: linear filters, else nearest) has changed, since it was made, so that a cache
// kept from one drawing to the next never shows an old one. Wrap is repeat, level 0 only.
//
// The textures belong to the share group of the context that made them: they are deleted with a context
// of that group current (bound for the purpose when none is, and the previous one made current again),
// or only forgotten when the whole group has gone, since they went with it. Materials are looked up by
// address and never read again once they are asked for no more, so a material or model that goes first
// leaves nothing dangling; KeepOnly drops the textures of materials that left the model.
class TextureCache {
public:
    explicit TextureCache(TextureSource source) : source_(source) {}
    ~TextureCache() { Release(); }
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // The material's texture in the current context. Textures made in a context that shares nothing
    // with the current one are deleted first. Name 0 without a current context, without a usable image,
    // or when GL refuses the image. `smooth` (smoothTextures) chooses linear filters, else nearest.
    MaterialTexture TextureFor(const Material& material, bool smooth);
    // Deletes the textures of materials that are not among the model's.
    void KeepOnly(const Mesh& model);
    // Deletes every texture; later requests make them again.
    void Release();

    // Textures made so far (materials without an image not counted).
    size_t Count() const;
    // The texture made for the material, without making one (name 0 when none).
    MaterialTexture Find(const Material& material) const;

private:
    struct Made {
        MaterialTexture texture;
        uint64_t image = 0; // the serial of the bitmap or texture image it was made from; 0 for none
        bool smooth = false;
    };

    bool MadeInGroupOf(void* context) const;
    void Delete(const std::vector<unsigned>& names);

    TextureSource source_;
    std::unordered_map<const Material*, Made> made_;
    void* context_ = nullptr; // where the textures were made, and its share group (0 when unregistered)
    int group_ = 0;
    int maxTextureSize_ = 0;
};

} // namespace tsm
