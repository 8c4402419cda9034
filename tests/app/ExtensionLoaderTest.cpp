#include <EGL/egl.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "app/DisplaySettings.h"
#include "app/ExtensionLoader.h"
#include "app/OffscreenContext.h"

namespace sunvale {
namespace {

TEST(ExtensionTest, GlTokenRuleRejectsPrefixesButSubstringRuleAccepts)
{
    const char* list = "GL_ARB_multitexture_extra GL_EXT_bgra";
    EXPECT_FALSE(ExtensionInList(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(ExtensionInWindowSystemList(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(ExtensionInList(list, "GL_EXT_bgra"));
    EXPECT_TRUE(ExtensionInList(list, "GL_ARB_multitexture_extra"));
}

TEST(ExtensionTest, GlTokenRuleNeedsSpaceBeforeAndSpaceOrEndAfter)
{
    EXPECT_FALSE(ExtensionInList("XGL_EXT_bgra", "GL_EXT_bgra"));
    EXPECT_TRUE(ExtensionInList("XGL_EXT_bgra GL_EXT_bgra", "GL_EXT_bgra"));
    EXPECT_TRUE(ExtensionInList("GL_EXT_bgra ", "GL_EXT_bgra"));
    // The first occurrence fails the rule, a later one passes.
    EXPECT_TRUE(ExtensionInList("GL_A_long GL_A", "GL_A"));
}

TEST(ExtensionTest, EmptyNamesNamesWithSpacesAndNullListsAreMissing)
{
    EXPECT_FALSE(ExtensionInList("GL_A GL_B", ""));
    EXPECT_FALSE(ExtensionInList("GL_A GL_B", "GL_A GL_B"));
    EXPECT_FALSE(ExtensionInList(nullptr, "GL_A"));
    EXPECT_FALSE(ExtensionInWindowSystemList(nullptr, "WGL_ARB_pbuffer"));
}

void* NoProc(const char*) { return nullptr; }
const char* FakeWindowSystemList() { return "WGL_ARB_pbufferWGL_ARB_pixel_format"; }

TEST(ExtensionLoader, WindowSystemGroupsFollowTheirEntryPoints)
{
    // Extensions named (by substring) but no entry points: the pbuffer group
    // still reports missing.
    ExtensionLoader loader(&NoProc, &FakeWindowSystemList);
    EXPECT_TRUE(loader.HasWindowSystemExtension("WGL_ARB_pixel_format"));
    EXPECT_EQ(loader.LoadPbuffer(), 0);
    EXPECT_EQ(loader.LoadRenderTexture(), 0);
    ExtensionLoader noQuery(&NoProc, nullptr);
    EXPECT_FALSE(noQuery.HasWindowSystemExtension("WGL_ARB_pbuffer"));
}

TEST(ExtensionLoader, CapabilitiesOfARealContext)
{
    OffscreenContext context;
    if (!context.Create(64, 64)) {
        if (RunningUnderCi()) FAIL() << context.Error();
        GTEST_SKIP() << context.Error();
    }
    DisplaySettings display;
    display.InitContextState(64, 64);
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(list, nullptr);
    if (ExtensionInList(list, "GL_ARB_multitexture")) {
        EXPECT_GT(display.textureUnits, 0);
        EXPECT_NE(ExtensionEntryPoint("glActiveTextureARB"), nullptr);
    } else {
        EXPECT_EQ(display.textureUnits, 0);
    }
    // Linux offers no WGL names: both window-system groups are missing, and
    // without NV vertex programs the shader path is off too.
    EXPECT_EQ(display.pbuffer, 0);
    EXPECT_EQ(display.renderTexture, 0);
    if (!ExtensionInList(list, "GL_NV_vertex_program")) {
        EXPECT_EQ(display.shaderPath, 0);
    }
    if (!ExtensionInList(list, "GL_NV_register_combiners")) {
        EXPECT_EQ(display.generalCombiners, 0);
    }
}

}  // namespace
}  // namespace sunvale
