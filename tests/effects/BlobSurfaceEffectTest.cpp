// The blob surface effect in an offscreen context: the ring of display
// lists through construction, drawing and destruction, the camera's first
// frames, the generator after construction, the compiled slab as OpenGL
// replays it, and the state the effect leaves behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "app/OffscreenContext.h"
#include "app/Random.h"
#include "effects/CBlobSurfaceEffect.h"

namespace sunvale {
namespace {

class BlobSurface : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        context_ = std::make_unique<OffscreenContext>();
        if (!context_->Create(200, 150)) context_.reset();
    }
    static void TearDownTestSuite() { context_.reset(); }
    void SetUp() override
    {
        if (context_ == nullptr) {
            if (RunningUnderCi()) FAIL() << "no offscreen OpenGL context";
            GTEST_SKIP() << "no offscreen OpenGL context";
        }
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1.3333, 1.3333, -1, 1, 1, 2000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDepthMask(GL_TRUE);
    }
    static inline std::unique_ptr<OffscreenContext> context_;
};

// The modelview matrix applied to (x, y, z, 1).
std::array<float, 3> Apply(const float m[16], float x, float y, float z)
{
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

TEST_F(BlobSurface, RingHoldsFiftyListsRotatesOnePerDrawAndIsDeletedWithTheEffect)
{
    auto effect = std::make_unique<CBlobSurfaceEffect>();
    const std::array<GLuint, 50> built = effect->Lists();
    EXPECT_EQ(std::set<GLuint>(built.begin(), built.end()).size(), 50u);
    for (GLuint list : built) EXPECT_TRUE(glIsList(list)) << list;
    EXPECT_EQ(effect->Field().frame, 50);
    EXPECT_EQ(effect->pending, 1);

    for (int draw = 1; draw <= 3; ++draw) {
        effect->Draw(0);
        for (int i = 0; i < 50; ++i) {
            ASSERT_EQ(effect->Lists()[i], built[(i + draw) % 50]) << "draw " << draw;
        }
        EXPECT_EQ(effect->Field().frame, 50 + draw);  // one slab per draw
    }
    effect.reset();
    for (GLuint list : built) EXPECT_FALSE(glIsList(list)) << list;
}

TEST_F(BlobSurface, ConstructionSeedsWith81AndDrawingTakesNoRandomNumbers)
{
    srand(81);
    BlobField reference;
    reference.DrawBlobParameters();
    const int expected = rand();

    srand(5);
    CBlobSurfaceEffect effect;
    EXPECT_EQ(rand(), expected);
    EXPECT_EQ(effect.Field().blobs[0].Bs, 35.0f);
    EXPECT_EQ(effect.Field().blobs[3].fs, reference.blobs[3].fs);

    srand(1);
    effect.Draw(0);
    EXPECT_EQ(rand(), 41);
}

TEST_F(BlobSurface, CameraLooksFromMinus3ThenFromThePreviousTarget)
{
    CBlobSurfaceEffect effect;
    float m[16];
    float targets[2][2];
    for (int frame = 0; frame < 2; ++frame) {
        effect.Draw(0);
        effect.Field().CameraTarget(&targets[frame][0], &targets[frame][1]);
        EXPECT_EQ(effect.previousTarget[0], targets[frame][0]);
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        // The modelview is the view moved 50 deep: the eye is at z 47 of it.
        const float eyeX = frame == 0 ? 0 : targets[0][0], eyeY = frame == 0 ? 0 : targets[0][1];
        for (float c : Apply(m, eyeX, eyeY, 47)) EXPECT_NEAR(c, 0, 1e-4) << "frame " << frame;
        // The target lies straight ahead.
        const std::array<float, 3> ahead = Apply(m, targets[frame][0], targets[frame][1], 46);
        EXPECT_NEAR(ahead[0], 0, 1e-4);
        EXPECT_NEAR(ahead[1], 0, 1e-4);
        EXPECT_LT(ahead[2], 0);
    }
    EXPECT_NE(targets[0][0], targets[1][0]);
    // The up vector (0, 1, 0) keeps +y upwards on the screen.
    const std::array<float, 3> above = Apply(m, targets[0][0], targets[0][1] + 1, 47);
    EXPECT_GT(above[1], 0.5f);
}

TEST_F(BlobSurface, NewestListReplaysTheLastSlabOneUnitDeeperEachTime)
{
    CBlobSurfaceEffect effect;
    effect.Draw(0);
    const std::vector<BlobField::Vertex>& slab = effect.LastSlab();
    ASSERT_GT(slab.size(), 300u);

    // Replay the newest list in feedback mode under an orthographic box.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-100, 100, -100, 100, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    std::vector<GLfloat> buffer(slab.size() * 4 + 1024);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glCallList(effect.Lists().back());
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::array<float, 3>> replayed;
    for (GLint p = 0; p + 1 < used;) {
        ASSERT_EQ(buffer[p], GL_POLYGON_TOKEN);
        ASSERT_EQ(buffer[p + 1], 3);
        for (int k = 0; k < 3; ++k) {
            const GLfloat* v = &buffer[p + 2 + 3 * k];  // window x, y (200 x 150), depth 0..1
            replayed.push_back({v[0] / 100 - 1, v[1] / 75 - 1, 1 - 2 * v[2]});
        }
        p += 11;
    }
    ASSERT_EQ(replayed.size(), slab.size());  // no triangle clipped or lost
    for (size_t i = 0; i < slab.size(); ++i) {
        EXPECT_NEAR(replayed[i][0] * 100, slab[i].position[0], 1e-3);
        EXPECT_NEAR(replayed[i][1] * 100, slab[i].position[1], 1e-3);
        EXPECT_NEAR(replayed[i][2] * 100, slab[i].position[2], 1e-3);
    }
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[14], -1);
}

TEST_F(BlobSurface, DrawShowsTheLitLandscapeAndLeavesItsDocumentedState)
{
    CBlobSurfaceEffect effect;
    effect.SetTexture(-1);
    glEnable(GL_CULL_FACE);
    for (int frame = 0; frame < 2; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // grey from the frame before
        effect.Draw(123);
    }

    // Over the grey clear: the half-transparent surface, lit on the side
    // facing the light, dark on the other, greyer with distance.
    std::set<uint32_t> colours;
    int surface = 0;
    for (int y = 0; y < context_->Height(); y += 5) {
        for (int x = 0; x < context_->Width(); x += 5) {
            const uint32_t pixel = context_->PixelAt(x, y) >> 8;
            colours.insert(pixel);
            const int red = static_cast<int>(pixel >> 16);
            surface += red < 120 || red > 135;
        }
    }
    EXPECT_GT(colours.size(), 20u);
    EXPECT_GT(surface, 1200 / 4);

    for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_NORMALIZE, GL_FOG, GL_TEXTURE_2D,
                       GL_BLEND, GL_CULL_FACE}) {
        EXPECT_FALSE(glIsEnabled(cap)) << std::hex << cap;
    }
    GLfloat clear[4], fog[4], start = 0, end = 0, diffuse[4], shininess = 0;
    GLint mode = 0, bound = -1;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetFloatv(GL_FOG_COLOR, fog);
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    glGetIntegerv(GL_FOG_MODE, &mode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_BACK, GL_SHININESS, &shininess);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(clear[i], 0.5f);
        EXPECT_FLOAT_EQ(fog[i], 0.5f);
    }
    EXPECT_FLOAT_EQ(start, 5);
    EXPECT_FLOAT_EQ(end, 40);
    EXPECT_EQ(mode, GL_LINEAR);
    EXPECT_EQ(bound, 0);
    EXPECT_FLOAT_EQ(diffuse[3], 0.5f);
    EXPECT_FLOAT_EQ(shininess, 5);
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
}

}  // namespace
}  // namespace sunvale
