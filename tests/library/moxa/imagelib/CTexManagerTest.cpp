// The texture manager on a real offscreen OpenGL context: sharing and
// reference counts, the failure message, and what reaches OpenGL (formats,
// wrap modes, mip-map levels and their texels).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImageTestFiles.h"
#include "app/ErrorBox.h"
#include "app/OffscreenContext.h"
#include "library/moxa/imagelib/CTexManager.h"

namespace sunvale {
namespace {

using test::Bytes;

std::vector<std::string> g_messages;

// A parameter of the bound texture, or with a level of that level.
GLint Parameter(GLenum name, GLint level = -1)
{
    GLint value = 0;
    if (level < 0)
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    else
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// Texels of a level of the bound texture, channels samples each.
Bytes LevelTexels(GLint level, GLenum format, size_t channels)
{
    Bytes texels(size_t(Parameter(GL_TEXTURE_WIDTH, level)) * Parameter(GL_TEXTURE_HEIGHT, level) *
                 channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

class CTexManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!context_.Create(16, 16)) {
            if (RunningUnderCi()) FAIL() << context_.Error();
            GTEST_SKIP() << "no offscreen OpenGL context: " << context_.Error();
        }
        ASSERT_FALSE(archive_.empty());
        g_messages.clear();
        SetErrorBoxHandler([](const char* text) { g_messages.push_back(text); });
    }
    void TearDown() override { SetErrorBoxHandler(nullptr); }

    int32_t Load(const char* fileName)
    {
        return textures_.LoadTexture(archive_.c_str(), fileName, 0, 1);
    }

    const std::string& archive_ = test::TestArchive();
    OffscreenContext context_;
    CTexManager textures_;
};

TEST_F(CTexManagerTest, SameFileSharesOneTextureUntilTheLastRelease)
{
    const int32_t first = Load("data/texture/noize.jpg");
    ASSERT_NE(first, -1);
    EXPECT_EQ(Load("data/texture/noize.jpg"), first);
    EXPECT_EQ(Load("DATA/TEXTURE/NOIZE.JPG"), first);
    textures_.ReleaseTexture(first);
    textures_.ReleaseTexture(first);
    EXPECT_TRUE(glIsTexture(GLuint(first)));
    textures_.ReleaseTexture(first);
    EXPECT_FALSE(glIsTexture(GLuint(first)));
    EXPECT_TRUE(g_messages.empty());
}

// A cache hit compares the file name only: neither archive nor settings.
TEST_F(CTexManagerTest, CacheHitKeepsTheFirstLoadsSettings)
{
    const int32_t texture = textures_.LoadTexture(archive_.c_str(), "data/texture/light.png", 0, 0);
    ASSERT_NE(texture, -1);
    EXPECT_EQ(textures_.LoadTexture("elsewhere.rar", "Data/Texture/Light.PNG", 1, 1), texture);
    glBindTexture(GL_TEXTURE_2D, GLuint(texture));
    EXPECT_EQ(Parameter(GL_TEXTURE_INTERNAL_FORMAT, 0), 4);
    EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(CTexManagerTest, FailuresShowTheMessageOnEveryCallAndCacheNothing)
{
    const std::string absent = "[CTexManager :: LoadTexture] Can't load file : RARFile " +
                               archive_ + " FileName data/texture/absent.jpg";
    EXPECT_EQ(Load("data/texture/absent.jpg"), -1);
    EXPECT_EQ(g_messages, std::vector<std::string>{absent});
    EXPECT_EQ(Load("data/texture/absent.jpg"), -1);
    EXPECT_EQ(Load("data/readme.txt"), -1);  // not an image
    EXPECT_EQ(g_messages.size(), 3u);

    // Releasing -1 does not touch a live texture's count.
    const int32_t texture = Load("data/texture/noize.jpg");
    ASSERT_NE(texture, -1);
    textures_.ReleaseTexture(-1);
    EXPECT_TRUE(glIsTexture(GLuint(texture)));
    textures_.ReleaseTexture(texture);
    EXPECT_FALSE(glIsTexture(GLuint(texture)));
}

// Formats by depth; each mip level holds the truncated 2 x 2 averages of the
// one before, a level one texel high or wide using its row or column twice.
TEST_F(CTexManagerTest, FormatsAndMipChainsOfTruncatedAverages)
{
    const Bytes rgb = {10, 255, 0, 20, 255, 1, 100, 0, 200, 101, 3, 200,   // 4 x 2, top row
                       30, 254, 3, 41, 255, 2, 102, 1, 201, 103, 0, 203};  // bottom row
    ASSERT_NE(textures_.UploadTexture(rgb.data(), 4, 2, 24, 1, 2), -1);
    EXPECT_EQ(Parameter(GL_TEXTURE_INTERNAL_FORMAT, 0), 3);
    EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), 0x8370);  // mirrored repeat
    EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    // (10+20+30+41)/4 = 25.25, (255+255+254+255)/4 = 254.75, (0+1+3+2)/4 = 1.5, ...
    EXPECT_EQ(LevelTexels(1, GL_RGB, 3), (Bytes{25, 254, 1, 101, 1, 201}));
    EXPECT_EQ(LevelTexels(2, GL_RGB, 3),
              (Bytes{63, 127, 101}));  // (25+101)*2/4, (254+1)*2/4, (1+201)*2/4
    EXPECT_EQ(Parameter(GL_TEXTURE_WIDTH, 3), 0);

    const Bytes column = {9, 200, 7, 100};  // 1 x 4
    ASSERT_NE(textures_.UploadTexture(column.data(), 1, 4, 8, 1, 0), -1);
    EXPECT_EQ(Parameter(GL_TEXTURE_INTERNAL_FORMAT, 0), 1);
    EXPECT_EQ(LevelTexels(1, GL_LUMINANCE, 1),
              (Bytes{104, 53}));                              // (9+9+200+200)/4, (7+7+100+100)/4
    EXPECT_EQ(LevelTexels(2, GL_LUMINANCE, 1), (Bytes{78}));  // (104+104+53+53)/4
    EXPECT_EQ(Parameter(GL_TEXTURE_WIDTH, 3), 0);
    EXPECT_EQ(textures_.UploadTexture(column.data(), 1, 2, 16, 0, 0), -1);  // no 16-bit textures
}

}  // namespace
}  // namespace sunvale
