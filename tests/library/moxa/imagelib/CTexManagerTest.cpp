// The texture manager on a real offscreen OpenGL context: sharing and
// reference counts, the failure message, and what reaches OpenGL (formats,
// wrap modes, mip-map levels and their texels).
#include "library/moxa/imagelib/CTexManager.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ImageTestFiles.h"
#include "app/ErrorBox.h"
#include "app/OffscreenContext.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace {

using test::Bytes;

int g_messages = 0;
std::string g_lastMessage;

void CountMessage(const char* text)
{
    ++g_messages;
    g_lastMessage = text;
}

GLint TexParameter(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint LevelParameter(GLint level, GLenum name)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// Texels of a level of the bound texture, as RGBA or, for a luminance
// texture, as luminance (read back as RGBA, luminance lands in R only).
Bytes LevelTexels(GLint level, GLenum format = GL_RGBA)
{
    const size_t channels = format == GL_LUMINANCE ? 1 : 4;
    Bytes texels(size_t(LevelParameter(level, GL_TEXTURE_WIDTH)) * LevelParameter(level, GL_TEXTURE_HEIGHT) *
                 channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

class CTexManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        archive_ = ::testing::TempDir() + "texmanager_" + std::to_string(getpid()) + ".rar";
        const std::vector<RarPackEntry> entries = {
            {"data/texture/noize.jpg", test::EncodeJpeg(test::GradientPixels(16, 16, 3), 16, 16, 3), 0},
            {"data/texture/grey.jpg", test::EncodeJpeg(test::GradientPixels(8, 8, 1), 8, 8, 1), 0},
            {"data/texture/light.png",
             test::EncodePng({8, 4, PNG_COLOR_TYPE_RGBA, 8, false, test::GradientPixels(8, 4, 4), 0}), 0},
            {"data/texture/broken.png", Bytes(100, 0x89), 0},
        };
        RarPackOptions options;
        std::string error;
        archiveReady_ = WriteRarArchive(archive_.c_str(), entries, options, &error);
        archiveError_ = error;
    }
    static void TearDownTestSuite() { std::remove(archive_.c_str()); }

    void SetUp() override
    {
        if (!context_.Create(16, 16)) {
            if (RunningUnderCi()) FAIL() << context_.Error();
            GTEST_SKIP() << "no offscreen OpenGL context: " << context_.Error();
        }
        ASSERT_TRUE(archiveReady_) << archiveError_;
        g_messages = 0;
        g_lastMessage.clear();
        SetErrorBoxHandler(CountMessage);
    }
    void TearDown() override { SetErrorBoxHandler(nullptr); }

    int32_t Load(const char* fileName, int mipmaps = 0, int wrapMode = 1)
    {
        return textures_.LoadTexture(archive_.c_str(), fileName, mipmaps, wrapMode);
    }

    static std::string archive_;
    static bool archiveReady_;
    static std::string archiveError_;
    OffscreenContext context_;
    CTexManager textures_;
};

std::string CTexManagerTest::archive_;
bool CTexManagerTest::archiveReady_ = false;
std::string CTexManagerTest::archiveError_;

TEST_F(CTexManagerTest, SameFileSharesOneTextureUntilTheLastRelease)
{
    const int32_t first = Load("data/texture/noize.jpg");
    ASSERT_NE(first, -1);
    EXPECT_EQ(Load("data/texture/noize.jpg"), first);
    EXPECT_EQ(Load("DATA/TEXTURE/NOIZE.JPG"), first);
    EXPECT_TRUE(glIsTexture(GLuint(first)));

    textures_.ReleaseTexture(first);
    textures_.ReleaseTexture(first);
    EXPECT_TRUE(glIsTexture(GLuint(first)));
    textures_.ReleaseTexture(first);
    EXPECT_FALSE(glIsTexture(GLuint(first)));
    EXPECT_EQ(g_messages, 0);

    // Loaded afresh after the deletion.
    const int32_t again = Load("data/texture/noize.jpg");
    ASSERT_NE(again, -1);
    EXPECT_TRUE(glIsTexture(GLuint(again)));
}

// A cache hit compares the file name only: neither archive nor settings.
TEST_F(CTexManagerTest, CacheHitKeepsTheFirstLoadsSettings)
{
    const int32_t texture = Load("data/texture/light.png", 0, 1);
    ASSERT_NE(texture, -1);
    EXPECT_EQ(textures_.LoadTexture("elsewhere.rar", "Data/Texture/Light.PNG", 1, 0), texture);
    glBindTexture(GL_TEXTURE_2D, GLuint(texture));
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(g_messages, 0);
}

TEST_F(CTexManagerTest, MissingFileShowsTheMessageOnEveryCallAndCachesNothing)
{
    EXPECT_EQ(Load("data/texture/absent.jpg"), -1);
    EXPECT_EQ(g_messages, 1);
    EXPECT_EQ(g_lastMessage, "[CTexManager :: LoadTexture] Can't load file : RARFile " + archive_ +
                                 " FileName data/texture/absent.jpg");
    EXPECT_EQ(Load("data/texture/absent.jpg"), -1);
    EXPECT_EQ(g_messages, 2);

    EXPECT_EQ(Load("data/texture/broken.png"), -1);
    EXPECT_EQ(g_messages, 3);

    // Releasing -1 does not touch a live texture's count.
    const int32_t texture = Load("data/texture/grey.jpg");
    ASSERT_NE(texture, -1);
    textures_.ReleaseTexture(-1);
    EXPECT_TRUE(glIsTexture(GLuint(texture)));
    textures_.ReleaseTexture(texture);
    EXPECT_FALSE(glIsTexture(GLuint(texture)));
}

TEST_F(CTexManagerTest, ImagesBecomeLuminanceRgbAndRgbaTextures)
{
    struct Case {
        const char* file;
        GLint internalFormat;
    };
    for (Case c : {Case{"data/texture/grey.jpg", 1}, Case{"data/texture/noize.jpg", 3},
                   Case{"data/texture/light.png", 4}}) {
        const int32_t texture = Load(c.file);
        ASSERT_NE(texture, -1) << c.file;
        glBindTexture(GL_TEXTURE_2D, GLuint(texture));
        EXPECT_EQ(LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), c.internalFormat) << c.file;
        EXPECT_EQ(LevelParameter(1, GL_TEXTURE_WIDTH), 0) << c.file;  // one level only
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(Load("data/texture/grey.jpg")));
    EXPECT_GT(LevelParameter(0, GL_TEXTURE_LUMINANCE_SIZE), 0);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_RED_SIZE), 0);
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);
}

TEST_F(CTexManagerTest, WrapModesAndNone)
{
    const Bytes pixels(4 * 4 * 3, 100);
    struct Case {
        int wrapMode;
        GLint expected;
    };
    // "None" sets nothing, which leaves OpenGL's default, GL_REPEAT, even
    // right after a clamped texture.
    for (Case c : {Case{0, GL_CLAMP}, Case{1, GL_REPEAT}, Case{2, 0x8370}, Case{0, GL_CLAMP}, Case{7, GL_REPEAT}}) {
        const int32_t texture = textures_.UploadTexture(pixels.data(), 4, 4, 24, 0, c.wrapMode);
        ASSERT_NE(texture, -1);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, texture);  // left bound
        EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), c.expected) << c.wrapMode;
        EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), c.expected) << c.wrapMode;
        EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CTexManagerTest, UnsupportedDepthMakesNoTexture)
{
    glBindTexture(GL_TEXTURE_2D, 0);
    const Bytes pixels(4 * 4 * 2, 7);
    EXPECT_EQ(textures_.UploadTexture(pixels.data(), 4, 4, 16, 0, 0), -1);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(g_messages, 0);
}

// 4 x 2 RGB: level 1 is 2 x 1 of truncated 2 x 2 averages, level 2 is 1 x 1
// from a one-texel-high level (its row used twice), and nothing follows.
TEST_F(CTexManagerTest, MipChainOfTruncatedAverages)
{
    const Bytes pixels = {
        10, 255, 0,   20, 255, 1,    100, 0, 200, 101, 3, 200,  // top row
        30, 254, 3,   41, 255, 2,    102, 1, 201, 103, 0, 203,  // bottom row
    };
    const int32_t texture = textures_.UploadTexture(pixels.data(), 4, 2, 24, 1, 1);
    ASSERT_NE(texture, -1);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    ASSERT_EQ(LevelParameter(1, GL_TEXTURE_WIDTH), 2);
    ASSERT_EQ(LevelParameter(1, GL_TEXTURE_HEIGHT), 1);
    ASSERT_EQ(LevelParameter(2, GL_TEXTURE_WIDTH), 1);
    ASSERT_EQ(LevelParameter(2, GL_TEXTURE_HEIGHT), 1);
    EXPECT_EQ(LevelParameter(3, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(LevelParameter(1, GL_TEXTURE_INTERNAL_FORMAT), 3);

    // (10+20+30+41)/4 = 25.25, (255+255+254+255)/4 = 254.75, (0+1+3+2)/4 = 1.5
    // (100+101+102+103)/4 = 101.5, (0+3+1+0)/4 = 1, (200+200+201+203)/4 = 201
    EXPECT_EQ(LevelTexels(1), (Bytes{25, 254, 1, 255, 101, 1, 201, 255}));
    // (25+101)*2/4 = 63, (254+1)*2/4 = 127.5, (1+201)*2/4 = 101
    EXPECT_EQ(LevelTexels(2), (Bytes{63, 127, 101, 255}));
}

TEST_F(CTexManagerTest, MipChainOfOneTexelWideLuminanceAndOfOneTexel)
{
    const Bytes column = {9, 200, 7, 100};  // 1 x 4
    const int32_t texture = textures_.UploadTexture(column.data(), 1, 4, 8, 1, 0);
    ASSERT_NE(texture, -1);
    ASSERT_EQ(LevelParameter(1, GL_TEXTURE_WIDTH), 1);
    ASSERT_EQ(LevelParameter(1, GL_TEXTURE_HEIGHT), 2);
    // (9+9+200+200)/4 = 104.5, (7+7+100+100)/4 = 53.5; then (104+104+53+53)/4 = 78.5
    EXPECT_EQ(LevelTexels(1, GL_LUMINANCE), (Bytes{104, 53}));
    EXPECT_EQ(LevelTexels(2, GL_LUMINANCE), (Bytes{78}));
    EXPECT_EQ(LevelParameter(3, GL_TEXTURE_WIDTH), 0);

    const Bytes texel = {1, 2, 3, 4};
    ASSERT_NE(textures_.UploadTexture(texel.data(), 1, 1, 32, 1, 0), -1);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), 4);
    EXPECT_EQ(LevelParameter(1, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(LevelTexels(0), texel);
}

}  // namespace
}  // namespace sunvale
