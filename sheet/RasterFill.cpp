#include "sheet/RasterFill.h"

#include "sheet/DevelopmentRaster.h"

#include <algorithm>
#include <cmath>

namespace tsm {

FillStyle MaterialFill(Material& material, TextureCache* textures, bool smooth) {
    FillStyle fill;
    if (textures != nullptr) fill.texture = textures->TextureFor(material, smooth);
    std::copy(material.flatColor, material.flatColor + 3, fill.rgb);
    return fill;
}

FillStyle PlainFill(float r, float g, float b) {
    FillStyle fill;
    fill.rgb[0] = r;
    fill.rgb[1] = g;
    fill.rgb[2] = b;
    return fill;
}

bool ApplyFill(const FillStyle& fill) {
    if (fill.texture.name != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, fill.texture.name);
        glColor4f(1, 1, 1, 1);
        return true;
    }
    glDisable(GL_TEXTURE_2D);
    glColor4f(fill.rgb[0], fill.rgb[1], fill.rgb[2], 1.0f);
    return false;
}

PolygonFiller::~PolygonFiller() {
    if (tess_ != nullptr) gluDeleteTess(tess_);
}

void PolygonFiller::Fill(std::vector<PolygonVertex>& vertices, bool textured) {
    if (!Outline(vertices)) return;
    if (IsConvexPolygon(points_)) {
        glBegin(GL_TRIANGLE_FAN);
        for (const PolygonVertex& v : vertices) Emit(v, textured);
        glEnd();
        return;
    }
    Tessellate(vertices, textured);
}

void PolygonFiller::FillInto(FillBatch& batch, const FillStyle& fill, std::vector<PolygonVertex>& vertices) {
    if (!Outline(vertices)) return;
    if (IsConvexPolygon(points_)) {
        corners_.clear();
        for (const PolygonVertex& v : vertices) {
            BatchVertex corner;
            for (int i = 0; i < 3; ++i) corner.xyz[i] = float(v.xyz[i]);
            corner.st[0] = float(v.st[0]);
            corner.st[1] = float(v.st[1]);
            if (fill.texture.name == 0) std::copy(fill.rgb, fill.rgb + 3, corner.rgba);
            corners_.push_back(corner);
        }
        batch.AddFan(fill.texture.name, corners_);
        return;
    }
    Tessellate(vertices, ApplyFill(fill));
    glDisable(GL_TEXTURE_2D);
}

bool PolygonFiller::Outline(const std::vector<PolygonVertex>& vertices) {
    if (vertices.size() < 3) return false;
    points_.clear();
    for (const PolygonVertex& v : vertices) {
        // A damaged file's corner at infinity or NaN: nothing sensible to fill, and the tessellator must
        // not see it.
        if (!std::isfinite(v.xyz[0]) || !std::isfinite(v.xyz[1])) return false;
        points_.push_back({v.xyz[0], v.xyz[1]});
    }
    return true;
}

void PolygonFiller::Tessellate(std::vector<PolygonVertex>& vertices, bool textured) {
    if (!Tessellator()) return;
    textured_ = textured;
    combined_.clear();
    gluTessBeginPolygon(tess_, this);
    gluTessBeginContour(tess_);
    for (PolygonVertex& v : vertices) gluTessVertex(tess_, v.xyz, &v);
    gluTessEndContour(tess_);
    gluTessEndPolygon(tess_);
}

void PolygonFiller::Emit(const PolygonVertex& v, bool textured) {
    if (textured) glTexCoord2dv(v.st);
    glVertex3dv(v.xyz);
}

bool PolygonFiller::Tessellator() {
    if (tess_ != nullptr) return true;
    tess_ = gluNewTess();
    if (tess_ == nullptr) return false;
    // Faces that cross themselves (damaged files) fill where the outline winds an odd number of times.
    gluTessProperty(tess_, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    gluTessNormal(tess_, 0, 0, 1);
    gluTessCallback(tess_, GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(&OnBegin));
    gluTessCallback(tess_, GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(&OnEnd));
    gluTessCallback(tess_, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&OnVertex));
    gluTessCallback(tess_, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&OnCombine));
    return true;
}

void PolygonFiller::OnBegin(GLenum type) {
    glBegin(type);
}

void PolygonFiller::OnEnd() {
    glEnd();
}

void PolygonFiller::OnVertex(void* vertex, void* filler) {
    Emit(*static_cast<PolygonVertex*>(vertex), static_cast<PolygonFiller*>(filler)->textured_);
}

void PolygonFiller::OnCombine(GLdouble coords[3], void* neighbours[4], GLfloat weights[4], void** out,
                              void* filler) {
    auto* self = static_cast<PolygonFiller*>(filler);
    PolygonVertex v;
    std::copy(coords, coords + 3, v.xyz);
    for (int i = 0; i < 4; ++i) {
        const auto* n = static_cast<const PolygonVertex*>(neighbours[i]);
        if (n == nullptr) continue;
        v.st[0] += weights[i] * n->st[0];
        v.st[1] += weights[i] * n->st[1];
    }
    // A deque keeps earlier combined vertices in place while the tessellator still points at them.
    self->combined_.push_back(v);
    *out = &self->combined_.back();
}

} // namespace tsm
