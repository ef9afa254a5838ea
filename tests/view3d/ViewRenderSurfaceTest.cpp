#include "view3d/ViewRenderSurface.h"

#include "model/Mesh.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/GLTextures.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <string>

namespace tsm {
namespace {

// Sizes of zero or less change nothing, and a minimised window keeps the last picture; a buffer that
// cannot be made is reported and not drawn until the next resize. The buffer is rebuilt to each size and
// the context stays (the 3D view's reference pictures show the image is top-down).
TEST(ViewRenderSurface, ResizesRebuildTheBufferAndKeepTheContext) {
    RecordingPrompt prompt;
    ViewRenderSurface surface(prompt, RenderSlot::Development);
    for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{-5, 5}})
        EXPECT_FALSE(surface.Resize(w, h)) << w << " x " << h;
    surface.Finish();
    ASSERT_TRUE(surface.Resize(8, 8));
    void* const context = surface.Context();
    EXPECT_FALSE(surface.Resize(0, 0));
    EXPECT_EQ(surface.Image().size(), QSize(8, 8));
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_FALSE(surface.Resize(16385, 10));
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"CreateCompatibleDIB - CreateDIBSection failed",
                                                      "DIB Create Failed"}));
    EXPECT_FALSE(surface.IsReady());
    EXPECT_TRUE(surface.Image().isNull());
    EXPECT_FALSE(surface.MakeCurrent());
    for (const auto& [w, h] : {std::pair{64, 48}, std::pair{7, 3}, std::pair{20, 10}}) {
        ASSERT_TRUE(surface.Resize(w, h)) << w << " x " << h;
        EXPECT_EQ(glctx::Current(), context);
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        surface.Finish();
        ASSERT_EQ(surface.Image().size(), QSize(w, h));
        EXPECT_EQ(surface.Image().pixel(w - 1, h - 1), qRgb(255, 0, 0));
    }
    EXPECT_EQ(prompt.texts.size(), 2u);
}

// The development view builds its font once; its lists and the textures made in the 3D view are seen by
// both, and live on while a member of the group does.
TEST(ViewRenderSurface, SlotsShareListsAndTexturesBeyondTheFirstSurface) {
    RecordingPrompt prompt;
    EXPECT_EQ(ViewRenderSurface::InSlot(RenderSlot::View3D), nullptr);
    auto first = std::make_unique<ViewRenderSurface>(prompt, RenderSlot::View3D);
    auto development = std::make_unique<ViewRenderSurface>(prompt, RenderSlot::Development);
    ASSERT_TRUE(first->Resize(4, 4));
    ASSERT_TRUE(development->Resize(4, 4));
    EXPECT_EQ(ViewRenderSurface::InSlot(RenderSlot::View3D), first.get());
    EXPECT_EQ(ViewRenderSurface::InSlot(RenderSlot::Development), development.get());
    EXPECT_EQ(first->FontListBase(), 0u);
    const unsigned fontBase = development->FontListBase();
    ASSERT_NE(fontBase, 0u);
    ASSERT_TRUE(development->Resize(30, 20));
    EXPECT_EQ(development->FontListBase(), fontBase);

    Material material;
    material.texture = std::make_unique<TextureImage>();
    material.texture->width = 1;
    material.texture->height = 1;
    material.texture->pixels = {1, 2, 3};
    ASSERT_TRUE(first->MakeCurrent());
    EXPECT_TRUE(glIsList(fontBase + '7'));
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
