#include "view3d/GLTextures.h"

#include "model/Mesh.h"
#include "model/Settings.h"
#include "model/TextureImage.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/OffscreenBitmap.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <vector>

namespace tsm {
namespace {

std::unique_ptr<TextureImage> Image(int width, int height, std::vector<uint8_t> pixels) {
    auto image = std::make_unique<TextureImage>();
    image->width = width;
    image->height = height;
    image->pixels = std::move(pixels);
    return image;
}

// 2 x 2 texels, rows top to bottom: red, green / blue, white.
std::unique_ptr<TextureImage> FourColours() {
    return Image(2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
}

std::unique_ptr<Material> TexturedMaterial() {
    auto material = std::make_unique<Material>();
    material->texture = FourColours();
    return material;
}

GLint TextureParameter(GLuint name, GLenum parameter) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

// The texels of a texture as GL holds them, rows from t = 0.
std::vector<uint8_t> Texels(GLuint name, int width, int height) {
    std::vector<uint8_t> texels(size_t(width) * size_t(height) * 3);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

bool IsTextureIn(glctx::Context context, GLuint name) {
    glctx::SavedCurrent previous;
    return glctx::BindRegistered(context) && glIsTexture(name);
}

// The view's cache takes the small image of a material that has both, and none when that one is damaged;
// rows of 3 texels (9 bytes) that a 4-byte unpack alignment would misread arrive whole, and the caller's
// alignment stays.
TEST(GLTextures, UploadTakesTheSmallImageAndKeepsTheUnpackState) {
    RecordingPrompt prompt;
    OffscreenBitmap job(prompt, 4, 4);
    ASSERT_TRUE(job.Begin());
    auto material = TexturedMaterial();
    MakeBitmap(*material);
    TextureCache textures(TextureSource::LimitedTexture);
    const MaterialTexture made = textures.TextureFor(*material, true);
    EXPECT_FALSE(made.bottomUp);
    EXPECT_EQ(TextureParameter(made.name, GL_TEXTURE_WRAP_S), GL_REPEAT);
    const std::vector<uint8_t> texels = {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    material->texture = Image(3, 2, texels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    EXPECT_EQ(Texels(textures.TextureFor(*material, false).name, 3, 2), texels);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
    material->texture->pixels.resize(11);
    EXPECT_EQ(textures.TextureFor(*material, false).name, 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    job.End();
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(GLTextures, ChoiceOfImage) {
    Material material;
    EXPECT_EQ(ChooseTextureImage(material, 1024), TextureImageChoice::None);
    material.texture = Image(64, 64, std::vector<uint8_t>(64 * 64 * 3, 200));
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
    // Without a current context no texture is made.
    material.texture = FourColours();
    TextureCache textures(TextureSource::LimitedTexture);
    ASSERT_EQ(glctx::Current(), nullptr);
    EXPECT_EQ(textures.TextureFor(material, true).name, 0u);
}

// A cache kept between drawings follows its materials: another image and the texture is made again; the
// old one is deleted rather than left behind.
TEST(GLTextures, MadeAgainForAnotherImage) {
    RecordingPrompt prompt;
    OffscreenBitmap renderer(prompt, 16, 16);
    ASSERT_TRUE(renderer.Begin());
    Material material;
    material.texture = FourColours();
    TextureCache textures(TextureSource::BitmapFirst);
    const unsigned first = textures.TextureFor(material, false).name;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(textures.TextureFor(material, false).name, first);
    // A bitmap given later is preferred and replaces the texture made from the small image: its rows
    // bottom-up, padded to 4 bytes, blue first in each pixel.
    MakeBitmap(material);
    const MaterialTexture second = textures.TextureFor(material, false);
    EXPECT_TRUE(second.bottomUp);
    EXPECT_EQ(Texels(second.name, 2, 2),
              (std::vector<uint8_t>{0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0}));
    // Another image of the same size in place of the old one, made after the old one was freed: the
    // allocator likes to hand out the freed image's and pixels' addresses again.
    material.bitmap.reset();
    material.texture.reset();
    material.texture = Image(2, 2, std::vector<uint8_t>(12, 90));
    const MaterialTexture third = textures.TextureFor(material, false);
    EXPECT_FALSE(third.bottomUp);
    EXPECT_EQ(Texels(third.name, 2, 2), std::vector<uint8_t>(12, 90));
    // Other pixels assigned into the same image keep both its address and its pixels' address.
    *material.texture = *Image(2, 2, std::vector<uint8_t>(12, 40));
    EXPECT_EQ(Texels(textures.TextureFor(material, false).name, 2, 2), std::vector<uint8_t>(12, 40));
    EXPECT_EQ(textures.Count(), 1u);
    // Names of deleted textures come back: only one still in use may be a texture.
    for (unsigned name : {first, second.name}) EXPECT_TRUE(name == third.name || !glIsTexture(name)) << name;
    // Materials that left the model lose their textures; those still in it keep theirs.
    const unsigned gone = textures.Find(material).name;
    Mesh model;
    const Material* kept = model.AppendMaterial(TexturedMaterial());
    const unsigned keptName = textures.TextureFor(*kept, false).name;
    textures.KeepOnly(model);
    EXPECT_EQ(textures.Count(), 1u);
    EXPECT_EQ(textures.Find(*kept).name, keptName);
    EXPECT_FALSE(glIsTexture(gone));
    renderer.End();
    EXPECT_TRUE(prompt.texts.empty());
}

// Textures are deleted in the context group that made them, whatever is current, and the current
// context stays current with its picture intact; a group that went took its textures with it, and the
// cache never deletes a texture of the same name that a later context made.
TEST(GLTextures, DeletedWhereTheyWereMade) {
    RecordingPrompt prompt;
    // An off-screen job without views: a context sharing with nobody.
    OffscreenBitmap first(prompt, 3, 3);
    ASSERT_TRUE(first.Begin());
    const auto firstContext = glctx::Current();
    auto material = TexturedMaterial();
    TextureCache textures(TextureSource::LimitedTexture);
    const GLuint old = textures.TextureFor(*material, true).name;
    ASSERT_NE(old, 0u);

    // Asked while another job draws: the old texture goes where it was made, the new one is made here.
    GLuint made = 0;
    {
        OffscreenBitmap job(prompt, 6, 4);
        ASSERT_TRUE(job.Begin());
        const auto jobContext = glctx::Current();
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        made = textures.TextureFor(*material, true).name;
        EXPECT_NE(made, 0u);
        EXPECT_FALSE(IsTextureIn(firstContext, old));
        EXPECT_EQ(glctx::Current(), jobContext);
        job.Finish();
        EXPECT_EQ(job.ToImage().pixel(5, 0), qRgb(255, 0, 0));
        EXPECT_EQ(textures.Count(), 1u);
    }
    EXPECT_EQ(glctx::Current(), firstContext); // what was current before the job
    // The job's group went with its textures; a texture of the first job's with the same name stays.
    glBindTexture(GL_TEXTURE_2D, made);
    ASSERT_TRUE(glIsTexture(made));
    textures.Release();
    EXPECT_TRUE(glIsTexture(made));
    EXPECT_EQ(textures.Count(), 0u);
    first.End();
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
