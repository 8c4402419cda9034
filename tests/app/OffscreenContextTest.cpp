// The offscreen framebuffer draws what the window draws: no alpha channel,
// so blending by destination alpha sees 1 whatever was cleared or drawn.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/OffscreenContext.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {
namespace {

constexpr int kSize = 64;

bool Open(OffscreenContext& context)
{
    if (context.Create(kSize, kSize)) return true;
    if (RunningUnderCi()) ADD_FAILURE() << context.Error();
    return false;
}

TEST(OffscreenContext, ColourBufferHasNoAlphaChannel)
{
    OffscreenContext context;
    if (!Open(context)) GTEST_SKIP() << context.Error();
    GLint bits[4] = {-1, -1, -1, -1};
    for (int i = 0; i < 4; ++i)
        glGetIntegerv(GLenum(GL_RED_BITS + i), &bits[i]);  // red, green, blue, alpha
    EXPECT_EQ(bits[0], 8);
    EXPECT_EQ(bits[1], 8);
    EXPECT_EQ(bits[2], 8);
    EXPECT_EQ(bits[3], 0);
    glClearColor(0.2f, 0.4f, 0.6f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(context.PixelAt(3, 3), 0x336699FFu);  // alpha reads back as 255
}

// Noise strips (white texture, colour (1, 1, 1, 0.5), blended with
// GL_SRC_ALPHA, GL_DST_ALPHA) over grey 64 cleared with alpha 0.5: a pixel
// becomes 0.5 * 255 + 64 * 1 where the window has no alpha, not
// 0.5 * 255 + 64 * 0.5 as in a buffer that kept the cleared alpha.
TEST(OffscreenContext, NoiseStripsBlendOverGreyAsInTheWindow)
{
    OffscreenContext context;
    if (!Open(context)) GTEST_SKIP() << context.Error();
    GLuint white = 0;
    glGenTextures(1, &white);
    glBindTexture(GL_TEXTURE_2D, white);
    const uint8_t texel[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // The strips lie at eye y from i - 141 to i - 140 (i = 0, 4, ...): one
    // pixel row each, rows 0, 4, 8, ... from the bottom.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-240, -240 + kSize, -141, -141 + kSize, 1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(64 / 255.0f, 64 / 255.0f, 64 / 255.0f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    CScanlineNoiseEffect noise;
    noise.SetTexture(static_cast<int32_t>(white));
    noise.DrawOver(1, nullptr);  // amplitude 0 at t = 1

    const uint32_t strip = context.PixelAt(kSize / 2, kSize - 1 - 8);
    const uint32_t between = context.PixelAt(kSize / 2, kSize - 1 - 10);
    EXPECT_EQ(between, 0x404040FFu);
    for (int shift : {24, 16, 8}) EXPECT_NEAR(int(strip >> shift & 0xFF), 192, 1) << shift;
    glDeleteTextures(1, &white);
}

// A draft framebuffer has its own size and pixels: clearing it leaves the
// main picture as it was, and switching sets the viewport to the bound size.
TEST(OffscreenContext, DraftTargetDrawsAtItsSizeAndLeavesTheMainPicture)
{
    OffscreenContext context;
    if (!Open(context)) GTEST_SKIP() << context.Error();
    EXPECT_FALSE(context.UseDraftTarget(true));  // none yet: stays on the main one
    EXPECT_EQ(context.Width(), kSize);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    ASSERT_TRUE(context.CreateDraftTarget(16, 12)) << context.Error();
    EXPECT_EQ(context.Width(), kSize);  // the main framebuffer stays bound
    ASSERT_TRUE(context.UseDraftTarget(true));
    EXPECT_EQ(context.Width(), 16);
    EXPECT_EQ(context.Height(), 12);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 16);
    EXPECT_EQ(viewport[3], 12);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> draft = context.ReadPixels();
    ASSERT_EQ(draft.size(), 16u * 12u * 4u);
    EXPECT_EQ(context.PixelAt(15, 11), 0x00FF00FFu);
    EXPECT_EQ(context.PixelAt(16, 0), 0u);  // outside the draft

    ASSERT_TRUE(context.UseDraftTarget(false));
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kSize);
    EXPECT_EQ(viewport[3], kSize);
    EXPECT_EQ(context.ReadPixels().size(), size_t(kSize) * kSize * 4);
    EXPECT_EQ(context.PixelAt(kSize - 1, kSize - 1), 0xFF0000FFu);
    EXPECT_FALSE(context.CreateDraftTarget(0, 12));
}

}  // namespace
}  // namespace sunvale
