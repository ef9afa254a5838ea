#include "view3d/GLContextRegistry.h"

#include "model/Prompt.h"
#include "view3d/OffscreenBitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace tsm {
namespace {

// The pictures read back are checked where they are drawn: the off-screen bitmap's bytes, the views'
// reference pictures.
TEST(GLContextRegistry, TheSoftwareRendererHasTheFixedFunctionsAndRefusesSizesBeyondItsLimit) {
    // The test environment asks for software (TESSALY_GL=software); tsmtool's tests check it is llvmpipe.
    const std::string renderer = glctx::RendererDescription();
    EXPECT_NE(renderer.find("Compatibility Profile"), std::string::npos) << renderer;
    EXPECT_EQ(glctx::MaxDrawSide(), glctx::kMaxSidePixels);
    EXPECT_EQ(glctx::Current(), nullptr); // asking left nothing current

    const glctx::Context context = glctx::Create(nullptr, glctx::Role::Renderer);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(glctx::Bind(context, glctx::Binding{nullptr, 3, 2, false}));
    EXPECT_EQ(glctx::Current(), context);
    // Sizes beyond what the driver draws are refused, not clipped.
    EXPECT_FALSE(glctx::Bind(context, glctx::Binding{nullptr, glctx::kMaxSidePixels + 1, 1, false}));
    EXPECT_FALSE(glctx::Bind(context, glctx::Binding{nullptr, 0, 1, false}));
    glctx::Destroy(context);
    EXPECT_EQ(glctx::Current(), nullptr);
    EXPECT_FALSE(glctx::IsRegistered(context));
}

// A failure forced in a running process (tsmtool's tests force each cause in a process of its own): the
// callers' texts, nothing current, nothing crashes, and once the cause is gone contexts are made again.
TEST(GLContextRegistry, AnEglFailureGivesTheCallersTextsAndPasses) {
    setenv("TESSALY_GL_FAIL", "context", 1);
    {
        RecordingPrompt prompt;
        OffscreenBitmap renderer(prompt, 4, 4);
        EXPECT_FALSE(renderer.Begin());
        renderer.Finish();
        EXPECT_EQ(glctx::LastFailure(), glctx::Failure::ContextRefused);
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"OpenGL Context Error"});
        EXPECT_EQ(glctx::Current(), nullptr);
    }
    unsetenv("TESSALY_GL_FAIL");
    RecordingPrompt prompt;
    OffscreenBitmap renderer(prompt, 4, 4);
    EXPECT_TRUE(renderer.Begin());
    EXPECT_EQ(glctx::LastFailure(), glctx::Failure::None);
    renderer.End();
}

} // namespace
} // namespace tsm
