#include "view3d/GLTextures.h"

#include "GlTestSupport.h"
#include "model/Mesh.h"
#include "model/Settings.h"
#include "model/TextureImage.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/OffscreenBitmap.h"
#include "view3d/ViewRenderSurface.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <vector>

namespace tsm {
namespace {

std::unique_ptr<CTextureImage> Image(int width, int height, std::vector<uint8_t> pixels) {
    auto image = std::make_unique<CTextureImage>();
    image->width = width;
    image->height = height;
    image->pixels = std::move(pixels);
    return image;
}

// 2 x 2 texels, rows top to bottom: red, green / blue, white.
std::unique_ptr<CTextureImage> FourColours() {
    return Image(2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
}

std::unique_ptr<CMaterial> TexturedMaterial() {
    auto material = std::make_unique<CMaterial>();
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

TEST(GLTextures, UploadSetsWrapAndFiltersAndKeepsTheUnpackState) {
    RecordingPrompt prompt;
    OffscreenBitmap job(prompt, 4, 4);
    ASSERT_TRUE(job.Begin());
    auto material = TexturedMaterial();
    TextureCache textures(TextureSource::LimitedTexture);
    const GLuint name = textures.TextureFor(*material, true).name;
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(TextureParameter(textures.TextureFor(*material, false).name, GL_TEXTURE_MIN_FILTER),
              GL_NEAREST);
    // Rows of 3 texels, 9 bytes, which a 4-byte unpack alignment would misread; the caller's alignment
    // stays.
    const std::vector<uint8_t> texels = {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    material->texture = Image(3, 2, texels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    EXPECT_EQ(Texels(textures.TextureFor(*material, false).name, 3, 2), texels);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    job.End();
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(GLTextures, ChoiceOfImage) {
    CMaterial material;
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

// Each cache takes its own image of a material that has both; the size-limited one none when the small
// image is damaged.
TEST(GLTextures, EachSourceTakesItsImage) {
    RecordingPrompt prompt;
    CMaterial both, bitmapOnly;
    both.texture = FourColours();
    MakeBitmap(both);
    bitmapOnly.texture = FourColours();
    MakeBitmap(bitmapOnly);
    bitmapOnly.texture->pixels.resize(11);
    OffscreenBitmap job(prompt, 4, 4);
    ASSERT_TRUE(job.Begin());
    const struct {
        TextureSource source;
        const CMaterial* material;
        bool made;
        bool bottomUp; // DIB rows run bottom-up
    } cases[] = {{TextureSource::LimitedTexture, &both, true, false},
                 {TextureSource::BitmapFirst, &both, true, true},
                 {TextureSource::LimitedTexture, &bitmapOnly, false, false},
                 {TextureSource::BitmapFirst, &bitmapOnly, true, true}};
    for (const auto& c : cases) {
        TextureCache textures(c.source);
        const MaterialTexture texture = textures.TextureFor(*c.material, true);
        EXPECT_EQ(texture.name != 0, c.made) << c.material;
        EXPECT_EQ(texture.bottomUp, c.bottomUp) << c.material;
        EXPECT_EQ(textures.Count(), c.made ? 1u : 0u);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    job.End();
    EXPECT_TRUE(prompt.texts.empty());
}

// A cache kept between drawings follows its materials: another image and the texture is made again; the
// old one is deleted rather than left behind.
TEST(GLTextures, MadeAgainForAnotherImage) {
    RecordingPrompt prompt;
    OffscreenBitmap renderer(prompt, 16, 16);
    ASSERT_TRUE(renderer.Begin());
    CMaterial material;
    material.texture = FourColours();
    TextureCache textures(TextureSource::BitmapFirst);
    const unsigned first = textures.TextureFor(material, false).name;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(textures.TextureFor(material, false).name, first);
    EXPECT_EQ(TextureParameter(first, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
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
    for (unsigned name : {first, second.name})
        if (name != third.name) {
            EXPECT_FALSE(glIsTexture(name)) << name;
        }
    // Without any image the material has no texture any more.
    material.texture.reset();
    EXPECT_EQ(textures.TextureFor(material, false).name, 0u);
    EXPECT_FALSE(glIsTexture(third.name));
    EXPECT_EQ(textures.Count(), 0u);
    renderer.End();
    EXPECT_TRUE(prompt.texts.empty());
}

// Materials that left the model lose their textures; those still in it keep theirs.
TEST(GLTextures, KeepOnlyTheModelsMaterials) {
    RecordingPrompt prompt;
    OffscreenBitmap renderer(prompt, 4, 4);
    ASSERT_TRUE(renderer.Begin());
    CMeshModel model;
    CMaterial* kept = model.AppendMaterial(TexturedMaterial());
    auto gone = TexturedMaterial();
    TextureCache textures(TextureSource::LimitedTexture);
    const unsigned keptName = textures.TextureFor(*kept, true).name;
    const unsigned goneName = textures.TextureFor(*gone, true).name;
    textures.KeepOnly(model);
    EXPECT_EQ(textures.Count(), 1u);
    EXPECT_TRUE(glIsTexture(keptName));
    EXPECT_FALSE(glIsTexture(goneName));
    EXPECT_EQ(textures.Find(*kept).name, keptName);
    EXPECT_EQ(textures.Find(*gone).name, 0u);
    renderer.End();
}

// Textures are deleted in the context group that made them, whatever is current, and the current
// context stays current with its picture intact.
TEST(GLTextures, DeletedWhereTheyWereMade) {
    RecordingPrompt prompt;
    // An off-screen job without views: a context sharing with nobody.
    OffscreenBitmap first(prompt, 3, 3);
    ASSERT_TRUE(first.Begin());
    const auto firstContext = glctx::Current();
    auto material = TexturedMaterial();
    auto textures = std::make_unique<TextureCache>(TextureSource::LimitedTexture);
    const GLuint name = textures->TextureFor(*material, true).name;
    ASSERT_NE(name, 0u);

    // Another job draws; the textures go in the middle of it.
    OffscreenBitmap job(prompt, 6, 4);
    ASSERT_TRUE(job.Begin());
    const auto jobContext = glctx::Current();
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    textures.reset();
    EXPECT_FALSE(IsTextureIn(firstContext, name));
    EXPECT_EQ(glctx::Current(), jobContext);
    job.Finish();
    EXPECT_EQ(test::DibPixel(job, 5, 3), (std::array<uint8_t, 3>{0, 0, 255}));

    // Asked from a context that does not share: the old texture is deleted where it was made and the
    // new one made here.
    TextureCache moving(TextureSource::LimitedTexture);
    ASSERT_TRUE(glctx::BindRegistered(firstContext));
    const GLuint old = moving.TextureFor(*material, true).name;
    ASSERT_TRUE(glctx::BindRegistered(jobContext));
    const GLuint made = moving.TextureFor(*material, true).name;
    EXPECT_TRUE(glIsTexture(made));
    EXPECT_FALSE(IsTextureIn(firstContext, old));
    EXPECT_EQ(moving.Count(), 1u);
    job.End();
    EXPECT_EQ(glctx::Current(), firstContext); // what was current before the job
    first.End();
    EXPECT_TRUE(prompt.texts.empty());
}

// A context group that goes takes its textures with it: the cache forgets them and never deletes a
// texture of the same name that a later context made.
TEST(GLTextures, TexturesGoWithTheirContextGroup) {
    RecordingPrompt prompt;
    auto material = TexturedMaterial();
    TextureCache textures(TextureSource::LimitedTexture);
    GLuint name = 0;
    {
        OffscreenBitmap job(prompt, 4, 4);
        ASSERT_TRUE(job.Begin());
        name = textures.TextureFor(*material, true).name;
        ASSERT_NE(name, 0u);
        job.End();
    }
    OffscreenBitmap later(prompt, 4, 4);
    ASSERT_TRUE(later.Begin());
    TextureCache others(TextureSource::LimitedTexture);
    auto other = TexturedMaterial();
    GLuint otherName = others.TextureFor(*other, true).name;
    // Names count from 1 in every group; make sure one of the later job's textures has the old name.
    for (int i = 0; i < 8 && otherName < name; ++i) {
        glGenTextures(1, &otherName);
        glBindTexture(GL_TEXTURE_2D, otherName);
    }
    ASSERT_TRUE(glIsTexture(name));
    textures.Release();
    EXPECT_TRUE(glIsTexture(name));
    EXPECT_EQ(textures.Count(), 0u);

    // Sharing with a view: the texture outlives the job's context and is deleted through the view's.
    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(2, 2));
    {
        OffscreenBitmap job(prompt, 4, 4);
        ASSERT_TRUE(job.Begin());
        name = textures.TextureFor(*material, true).name;
        ASSERT_NE(name, 0u);
        job.End();
    }
    const auto viewContext = static_cast<glctx::Context>(view.Context());
    EXPECT_TRUE(IsTextureIn(viewContext, name));
    textures.Release();
    EXPECT_FALSE(IsTextureIn(viewContext, name));
    later.End();
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
