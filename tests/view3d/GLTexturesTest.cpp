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

// Draws the texture over the whole of a w x h target, texel row 0 at t = 0 (the bottom).
void DrawTextureOver(GLuint name, int width, int height) {
    glViewport(0, 0, width, height);
    test::PixelProjection(width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(float(width), 0);
    glTexCoord2f(1, 1);
    glVertex2f(float(width), float(height));
    glTexCoord2f(0, 1);
    glVertex2f(0, float(height));
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

bool IsTextureIn(glctx::Context context, GLuint name) {
    glctx::SavedCurrent previous;
    return glctx::BindRegistered(context) && glIsTexture(name);
}

TEST(GLTextures, UploadSetsWrapAndFiltersAndKeepsTheUnpackState) {
    bool smooth = true;
    RecordingPrompt prompt;
    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(4, 4));
    auto material = TexturedMaterial();
    TextureCache textures(TextureSource::LimitedTexture);
    const GLuint name = textures.TextureFor(*material, smooth).name;
    ASSERT_NE(name, 0u);
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_MIN_FILTER), GL_LINEAR);

    // Without smoothing: nearest, and the texels arrive as stored, row 0 of the image at t = 0.
    smooth = false;
    const GLuint nearest = textures.TextureFor(*material, smooth).name;
    EXPECT_EQ(TextureParameter(nearest, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    DrawTextureOver(nearest, 4, 4);
    view.Finish();
    const QImage& image = view.Image(); // top-down: t = 0 is the bottom row
    EXPECT_EQ(image.pixel(0, 3), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(3, 3), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(3, 0), qRgb(255, 255, 255));

    // 3 texels a row: 9 bytes, which a 4-byte unpack alignment would misread; the caller's alignment
    // stays.
    ASSERT_TRUE(view.Resize(3, 1));
    material->texture = Image(3, 1, {10, 20, 30, 40, 50, 60, 70, 80, 90});
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const GLuint odd = textures.TextureFor(*material, smooth).name;
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
    DrawTextureOver(odd, 3, 1);
    view.Finish();
    EXPECT_EQ(view.Image().pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(view.Image().pixel(2, 0), qRgb(70, 80, 90));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
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
}

// Each cache takes its own image of a material that has both; one without an image, with a damaged one
// or without a current context gets none.
TEST(GLTextures, EachSourceTakesItsImage) {
    RecordingPrompt prompt;
    CMaterial both, plain, damaged, empty;
    both.texture = FourColours();
    MakeBitmap(both);
    damaged.texture = FourColours();
    damaged.texture->pixels.resize(11);
    empty.texture = FourColours();
    empty.texture->width = 0;
    {
        TextureCache textures(TextureSource::LimitedTexture);
        ASSERT_EQ(glctx::Current(), nullptr);
        EXPECT_EQ(textures.TextureFor(both, true).name, 0u);
        EXPECT_EQ(textures.Count(), 0u);
    }
    OffscreenBitmap job(prompt, 4, 4);
    ASSERT_TRUE(job.Begin());
    struct Case {
        TextureSource source;
        const CMaterial* material;
        bool made;
        bool bottomUp;
    };
    const Case cases[] = {
        {TextureSource::LimitedTexture, &both, true, false},
        {TextureSource::BitmapFirst, &both, true, true}, // DIB rows run bottom-up
        {TextureSource::LimitedTexture, &plain, false, false},
        {TextureSource::BitmapFirst, &damaged, false, false},
        {TextureSource::LimitedTexture, &empty, false, false},
    };
    for (const Case& c : cases) {
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

// A cache kept between drawings follows its materials: another image, or another smoothing setting, and
// the texture is made again; the old one is deleted rather than left behind.
TEST(GLTextures, MadeAgainForAnotherImageOrFilter) {
    bool smooth = true;
    RecordingPrompt prompt;
    OffscreenBitmap renderer(prompt, 16, 16);
    ASSERT_TRUE(renderer.Begin());
    CMaterial material;
    material.texture = FourColours();
    TextureCache textures(TextureSource::BitmapFirst);
    const unsigned first = textures.TextureFor(material, smooth).name;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(textures.TextureFor(material, smooth).name, first);
    EXPECT_EQ(TextureParameter(first, GL_TEXTURE_MAG_FILTER), GL_LINEAR);

    smooth = false;
    const unsigned second = textures.TextureFor(material, smooth).name;
    ASSERT_NE(second, 0u);
    EXPECT_EQ(TextureParameter(second, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(textures.TextureFor(material, smooth).name, second);

    // A bitmap given later is preferred and replaces the texture made from the small image.
    MakeBitmap(material);
    const MaterialTexture third = textures.TextureFor(material, smooth);
    EXPECT_TRUE(third.bottomUp);
    material.bitmap.reset();
    // Another image of the same size in place of the old one.
    material.texture = Image(2, 2, std::vector<uint8_t>(12, 90));
    const MaterialTexture fourth = textures.TextureFor(material, smooth);
    EXPECT_NE(fourth.name, 0u);
    EXPECT_FALSE(fourth.bottomUp);
    DrawTextureOver(fourth.name, 16, 16);
    renderer.Finish();
    EXPECT_EQ(test::DibPixel(renderer, 8, 8), (std::array<uint8_t, 3>{90, 90, 90}));
    // Only the last one lives.
    EXPECT_EQ(textures.Count(), 1u);
    for (unsigned name : {first, second, third.name})
        if (name != fourth.name) {
            EXPECT_FALSE(glIsTexture(name)) << name;
        }
    // Without any image the material has no texture any more.
    material.texture.reset();
    EXPECT_EQ(textures.TextureFor(material, smooth).name, 0u);
    EXPECT_FALSE(glIsTexture(fourth.name));
    EXPECT_EQ(textures.Count(), 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    renderer.End();
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(GLTextures, MadeOncePerMaterialAndReleased) {
    RecordingPrompt prompt;
    OffscreenBitmap renderer(prompt, 16, 16);
    ASSERT_TRUE(renderer.Begin());
    CMaterial fromTexture, fromBitmap, plain;
    fromTexture.texture = FourColours();
    fromBitmap.texture = FourColours();
    MakeBitmap(fromBitmap);
    std::vector<unsigned> names;
    {
        TextureCache textures(TextureSource::BitmapFirst);
        const MaterialTexture t = textures.TextureFor(fromTexture, true);
        const MaterialTexture b = textures.TextureFor(fromBitmap, true);
        ASSERT_NE(t.name, 0u);
        ASSERT_NE(b.name, 0u);
        EXPECT_NE(b.name, t.name);
        // Asked again: the same textures, nothing new made; no image, no texture.
        EXPECT_EQ(textures.TextureFor(fromTexture, true).name, t.name);
        EXPECT_EQ(textures.Find(fromBitmap).name, b.name);
        EXPECT_EQ(textures.TextureFor(plain, true).name, 0u);
        EXPECT_EQ(textures.Count(), 2u);
        EXPECT_TRUE(glIsTexture(t.name));
        names = {t.name, b.name};
        textures.Release();
        EXPECT_EQ(textures.Count(), 0u);
        EXPECT_EQ(textures.Find(fromTexture).name, 0u);
        EXPECT_FALSE(glIsTexture(t.name));
        // After a release, textures are made again on demand.
        names.push_back(textures.TextureFor(fromTexture, true).name);
        EXPECT_EQ(textures.Count(), 1u);
    }
    // The destructor deleted what was made after the release.
    for (unsigned name : names) EXPECT_FALSE(glIsTexture(name));
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
    gone.reset();
    textures.KeepOnly(model);
    EXPECT_EQ(textures.Count(), 1u);
    EXPECT_TRUE(glIsTexture(keptName));
    EXPECT_FALSE(glIsTexture(goneName));
    EXPECT_EQ(textures.TextureFor(*kept, true).name, keptName);
    renderer.End();
}

TEST(GLTextures, TheTwoSlotsShareTextures) {
    RecordingPrompt prompt;
    ViewRenderSurface view3d(prompt, RenderSlot::View3D);
    ViewRenderSurface development(prompt, RenderSlot::Development);
    ASSERT_TRUE(view3d.Resize(4, 4));
    ASSERT_TRUE(development.Resize(4, 4));
    ASSERT_TRUE(view3d.MakeCurrent());
    auto material = TexturedMaterial();
    TextureCache textures(TextureSource::LimitedTexture);
    const GLuint name = textures.TextureFor(*material, false).name;
    ASSERT_NE(name, 0u);

    // Made in the 3D view's context (nearest, so the texels arrive as stored), drawn by the development
    // view's without being made again.
    ASSERT_TRUE(development.MakeCurrent());
    EXPECT_EQ(textures.TextureFor(*material, false).name, name);
    DrawTextureOver(name, 4, 4);
    development.Finish();
    EXPECT_EQ(development.Image().pixel(0, 3), qRgb(255, 0, 0));
    EXPECT_EQ(development.Image().pixel(3, 0), qRgb(255, 255, 255));

    // Released from either: gone from both.
    textures.Release();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_FALSE(IsTextureIn(static_cast<glctx::Context>(view3d.Context()), name));
    EXPECT_TRUE(prompt.texts.empty());
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
    EXPECT_EQ(test::DibPixel(job, 0, 0), (std::array<uint8_t, 3>{0, 0, 255}));

    // Asked from a context that does not share: the old texture is deleted where it was made and the
    // new one made here.
    TextureCache moving(TextureSource::LimitedTexture);
    ASSERT_TRUE(glctx::BindRegistered(firstContext));
    const GLuint old = moving.TextureFor(*material, true).name;
    ASSERT_TRUE(glctx::BindRegistered(jobContext));
    const GLuint made = moving.TextureFor(*material, true).name;
    ASSERT_NE(made, 0u);
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
