#include "view3d/ModelRenderer.h"

#include "View3DFixtures.h"
#include "model/Settings.h"
#include "tests/sheet/ReferenceImage.h"
#include "view3d/GLContextRegistry.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <string>

namespace tsm {
namespace {

constexpr int kW = 160, kH = 160;

using test::Facing;

QImage Render(Document* doc, const Settings& settings, const Camera3D& camera = Camera3D{},
              int guideMode = kGuideNone) {
    RecordingPrompt prompt;
    return RenderModelViewImage(doc, settings, kW, kH, camera, prompt, guideMode);
}
QImage Render(Document* doc, const Camera3D& camera = Camera3D{}, int guideMode = kGuideNone) {
    return Render(doc, Settings(), camera, guideMode);
}

// Renders the document twice in one context, with vertex arrays and one polygon at a time.
std::pair<QImage, QImage> RenderBothWays(Document* doc, const Settings& settings, const Camera3D& camera) {
    RecordingPrompt prompt;
    ViewRenderSurface surface(prompt, RenderSlot::View3D);
    EXPECT_TRUE(surface.Resize(kW, kH));
    InitModelViewGL();
    const Mat4 projection = CameraProjection(camera, kW, kH, doc->model.get());
    ModelRenderer renderer;
    std::pair<QImage, QImage> images;
    for (bool arrays : {true, false}) {
        LoadViewProjection(projection, kW, kH);
        ModelFrameOptions options;
        options.vertexArrays = arrays;
        renderer.Render(doc, settings, projection, options);
        surface.Finish();
        (arrays ? images.first : images.second) = surface.Image().copy();
    }
    glctx::Release();
    return images;
}

int CountPixels(const QImage& image, QRgb colour, int tolerance = 0) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= tolerance &&
                std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(p) - qBlue(colour)) <= tolerance)
                ++count;
        }
    return count;
}

bool IsGrey(QRgb p) {
    return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) < 250;
}

// Pixels that differ at all, and the largest difference of one channel.
struct PixelDifference {
    long pixels = 0;
    int largest = 0;
};
PixelDifference Compare(const QImage& a, const QImage& b) {
    PixelDifference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int c = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            d.pixels += c != 0;
            d.largest = std::max(d.largest, c);
        }
    return d;
}

TEST(ModelRenderer, VertexArraysDrawTheSamePictureAsOnePolygonAtATime) {
    // From outside, close up (parts of the model behind the eye), from inside and edge-on.
    std::vector<Camera3D> cameras(4, Camera3D{});
    cameras[1].distance = -0.4;
    cameras[1].offsetX = 0.05;
    cameras[2].distance = -0.4;
    cameras[2].pan = {0.2, 0.1, 0};
    cameras[2].yaw = 100;
    cameras[3] = Facing(0, 90);
    // The sample with a development (opened corners, cut edges doubled), the textured house, and a torus
    // of many small triangles.
    test::OpenedSample cube("cube.tsm"), house("house.tsm");
    ASSERT_TRUE(cube.opened);
    ASSERT_TRUE(house.opened);
    Document torus;
    test::UseColourZero(torus);
    const MeshData ring = Torus(40, 24, 1.0, 0.4, true);
    AddSolid(torus, "torus", ring.vertices, ring.faces);
    int d = 0;
    for (Document* doc : {cube.Doc(), house.Doc(), &torus}) {
        ++d;
        // One face picked, so that the red pass is compared too.
        doc->model->solids[0]->faces[0]->picked = true;
        for (size_t c = 0; c < cameras.size(); ++c) {
            const auto [arrays, immediate] =
                RenderBothWays(doc, WithDisplay(Settings(), doc->display), cameras[c]);
            // Mesa lights a normal given once per polygon on another path than a normal per corner, and the
            // two round differently by one step at a few pixels; nothing else may differ.
            const PixelDifference difference = Compare(arrays, immediate);
            EXPECT_LE(difference.largest, 1) << "model " << d << ", camera " << c;
            EXPECT_LE(difference.pixels, kW * kH / 100) << "model " << d << ", camera " << c;
            EXPECT_LT(CountPixels(arrays, qRgb(255, 255, 255)), kW * kH) << "camera " << c;
        }
    }
    // Without lights and materials, and with every edge drawn.
    for (Document* doc : {house.Doc(), &torus}) {
        Settings unlit = WithDisplay(Settings(), doc->display);
        unlit.lighting = unlit.useMaterials = unlit.omitFlatFolds = false;
        const auto [arrays, immediate] = RenderBothWays(doc, unlit, cameras[0]);
        // Unlit, the two paths agree to the last bit.
        EXPECT_EQ(Compare(arrays, immediate).pixels, 0);
    }
}

TEST(ModelRenderer, CubeFromTheDefaultCamera) {
    EXPECT_TRUE(test::MatchesReference(Render(test::CubeDocument().get()), "3d-cube-default"));
}

TEST(ModelRenderer, TexturedFace) {
    Document doc;
    AddMaterial(doc, "checker", {1, 1, 1}, MakeCheckerboard(64, 64, 16, {1, 0, 0}, {1, 1, 0}));
    const MeshData quad = Grid(1, 1, 2.0);
    AssignFaceUV(AddSolid(doc, "quad", quad.vertices, quad.faces, 0));
    EXPECT_TRUE(test::MatchesReference(Render(&doc, Facing(0, 0)), "3d-textured-face"));

    // Seen from behind the face is grey and untextured.
    const QImage behind = Render(&doc, Facing(0, 180));
    EXPECT_TRUE(IsGrey(behind.pixel(kW / 2, kH / 2))) << std::hex << behind.pixel(kW / 2, kH / 2);
    EXPECT_EQ(CountPixels(behind, qRgb(230, 0, 0), 30), 0);
}

TEST(ModelRenderer, TextureConfigurationOutline) {
    Settings settings;
    settings.colors[7] = 0x00404040; // a dark background, so that white lines show
    Document doc;
    test::UseColourZero(doc); // faces without material light blue, not white
    Material& checker =
        AddMaterial(doc, "checker", {1, 1, 1}, MakeCheckerboard(8, 8, 2, {0, 0, 1}, {0, 0, 1}));
    Material& plain = AddMaterial(doc, "plain", {0, 0, 1});
    const MeshData quad = Grid(1, 1, 2.0);
    Solid& solid = AddSolid(doc, "quad", quad.vertices, quad.faces, 0);
    AssignFaceUV(solid);
    // At an angle the headlight leaves the light blue face short of white.
    const Camera3D turned = Facing(0, 50);
    EXPECT_EQ(CountPixels(Render(&doc, settings, turned), qRgb(255, 255, 0)), 0);
    // The faces of the chosen material are outlined: yellow where they have texture coordinates.
    doc.model->highlightMaterial = &checker;
    EXPECT_GT(CountPixels(Render(&doc, settings, turned), qRgb(255, 255, 0)), 100);
    // White without them.
    for (auto& h : solid.faces[0]->halfEdges) h->u = h->v = 0;
    const QImage white = Render(&doc, settings, turned);
    EXPECT_EQ(CountPixels(white, qRgb(255, 255, 0)), 0);
    EXPECT_GT(CountPixels(white, qRgb(255, 255, 255)), 100);
    // A face without material is outlined when the default material is the chosen one, not another.
    doc.model->highlightMaterial = &plain;
    solid.faces[0]->materialIndex = -1;
    EXPECT_EQ(CountPixels(Render(&doc, settings, turned), qRgb(255, 255, 255)), 0);
    doc.model->highlightMaterial = &doc.model->defaultMaterial;
    EXPECT_GT(CountPixels(Render(&doc, settings, turned), qRgb(255, 255, 255)), 100);
}

TEST(ModelRenderer, BackFacesAreGreyInsideAnOpenBox) {
    Document doc;
    test::UseColourZero(doc);
    MeshData box = Cube(2.0);
    // Without its top the box shows the backs of its other faces from above.
    box.faces.erase(std::find_if(box.faces.begin(), box.faces.end(), [&box](const auto& face) {
        return std::all_of(face.begin(), face.end(), [&box](int v) { return box.vertices[v].y > 0; });
    }));
    AddSolid(doc, "open box", box.vertices, box.faces);
    EXPECT_TRUE(test::MatchesReference(Render(&doc, Facing(70, -30)), "3d-back-faces-grey"));
}

// Cut edges in the open edge's colour (orange), where the folds are blue: opened, each side at its own
// face's corners; closed, once at the vertices.
TEST(ModelRenderer, CutEdgesAreDoubledWhenOpenEdgesAreEmphasised) {
    test::OpenedSample sample("cube.tsm");
    ASSERT_TRUE(sample.opened);
    const QImage opened = Render(sample.Doc());
    EXPECT_TRUE(test::MatchesReference(opened, "3d-cut-edges-doubled"));
    sample.settings.drawModelOnOpen = false;
    const QImage closed = Render(sample.Doc(), sample.settings);
    EXPECT_TRUE(test::MatchesReference(closed, "3d-cut-edges-closed"));
    const QRgb orange = qRgb(255, 100, 0);
    EXPECT_GT(CountPixels(opened, orange, 40), 100);
    EXPECT_GT(CountPixels(closed, orange, 40), 100);
}

TEST(ModelRenderer, PickedFacesAreRedFromBothSides) {
    auto doc = test::CubeDocument();
    for (auto& face : doc->model->solids[0]->faces)
        if (face->Normal().x > 0.5 || face->Normal().y > 0.5) face->picked = true;
    EXPECT_TRUE(test::MatchesReference(Render(doc.get()), "3d-picked-faces-red"));
    // From inside (backs facing the camera) the picked faces are still red: a camera behind the right face
    // looks at its back. Moving into the cube's middle sees every face from behind.
    Camera3D inside = Facing(0, 90);
    inside.distance = -0.4;
    EXPECT_GT(CountPixels(Render(doc.get(), inside), qRgb(255, 0, 0)), 100);
}

TEST(ModelRenderer, OrientationGuide) {
    // A sphere touches the guide's cube only at six points, so the translucent sides lie clear of it.
    Document sphere;
    test::UseColourZero(sphere);
    const MeshData ball = Icosphere(2, 1.0);
    AddSolid(sphere, "ball", ball.vertices, ball.faces);
    EXPECT_TRUE(test::MatchesReference(Render(&sphere, Camera3D{}, 1), "3d-orientation-guide"));
    EXPECT_TRUE(test::MatchesReference(Render(&sphere, Camera3D{}, 3), "3d-orientation-guide-mirror"));
}

} // namespace
} // namespace tsm
