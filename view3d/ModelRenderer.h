// The 3D view's picture, drawn into the current GL context: lit faces with their materials and textures,
// grey back sides, edges by fold type, picked faces red, the texture-configuration outline and the
// orientation guide. The camera arrives as one projection matrix (Camera3D.h); the modelview stays
// identity.
#pragma once

#include "model/Document.h"
#include "view3d/Camera3D.h"
#include "view3d/FacingSplit.h"
#include "view3d/GLTextures.h"
#include "view3d/ModelGeometry.h"

namespace tsm {

// The orientation guide of the model-coordinate wizard: 0 none; 1 and 2 the arrow with five or three
// coloured sides (2 turned 90 degrees about X); 3 the mirror plane.
constexpr int kGuideNone = 0;

struct ModelFrameOptions {
    int guideMode = kGuideNone;
    // False sends every polygon and line on its own (glBegin / glEnd); the picture is the same, only
    // slower. Kept to show that the arrays change nothing.
    bool vertexArrays = true;
    // Only the camera has moved since the last frame: the arrays of that frame are drawn again when the
    // document and the display settings are those they were gathered with.
    bool onlyCameraMoved = false;
    // The assembly step shown; inactive: the whole model.
    AssemblyStepView step;
};

// The state every frame relies on, set once per context. Returns the context's largest texture size (the
// system texture limit), 0 when it does not say.
int InitModelViewGL();

// Viewport of the client size, the camera into the projection matrix, identity modelview.
void LoadViewProjection(const Mat4& projection, int clientWidth, int clientHeight);

// Applies a material: the current colour to its flat colour, then its front-face ambient, diffuse,
// specular, emission and shininess.
void ApplyMaterial(const Material& material);

// Sets one entry of the colour table (0x00BBGGRR). Entry 0 is also the colour of the faces without
// material, so it goes at once into the model's default material (ambient, diffuse and flat colour).
void SetColourTableEntry(int index, int32_t colorref, Settings& settings, Document* document);

class ModelRenderer {
public:
    // The renderer keeps the textures it draws with, made in the context it draws into, and deletes them
    // when it goes.
    ModelRenderer() : textures_(TextureSource::LimitedTexture) {}

    // Makes, in the current context, the texture of every material that has an image but no texture
    // yet, and deletes those of materials no longer in the model (all of them without a model, so that
    // a later model whose images take the addresses of the old ones never shows those).
    void UploadMissingTextures(const Mesh* model, bool smooth);
    // Makes every material's texture again; `smooth` (smoothTextures) chooses linear filters, else nearest.
    void ReloadAllTextures(const Mesh* model, bool smooth);

    // One frame into the current context, after LoadViewProjection with the same `projection` (its third
    // row aims the headlight). A null document, or one without a model, gives the background only.
    void Render(Document* document, const Settings& settings, const Mat4& projection,
                const ModelFrameOptions& options = {});

    // What the last frame drew.
    const ModelFrameGeometry& Geometry() const { return geometry_; }
    // How many frames gathered the model into arrays rather than reusing the last ones.
    int GatherCount() const { return gatherCount_; }
    const TextureCache& Textures() const { return textures_; }

private:
    ModelFrameGeometry geometry_; // kept between frames so that its buffers are reused
    FacingSplit split_;
    GatherKey gathered_;
    bool haveGathered_ = false;
    int gatherCount_ = 0;
    TextureCache textures_;
};

} // namespace tsm
