#include "sheet/RasterTextures.h"

#include "model/Prompt.h"
#include "model/TextureImage.h"
#include "tests/sheet/RasterFixtures.h"
#include "view3d/DibForGLRender.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

namespace tsm {
namespace {

using namespace tsm::test;

TEST(RasterTextures, ChoiceOfImage) {
    CMaterial material;
    EXPECT_EQ(ChooseTextureImage(material, 1024), TextureImageChoice::None);
    material.texture = UniformTexture(64, 64, {1, 0, 0});
    EXPECT_EQ(ChooseTextureImage(material, 1024), TextureImageChoice::Texture);
    // The full-size bitmap wins: outputs keep the resolution of the original image.
    MakeBitmap(material);
    EXPECT_EQ(ChooseTextureImage(material, 1024), TextureImageChoice::Bitmap);
    // A bitmap larger than GL takes falls back to the size-limited texture, then to nothing.
    material.bitmap->width = 2048;
    material.bitmap->bits.resize(size_t(material.bitmap->Stride()) * 64);
    EXPECT_EQ(ChooseTextureImage(material, 1024), TextureImageChoice::Texture);
    EXPECT_EQ(ChooseTextureImage(material, 32), TextureImageChoice::None);
    // Sizes that disagree with the buffers (damaged data) count as no image.
    material.bitmap->width = 64;
    material.bitmap->bits.resize(10);
    material.texture->pixels.resize(5);
    EXPECT_EQ(ChooseTextureImage(material, 1024), TextureImageChoice::None);
    material.texture->width = -4;
    EXPECT_EQ(ChooseTextureImage(material, 1024), TextureImageChoice::None);
}

// A set kept between drawings follows its materials: another image, or another smoothing setting, and the
// texture is made again; the old one is deleted rather than left behind.
TEST(RasterTextures, MadeAgainForAnotherImageOrFilter) {
    bool smooth = Settings().bTextureSmooth;
    RecordingPrompt prompt;
    CDIBforGLRender renderer(prompt, 16, 16);
    ASSERT_TRUE(renderer.Begin());
    CMaterial material;
    material.texture = QuadrantTexture(8);
    OwnedRasterTextures textures;
    const unsigned first = textures.TextureFor(material, smooth).name;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(textures.TextureFor(material, smooth).name, first);
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, first);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, smooth ? GL_LINEAR : GL_NEAREST);

    smooth = !smooth;
    const unsigned second = textures.TextureFor(material, smooth).name;
    ASSERT_NE(second, 0u);
    glBindTexture(GL_TEXTURE_2D, second);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, smooth ? GL_LINEAR : GL_NEAREST);
    EXPECT_EQ(textures.TextureFor(material, smooth).name, second);

    // A bitmap given later is preferred and replaces the texture made from the small image.
    MakeBitmap(material);
    const RasterTexture third = textures.TextureFor(material, smooth);
    EXPECT_TRUE(third.bottomUp);
    material.bitmap.reset();
    const RasterTexture fourth = textures.TextureFor(material, smooth);
    EXPECT_NE(fourth.name, 0u);
    EXPECT_FALSE(fourth.bottomUp);
    // Only the last one lives.
    EXPECT_EQ(textures.Count(), 1u);
    for (unsigned name : {first, second, third.name}) {
        if (name != fourth.name) {
            EXPECT_FALSE(glIsTexture(name)) << name;
        }
    }
    // Without any image the material has no texture any more.
    material.texture.reset();
    EXPECT_EQ(textures.TextureFor(material, smooth).name, 0u);
    EXPECT_FALSE(glIsTexture(fourth.name));
    EXPECT_EQ(textures.Count(), 0u);
    textures.Release();
    renderer.End();
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(RasterTextures, MadeOncePerMaterialAndReleased) {
    RecordingPrompt prompt;
    CDIBforGLRender renderer(prompt, 16, 16);
    ASSERT_TRUE(renderer.Begin());
    CMaterial fromTexture, fromBitmap, plain;
    fromTexture.texture = QuadrantTexture(8);
    fromBitmap.texture = QuadrantTexture(8);
    MakeBitmap(fromBitmap);
    std::vector<unsigned> names;
    {
        OwnedRasterTextures textures;
        const RasterTexture t = textures.TextureFor(fromTexture, true);
        ASSERT_NE(t.name, 0u);
        EXPECT_FALSE(t.bottomUp);
        // Asked again: the same texture, nothing new made.
        EXPECT_EQ(textures.TextureFor(fromTexture, true).name, t.name);
        const RasterTexture b = textures.TextureFor(fromBitmap, true);
        ASSERT_NE(b.name, 0u);
        EXPECT_NE(b.name, t.name);
        EXPECT_TRUE(b.bottomUp); // DIB rows run bottom-up
        // No image, no texture, and asking again stays cheap and empty.
        EXPECT_EQ(textures.TextureFor(plain, true).name, 0u);
        EXPECT_EQ(textures.TextureFor(plain, true).name, 0u);
        EXPECT_EQ(textures.Count(), 2u);
        // The materials' own GL texture fields belong to the views and stay untouched.
        EXPECT_EQ(fromTexture.glTexture, -1);
        EXPECT_EQ(fromBitmap.glTexture, -1);
        EXPECT_TRUE(glIsTexture(t.name));
        names = {t.name, b.name};
        textures.Release();
        EXPECT_EQ(textures.Count(), 0u);
        EXPECT_FALSE(glIsTexture(t.name));
        // After a release, textures are made again on demand.
        EXPECT_NE(textures.TextureFor(fromTexture, true).name, 0u);
        EXPECT_EQ(textures.Count(), 1u);
    }
    // The destructor deleted what was made after the release.
    for (unsigned name : names) EXPECT_FALSE(glIsTexture(name));
    renderer.End();
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
