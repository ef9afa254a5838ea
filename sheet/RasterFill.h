// Filling the development's polygons with OpenGL: a material's texture or a plain colour, convex
// polygons as fans (or into a batch), the others through the GLU tessellator.
#pragma once

#include "model/Mesh.h"
#include "sheet/RasterBatch.h"
#include "view3d/GLTextures.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <deque>
#include <vector>

namespace tsm {

struct FillStyle {
    MaterialTexture texture;
    float rgb[3] = {1, 1, 1};
};

FillStyle MaterialFill(Material& material, TextureCache* textures, bool smooth);
FillStyle PlainFill(float r, float g, float b);
// Sets colour and texture for the next polygon; true when it is textured.
bool ApplyFill(const FillStyle& fill);

struct PolygonVertex {
    GLdouble xyz[3] = {0, 0, 0};
    GLdouble st[2] = {0, 0};
};

class PolygonFiller {
public:
    PolygonFiller() = default;
    PolygonFiller(const PolygonFiller&) = delete;
    PolygonFiller& operator=(const PolygonFiller&) = delete;
    ~PolygonFiller();

    void Fill(std::vector<PolygonVertex>& vertices, bool textured);
    // A convex polygon joins `batch` under `fill`'s texture or colour; any other is drawn at once in that
    // fill (the layer's depth test keeps it in its place among the batched ones).
    void FillInto(FillBatch& batch, const FillStyle& fill, std::vector<PolygonVertex>& vertices);

private:
    bool Outline(const std::vector<PolygonVertex>& vertices);
    void Tessellate(std::vector<PolygonVertex>& vertices, bool textured);
    bool Tessellator();
    static void Emit(const PolygonVertex& v, bool textured);
    static void OnBegin(GLenum type);
    static void OnEnd();
    static void OnVertex(void* vertex, void* filler);
    static void OnCombine(GLdouble coords[3], void* neighbours[4], GLfloat weights[4], void** out,
                          void* filler);

    GLUtesselator* tess_ = nullptr;
    std::vector<Point2> points_;
    std::deque<PolygonVertex> combined_;
    std::vector<BatchVertex> corners_;
    bool textured_ = false;
};

} // namespace tsm
