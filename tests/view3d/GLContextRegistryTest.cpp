#include "view3d/GLContextRegistry.h"

#include "GlTestSupport.h"
#include "view3d/ViewRenderSurface.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

namespace tsm {
namespace {

TEST(GLContextRegistry, TheSoftwareRendererStartsOnTheSurfacelessPlatformAndReadsBackAKnownPicture) {
    // The test environment asks for software (TESSALY_GL=software): llvmpipe with no device.
    const std::string renderer = glctx::RendererDescription();
    EXPECT_EQ(renderer.rfind("llvmpipe", 0), 0u) << renderer;
    EXPECT_NE(renderer.find("Compatibility Profile"), std::string::npos) << renderer;
    EXPECT_NE(renderer.find("EGL surfaceless"), std::string::npos) << renderer;
    EXPECT_EQ(glctx::MaxDrawSide(), glctx::kMaxSidePixels);
    EXPECT_EQ(glctx::Current(), nullptr); // asking left nothing current

    const glctx::Context context = glctx::Create(nullptr, glctx::Role::Renderer);
    ASSERT_NE(context, nullptr);
    // Three pixels by two, bottom-up and top-down: blue, green, red along the bottom row, white above.
    for (const bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        uint8_t pixels[3 * 2 * 4];
        std::memset(pixels, 0x55, sizeof pixels);
        ASSERT_TRUE(glctx::Bind(context, glctx::Binding{pixels, 3, 2, topDown}));
        EXPECT_EQ(glctx::Current(), context);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        // One pixel a colour through the scissor box: no projection involved.
        glEnable(GL_SCISSOR_TEST);
        for (int x = 0; x < 3; ++x) {
            glScissor(x, 0, 1, 1);
            glClearColor(x == 2, x == 1, x == 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glDisable(GL_SCISSOR_TEST);
        glctx::Finish();
        const uint8_t bottom[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255}; // B, G, R, A
        const uint8_t white[12] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
        EXPECT_EQ(std::memcmp(pixels + (topDown ? 12 : 0), bottom, 12), 0);
        EXPECT_EQ(std::memcmp(pixels + (topDown ? 0 : 12), white, 12), 0);
    }
    // Sizes beyond what the driver draws are refused, not clipped.
    EXPECT_FALSE(glctx::Bind(context, glctx::Binding{nullptr, glctx::kMaxSidePixels + 1, 1, false}));
    EXPECT_FALSE(glctx::Bind(context, glctx::Binding{nullptr, 0, 1, false}));
    glctx::Destroy(context);
    EXPECT_EQ(glctx::Current(), nullptr);
    EXPECT_FALSE(glctx::IsRegistered(context));
}

// Each way EGL can fail, forced: the system's texts, nothing current and nothing crashes.
TEST(GLContextRegistry, EveryEglFailureGivesTheTextsOfTheCallerAndAReason) {
    const struct {
        const char* forced;
        glctx::Failure failure;
        const char* reasonWord;
    } cases[] = {
        {"display", glctx::Failure::NoDisplay, "display"},
        {"config", glctx::Failure::NoConfig, "configuration"},
        {"context", glctx::Failure::ContextRefused, "refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.forced);
        setenv("TESSALY_GL_FAIL", c.forced, 1);
        RecordingPrompt prompt;
        {
            OffscreenBitmap renderer(prompt, 4, 4);
            EXPECT_FALSE(renderer.Begin());
            renderer.Finish();
            renderer.End();
        }
        EXPECT_EQ(glctx::LastFailure(), c.failure);
        EXPECT_NE(glctx::Describe(c.failure).find(c.reasonWord), std::string::npos);
        {
            ViewRenderSurface surface(prompt, RenderSlot::Development);
            EXPECT_FALSE(surface.Resize(8, 8));
            EXPECT_FALSE(surface.MakeCurrent());
            surface.Finish();
        }
        EXPECT_EQ(prompt.texts,
                  (std::vector<std::string>{"OpenGL Context Error", "Rendering Context Create Failed"}));
        EXPECT_EQ(glctx::Current(), nullptr);
        unsetenv("TESSALY_GL_FAIL");
    }
    // Once the cause is gone, contexts are made again.
    RecordingPrompt prompt;
    OffscreenBitmap renderer(prompt, 4, 4);
    EXPECT_TRUE(renderer.Begin());
    EXPECT_EQ(glctx::LastFailure(), glctx::Failure::None);
    renderer.End();
}

} // namespace
} // namespace tsm
