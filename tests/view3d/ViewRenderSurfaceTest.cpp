#include "view3d/ViewRenderSurface.h"

#include "GlTestSupport.h"
#include "model/Mesh.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/GLTextures.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>

namespace tsm {
namespace {

void ClearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

TEST(ViewRenderSurface, SizesOfZeroOrLessChangeNothing) {
    RecordingPrompt prompt;
    ViewRenderSurface surface(prompt, RenderSlot::View3D);
    for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{-5, 5}, std::pair{0, 0}})
        EXPECT_FALSE(surface.Resize(w, h)) << w << " x " << h;
    EXPECT_FALSE(surface.IsReady());
    EXPECT_TRUE(surface.Image().isNull());
    EXPECT_EQ(surface.Context(), nullptr);
    EXPECT_FALSE(surface.MakeCurrent());
    surface.Finish();
    EXPECT_TRUE(prompt.texts.empty());

    // A minimised window keeps the last picture.
    ASSERT_TRUE(surface.Resize(5, 4));
    EXPECT_FALSE(surface.Resize(0, 0));
    EXPECT_EQ(surface.Image().size(), QSize(5, 4));
}

TEST(ViewRenderSurface, PixelsArriveTopDownInAnRgb32Image) {
    RecordingPrompt prompt;
    ViewRenderSurface surface(prompt, RenderSlot::View3D);
    ASSERT_TRUE(surface.Resize(64, 48));
    EXPECT_TRUE(surface.IsReady());
    EXPECT_EQ(glctx::Current(), surface.Context());
    EXPECT_EQ(surface.Image().format(), QImage::Format_RGB32);
    EXPECT_EQ(surface.Image().size(), QSize(64, 48));

    // Red over the lower half of GL's picture is the lower half of the image.
    ClearTo(1, 1, 1);
    test::PixelProjection(64, 48);
    glColor3f(1, 0, 0);
    glRecti(0, 0, 64, 24);
    surface.Finish();
    EXPECT_EQ(surface.Image().pixel(0, 47), qRgb(255, 0, 0));
    EXPECT_EQ(surface.Image().pixel(63, 24), qRgb(255, 0, 0));
    EXPECT_EQ(surface.Image().pixel(63, 23), qRgb(255, 255, 255));
    EXPECT_EQ(surface.Image().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(ViewRenderSurface, ResizeRebuildsTheBufferAndKeepsTheContext) {
    RecordingPrompt prompt;
    ViewRenderSurface surface(prompt, RenderSlot::View3D);
    ASSERT_TRUE(surface.Resize(20, 10));
    void* const context = surface.Context();
    for (const auto& [w, h] : {std::pair{100, 30}, std::pair{7, 3}, std::pair{20, 10}}) {
        ASSERT_TRUE(surface.Resize(w, h));
        EXPECT_EQ(surface.Context(), context);
        ASSERT_EQ(surface.Image().size(), QSize(w, h));
        // The whole new buffer is drawn, up to its far corner.
        ClearTo(0, 0, 1);
        surface.Finish();
        EXPECT_EQ(surface.Image().pixel(w - 1, h - 1), qRgb(0, 0, 255)) << w << " x " << h;
        EXPECT_EQ(surface.Image().pixel(0, 0), qRgb(0, 0, 255));
    }
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(ViewRenderSurface, ABufferThatCannotBeMadeReportsAndTheNextResizeRecovers) {
    RecordingPrompt prompt;
    ViewRenderSurface surface(prompt, RenderSlot::View3D);
    ASSERT_TRUE(surface.Resize(8, 8));
    void* const context = surface.Context();
    EXPECT_FALSE(surface.Resize(16385, 10));
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"CreateCompatibleDIB - CreateDIBSection failed",
                                                      "DIB Create Failed"}));
    // Not drawn until the next resize.
    EXPECT_FALSE(surface.IsReady());
    EXPECT_TRUE(surface.Image().isNull());
    EXPECT_FALSE(surface.MakeCurrent());

    prompt.texts.clear();
    ASSERT_TRUE(surface.Resize(20, 10));
    EXPECT_EQ(surface.Context(), context);
    ClearTo(0, 1, 0);
    surface.Finish();
    EXPECT_EQ(surface.Image().pixel(19, 9), qRgb(0, 255, 0));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(ViewRenderSurface, TwoSurfacesKeepTheirOwnPixels) {
    RecordingPrompt prompt;
    ViewRenderSurface a(prompt, RenderSlot::View3D);
    ViewRenderSurface b(prompt, RenderSlot::Development);
    ASSERT_TRUE(a.Resize(10, 6));
    ClearTo(1, 0, 0);
    a.Finish();
    ASSERT_TRUE(b.Resize(4, 9));
    ClearTo(0, 1, 0);
    b.Finish();
    // Switching back and drawing into one leaves the other's picture alone.
    ASSERT_TRUE(a.MakeCurrent());
    EXPECT_EQ(a.Image().pixel(9, 5), qRgb(255, 0, 0));
    ClearTo(0, 0, 1);
    a.Finish();
    EXPECT_EQ(a.Image().pixel(9, 5), qRgb(0, 0, 255));
    EXPECT_EQ(b.Image().pixel(3, 8), qRgb(0, 255, 0));
    EXPECT_EQ(b.Image().pixel(0, 0), qRgb(0, 255, 0));
}

TEST(ViewRenderSurface, SlotsShareListsAndTheDevelopmentViewBuildsItsFontOnce) {
    RecordingPrompt prompt;
    ViewRenderSurface view3d(prompt, RenderSlot::View3D);
    ViewRenderSurface development(prompt, RenderSlot::Development);
    EXPECT_EQ(ViewRenderSurface::InSlot(RenderSlot::View3D), nullptr);
    ASSERT_TRUE(view3d.Resize(8, 8));
    ASSERT_TRUE(development.Resize(8, 8));
    EXPECT_EQ(ViewRenderSurface::InSlot(RenderSlot::View3D), &view3d);
    EXPECT_EQ(ViewRenderSurface::InSlot(RenderSlot::Development), &development);
    EXPECT_EQ(view3d.FontListBase(), 0u);
    const unsigned base = development.FontListBase();
    ASSERT_NE(base, 0u);

    // Built once: later resizes keep the same lists.
    ASSERT_TRUE(development.Resize(30, 20));
    ASSERT_TRUE(development.Resize(9, 9));
    EXPECT_EQ(development.FontListBase(), base);
    GLuint probe = glGenLists(1); // a fresh list would land in freed space if the font were rebuilt
    EXPECT_NE(probe, base);
    glDeleteLists(probe, 1);

    // The development view's lists are the 3D view's too.
    ASSERT_TRUE(view3d.MakeCurrent());
    EXPECT_TRUE(glIsList(base + '7'));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(ViewRenderSurface, SharingOutlivesTheFirstSurface) {
    RecordingPrompt prompt;
    auto first = std::make_unique<ViewRenderSurface>(prompt, RenderSlot::View3D);
    auto development = std::make_unique<ViewRenderSurface>(prompt, RenderSlot::Development);
    ASSERT_TRUE(first->Resize(4, 4));
    ASSERT_TRUE(development->Resize(4, 4));
    const unsigned fontBase = development->FontListBase();
    CMaterial material;
    material.texture = std::make_unique<CTextureImage>();
    material.texture->width = 1;
    material.texture->height = 1;
    material.texture->pixels = {1, 2, 3};
    ASSERT_TRUE(first->MakeCurrent());
    TextureCache textures(TextureSource::LimitedTexture);
    const GLuint texture = textures.TextureFor(material, true).name;
    ASSERT_NE(texture, 0u);

    // The root goes; its texture stays, seen by the development view.
    first.reset();
    EXPECT_EQ(ViewRenderSurface::InSlot(RenderSlot::View3D), nullptr);
    ASSERT_TRUE(development->MakeCurrent());
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(textures.TextureFor(material, true).name, texture);

    // A new 3D view joins the same group.
    ViewRenderSurface second(prompt, RenderSlot::View3D);
    ASSERT_TRUE(second.Resize(4, 4));
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_TRUE(glIsList(fontBase + '1'));

    // The development view takes its font with it.
    development.reset();
    ASSERT_TRUE(second.MakeCurrent());
    EXPECT_FALSE(glIsList(fontBase + '1'));
    EXPECT_TRUE(glIsTexture(texture));
    // Released while no context is current: deleted through the group's last member.
    glctx::Release();
    textures.Release();
    ASSERT_TRUE(second.MakeCurrent());
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
