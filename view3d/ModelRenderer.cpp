#include "view3d/ModelRenderer.h"

#include "model/Settings.h"
#include "view3d/EdgeStyle.h"
#include "view3d/FacingSplit.h"
#include "view3d/GLTextures.h"
#include "view3d/OrientationGuide.h"

#include <GL/gl.h>

#include <algorithm>

namespace tsm {

namespace {

// Binds what a run of faces is drawn with: a textured run the white base material (so the texture is
// lit by white light) and its texture, any other run its material without texture.
void SetUpRun(const FaceRun& run, const Document& document, TextureCache& textures, bool smooth) {
    if (!run.textured) {
        glDisable(GL_TEXTURE_2D);
        ApplyMaterial(*run.material);
        return;
    }
    ApplyMaterial(document.baseMaterial);
    // The view may have had no context when the model was opened; the texture then comes now.
    const MaterialTexture texture = textures.TextureFor(*run.material, smooth);
    if (texture.name != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture.name);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}

// Triangles (or lines) per draw call. llvmpipe bins everything drawn until a flush into one scene; a
// scene holding a whole 100,000-triangle frame takes tens of megabytes that are allocated afresh, page by
// page, on every frame, and keeps the raster threads idle until the end. A flush every few thousand
// primitives keeps the scene small and the threads busy. The primitives and their order are unchanged.
constexpr int kPrimitivesPerDraw = 4096;

void DrawTriangles(const uint32_t* indices, int indexCount) {
    for (int first = 0; first < indexCount; first += 3 * kPrimitivesPerDraw) {
        const int count = std::min(3 * kPrimitivesPerDraw, indexCount - first);
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, indices + first);
        glFlush();
    }
}

void DrawLineSegments(int firstVertex, int vertexCount) {
    for (int first = 0; first < vertexCount; first += 2 * kPrimitivesPerDraw) {
        glDrawArrays(GL_LINES, firstVertex + first, std::min(2 * kPrimitivesPerDraw, vertexCount - first));
        glFlush();
    }
}

void DrawPolygonsOneByOne(const FaceArrays& a, int firstFace, int faceCount, bool back, bool texCoords) {
    for (int f = firstFace; f < firstFace + faceCount; ++f) {
        const int first = a.firstCorners[f], n = a.polygonSizes[f];
        glNormal3fv(&(back ? a.backNormals : a.normals)[size_t(first) * 3]);
        glBegin(GL_POLYGON);
        for (int k = 0; k < n; ++k) {
            const int c = back ? first + n - 1 - k : first + k;
            if (texCoords) glTexCoord2fv(&a.texCoords[size_t(c) * 2]);
            glVertex3fv(&a.positions[size_t(c) * 3]);
        }
        glEnd();
    }
}

void DrawFrontFaces(const FaceArrays& a, const FacingSplit* split, const Document& document,
                    TextureCache& textures, bool smooth) {
    if (split) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, a.positions.data());
        glNormalPointer(GL_FLOAT, 0, a.normals.data());
        glTexCoordPointer(2, GL_FLOAT, 0, a.texCoords.data());
    }
    for (size_t r = 0; r < a.runs.size(); ++r) {
        const FaceRun& run = a.runs[r];
        SetUpRun(run, document, textures, smooth);
        if (!split) {
            DrawPolygonsOneByOne(a, run.firstFace, run.faceCount, false, true);
            continue;
        }
        // Texture coordinates matter only to textured runs; the others spare their copying.
        if (run.textured)
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        else
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        const FacingSplit::RunRange& range = split->runs[r];
        DrawTriangles(split->front.data() + range.frontFirst, range.frontCount);
    }
    if (split) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
}

// The back of every face: corners in reverse order with the negated normal, so culling shows it from behind.
void DrawBackFaces(const FaceArrays& a, const FacingSplit* split) {
    if (a.FaceCount() == 0) return;
    if (!split) {
        DrawPolygonsOneByOne(a, 0, a.FaceCount(), true, false);
        return;
    }
    if (split->back.empty()) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, a.positions.data());
    glNormalPointer(GL_FLOAT, 0, a.backNormals.data());
    DrawTriangles(split->back.data(), static_cast<int>(split->back.size()));
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Each face once in ring order and once reversed, in the current colour, unlit: visible from both sides.
void DrawBothSidesPlain(const FaceArrays& a, bool vertexArrays) {
    if (a.FaceCount() == 0) return;
    if (!vertexArrays) {
        for (int f = 0; f < a.FaceCount(); ++f) {
            const int first = a.firstCorners[f], n = a.polygonSizes[f];
            for (bool back : {false, true}) {
                glBegin(GL_POLYGON);
                for (int k = 0; k < n; ++k)
                    glVertex3fv(&a.positions[size_t(back ? first + n - 1 - k : first + k) * 3]);
                glEnd();
            }
        }
        return;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, a.positions.data());
    DrawTriangles(a.frontIndices.data(), static_cast<int>(a.frontIndices.size()));
    DrawTriangles(a.backIndices.data(), static_cast<int>(a.backIndices.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
}

void DrawEdges(const LineArrays& lines, bool vertexArrays) {
    if (lines.runs.empty()) return;
    if (vertexArrays) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, lines.positions.data());
        glColorPointer(3, GL_FLOAT, 0, lines.colors.data());
    }
    for (const LineRun& run : lines.runs) {
        glLineWidth(run.widthPixels);
        if (vertexArrays) {
            DrawLineSegments(run.firstVertex, run.vertexCount);
            continue;
        }
        for (int v = run.firstVertex; v < run.firstVertex + run.vertexCount; v += 2) {
            glColor3fv(&lines.colors[size_t(v) * 3]);
            glBegin(GL_LINES);
            glVertex3fv(&lines.positions[size_t(v) * 3]);
            glVertex3fv(&lines.positions[size_t(v + 1) * 3]);
            glEnd();
        }
    }
    if (vertexArrays) {
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
}

bool Visible(const Solid& solid) {
    return solid.inDevelopment && solid.shown;
}

// The faces using the material chosen in the Texture Configuration dialog: yellow where the face has
// texture coordinates, white where it has none.
void DrawHighlightOutline(Mesh& model, bool opened) {
    const Material* highlight = model.highlightMaterial;
    if (highlight == nullptr) return;
    glLineWidth(3);
    for (const auto& solid : model.solids) {
        if (!solid || !Visible(*solid)) continue;
        for (const auto& face : solid->faces) {
            if (&FaceDrawMaterial(model, *face) != highlight) continue;
            bool mapped = false;
            for (const auto& h : face->halfEdges) mapped = mapped || h->u != 0 || h->v != 0;
            if (mapped)
                glColor3f(1, 1, 0);
            else
                glColor3f(1, 1, 1);
            glBegin(GL_LINE_LOOP);
            for (const auto& h : face->halfEdges) {
                const Vec3 p = CornerPosition(*h, opened);
                glVertex3d(p.x, p.y, p.z);
            }
            glEnd();
        }
    }
}

} // namespace

int InitModelViewGL() {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glClearColor(1, 1, 1, 1);
    glEnable(GL_CULL_FACE);
    const GLfloat ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_LIGHTING);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    return maxTextureSize;
}

void LoadViewProjection(const Mat4& projection, int clientWidth, int clientHeight) {
    glViewport(0, 0, clientWidth, clientHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection.m);
}

void ApplyMaterial(const Material& material) {
    glColor3fv(material.flatColor);
    glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, material.emission);
    glMaterialf(GL_FRONT, GL_SHININESS, material.shininess);
}

void SetColourTableEntry(int index, int32_t colorref, Settings& settings, Document* document) {
    if (index < 0 || index >= 8) return;
    settings.colors[index] = colorref;
    if (index != 0 || document == nullptr || !document->model) return;
    Material& material = document->model->defaultMaterial;
    float rgb[3];
    ColorrefToRgb(colorref, rgb);
    for (int i = 0; i < 3; ++i) material.ambient[i] = material.diffuse[i] = material.flatColor[i] = rgb[i];
}

void ModelRenderer::UploadMissingTextures(const Mesh* model, bool smooth) {
    if (model == nullptr) {
        textures_.Release();
        return;
    }
    textures_.KeepOnly(*model);
    for (const auto& material : model->materials)
        if (material && material->texture) textures_.TextureFor(*material, smooth);
}

void ModelRenderer::ReloadAllTextures(const Mesh* model, bool smooth) {
    textures_.Release();
    if (model == nullptr) return;
    for (const auto& material : model->materials)
        if (material && material->texture) textures_.TextureFor(*material, smooth);
}

void ModelRenderer::Render(Document* document, const Settings& settings, const Mat4& projection,
                           const ModelFrameOptions& options) {
    const bool arrays = options.vertexArrays;

    // A headlight: directional, from the viewer along the viewing axis, whatever the camera does.
    const GLfloat headlight[4] = {-float(projection.m[2]), -float(projection.m[6]), -float(projection.m[10]),
                                  0};
    glLightfv(GL_LIGHT0, GL_POSITION, headlight);
    glEnable(GL_LIGHT0);

    float background[3];
    ColorrefToRgb(settings.colors[7], background);
    glClearDepth(1.0);
    glClearColor(background[0], background[1], background[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (document == nullptr || !document->model) {
        glFlush();
        return;
    }
    Mesh& model = *document->model;
    const GatherKey key = GatherKey::Of(*document, settings);
    if (!(options.onlyCameraMoved && haveGathered_ && key == gathered_)) {
        GatherModelFrame(*document, settings, geometry_, options.step);
        gathered_ = key;
        // The key does not hold the step: a step's arrays are never drawn again for another frame.
        haveGathered_ = !options.step.active;
        ++gatherCount_;
    }

    if (settings.drawFaces) {
        if (settings.lighting)
            glEnable(GL_LIGHTING);
        else
            glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        const FacingSplit* split = nullptr;
        if (arrays) {
            SplitByFacing(geometry_.faces, projection, split_);
            split = &split_;
        }
        DrawFrontFaces(geometry_.faces, split, *document, textures_, settings.smoothTextures);
        // Culling keeps one side of each face: its material from the front, grey from behind.
        glDisable(GL_TEXTURE_2D);
        ApplyMaterial(model.greyMaterial);
        DrawBackFaces(geometry_.faces, split);
    }

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    if (settings.drawEdges) DrawEdges(geometry_.edges, arrays);

    glColor3f(1, 0, 0);
    if (settings.drawFaces) DrawBothSidesPlain(geometry_.picked, arrays);

    DrawHighlightOutline(model, document->development != nullptr && settings.drawModelOnOpen);
    DrawOrientationGuide(model, options.guideMode);
    glFlush();
}

} // namespace tsm
