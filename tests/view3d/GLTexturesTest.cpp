#include "view3d/GLTextures.h"

#include "GlTestSupport.h"
#include "model/Mesh.h"
#include "model/Settings.h"
#include "model/TextureImage.h"
#include "view3d/DibForGLRender.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/ViewRenderSurface.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <memory>

namespace tsm {
namespace {

// 2 x 2 texels, rows top to bottom: red, green / blue, white.
std::unique_ptr<CMaterial> TexturedMaterial() {
    auto material = std::make_unique<CMaterial>();
    material->texture = std::make_unique<CTextureImage>();
    material->texture->width = 2;
    material->texture->height = 2;
    material->texture->pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
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

bool IsTextureIn(OSMesaContext context, GLuint name) {
    glctx::SavedCurrent previous;
    return glctx::BindRegistered(context) && glIsTexture(name);
}

TEST(GLTextures, UploadRecordsTheContextAndSetsWrapAndFilters) {
    RecordingPrompt prompt;
    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(4, 4));
    auto material = TexturedMaterial();
    ASSERT_TRUE(MakeGLTexture(*material, true));
    ASSERT_NE(material->glTexture, -1);
    EXPECT_EQ(material->glContext, view.Context());
    const GLuint name = GLuint(material->glTexture);
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TextureParameter(name, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    GLint width = 0, format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(width, 2);
    EXPECT_TRUE(format == 3 || format == GL_RGB) << format; // three components, as asked

    // Without smoothing: nearest, for the re-upload the filtering change asks for.
    ASSERT_TRUE(MakeGLTexture(*material, false));
    EXPECT_EQ(TextureParameter(GLuint(material->glTexture), GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(TextureParameter(GLuint(material->glTexture), GL_TEXTURE_MIN_FILTER), GL_NEAREST);

    // The texels arrive as stored: row 0 of the image at t = 0.
    DrawTextureOver(GLuint(material->glTexture), 4, 4);
    view.Finish();
    const QImage& image = view.Image(); // top-down: t = 0 is the bottom row
    EXPECT_EQ(image.pixel(0, 3), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(3, 3), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(3, 0), qRgb(255, 255, 255));
}

TEST(GLTextures, OddRowLengthsUploadWithoutPadding) {
    RecordingPrompt prompt;
    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(3, 1));
    // 3 texels a row: 9 bytes, which a 4-byte unpack alignment would misread.
    auto material = std::make_unique<CMaterial>();
    material->texture = std::make_unique<CTextureImage>();
    material->texture->width = 3;
    material->texture->height = 1;
    material->texture->pixels = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    ASSERT_TRUE(MakeGLTexture(*material, false));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4); // the caller's state is kept
    DrawTextureOver(GLuint(material->glTexture), 3, 1);
    view.Finish();
    EXPECT_EQ(view.Image().pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(view.Image().pixel(2, 0), qRgb(70, 80, 90));
}

TEST(GLTextures, NothingIsMadeWithoutAnImageOrAContext) {
    RecordingPrompt prompt;
    // No context current.
    ASSERT_EQ(OSMesaGetCurrentContext(), nullptr);
    auto material = TexturedMaterial();
    EXPECT_FALSE(MakeGLTexture(*material, true));
    EXPECT_EQ(material->glTexture, -1);
    EXPECT_EQ(material->glContext, nullptr);

    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(2, 2));
    // No image; an image whose pixels are fewer than its size says; an empty image.
    CMaterial plain;
    EXPECT_FALSE(MakeGLTexture(plain, true));
    material->texture->pixels.resize(11);
    EXPECT_FALSE(MakeGLTexture(*material, true));
    material->texture->width = 0;
    EXPECT_FALSE(MakeGLTexture(*material, true));
    EXPECT_EQ(material->glTexture, -1);
    EXPECT_FALSE(IsGlTextureUsableInCurrentContext(*material));
}

TEST(GLTextures, TheTwoSlotsShareTextures) {
    RecordingPrompt prompt;
    ViewRenderSurface view3d(prompt, RenderSlot::View3D);
    ViewRenderSurface development(prompt, RenderSlot::Development);
    ASSERT_TRUE(view3d.Resize(4, 4));
    ASSERT_TRUE(development.Resize(4, 4));
    ASSERT_TRUE(view3d.MakeCurrent());
    auto material = TexturedMaterial();
    ASSERT_TRUE(MakeGLTexture(*material, false));

    // Made in the 3D view's context, drawn by the development view's.
    ASSERT_TRUE(development.MakeCurrent());
    EXPECT_TRUE(IsGlTextureUsableInCurrentContext(*material));
    EXPECT_TRUE(glIsTexture(GLuint(material->glTexture)));
    DrawTextureOver(GLuint(material->glTexture), 4, 4);
    development.Finish();
    EXPECT_EQ(development.Image().pixel(0, 3), qRgb(255, 0, 0));
    EXPECT_EQ(development.Image().pixel(3, 0), qRgb(255, 255, 255));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(GLTextures, AMaterialDeletesItsTextureInItsOwnContextWhenDestroyed) {
    RecordingPrompt prompt;
    // An off-screen job without views: a context sharing with nobody.
    CDIBforGLRender job(prompt, 4, 4);
    ASSERT_TRUE(job.Begin());
    const auto jobContext = OSMesaGetCurrentContext();
    auto material = TexturedMaterial();
    ASSERT_TRUE(MakeGLTexture(*material, true));
    const GLuint name = GLuint(material->glTexture);

    // A view created afterwards does not see it and is current when the material goes.
    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(3, 3));
    EXPECT_FALSE(IsGlTextureUsableInCurrentContext(*material));
    EXPECT_TRUE(IsTextureIn(jobContext, name));
    material.reset();
    EXPECT_FALSE(IsTextureIn(jobContext, name));
    // The view's context is current again, on its own buffer.
    EXPECT_EQ(OSMesaGetCurrentContext(), view.Context());
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    view.Finish();
    EXPECT_EQ(view.Image().pixel(2, 2), qRgb(0, 255, 0));

    // Uploading again elsewhere deletes the old texture where it was made.
    auto second = TexturedMaterial();
    ASSERT_TRUE(glctx::BindRegistered(jobContext));
    ASSERT_TRUE(MakeGLTexture(*second, true));
    const GLuint oldName = GLuint(second->glTexture);
    ASSERT_TRUE(view.MakeCurrent());
    ASSERT_TRUE(MakeGLTexture(*second, true));
    EXPECT_EQ(second->glContext, view.Context());
    EXPECT_FALSE(IsTextureIn(jobContext, oldName));
    EXPECT_TRUE(glIsTexture(GLuint(second->glTexture)));

    // Releasing the texture (the model's own step) deletes the GL texture as well.
    const GLuint secondName = GLuint(second->glTexture);
    ReleaseTexture(*second);
    EXPECT_EQ(second->glTexture, -1);
    EXPECT_FALSE(glIsTexture(secondName));
    job.End();
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(GLTextures, DeletingElsewhereInTheMiddleOfAJobKeepsTheJobsPicture) {
    RecordingPrompt prompt;
    // Two jobs and no view: two contexts that share nothing.
    CDIBforGLRender first(prompt, 3, 3);
    ASSERT_TRUE(first.Begin());
    const auto firstContext = OSMesaGetCurrentContext();
    auto material = TexturedMaterial();
    ASSERT_TRUE(MakeGLTexture(*material, true));
    const GLuint name = GLuint(material->glTexture);

    CDIBforGLRender job(prompt, 6, 4);
    ASSERT_TRUE(job.Begin());
    const auto jobContext = OSMesaGetCurrentContext();
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // The material goes while the job draws: its texture is deleted in the first job's context, and the
    // job goes on where it was, its picture intact.
    material.reset();
    EXPECT_EQ(OSMesaGetCurrentContext(), jobContext);
    job.Finish();
    EXPECT_EQ(test::DibPixel(job, 5, 3), (std::array<uint8_t, 3>{0, 0, 255}));
    EXPECT_EQ(test::DibPixel(job, 0, 0), (std::array<uint8_t, 3>{0, 0, 255}));
    job.End();
    EXPECT_EQ(OSMesaGetCurrentContext(), firstContext); // what was current before the job
    EXPECT_FALSE(glIsTexture(name));
    first.End();
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(GLTextures, MaterialsLearnWhenTheContextOfTheirTextureGoes) {
    RecordingPrompt prompt;
    auto material = TexturedMaterial();
    // Alone in its share group: the texture dies with the job's context.
    {
        CDIBforGLRender job(prompt, 4, 4);
        ASSERT_TRUE(job.Begin());
        ASSERT_TRUE(MakeGLTexture(*material, true));
        job.End();
    }
    EXPECT_EQ(material->glTexture, -1);
    EXPECT_EQ(material->glContext, nullptr);

    // Sharing with a view: the texture lives on and the view's context now answers for it.
    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(2, 2));
    {
        CDIBforGLRender job(prompt, 4, 4);
        ASSERT_TRUE(job.Begin());
        ASSERT_TRUE(MakeGLTexture(*material, true));
        EXPECT_EQ(material->glContext, OSMesaGetCurrentContext());
        job.End();
    }
    EXPECT_EQ(material->glContext, view.Context());
    EXPECT_TRUE(IsGlTextureUsableInCurrentContext(*material));
    EXPECT_TRUE(glIsTexture(GLuint(material->glTexture)));
    const GLuint name = GLuint(material->glTexture);
    material.reset();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
