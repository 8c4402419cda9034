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

#include "OffscreenTest.h"
#include "app/Random.h"
#include "effects/CBlobSurfaceEffect.h"

namespace sunvale {
namespace {

// The scene's frustum (1.3333 wide, 1 high at distance 1, 1 to 2000) on a
// 200 x 150 viewport; depth writes on.
class BlobSurface : public OffscreenTest<200, 150> {
protected:
    void SetUp() override
    {
        OffscreenTest::SetUp();
        if (!Ready()) return;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1.3333, 1.3333, -1, 1, 1, 2000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDepthMask(GL_TRUE);
    }
};

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
    Mat4 m{};
    float targets[2][2];
    for (int frame = 0; frame < 2; ++frame) {
        effect.Draw(0);
        effect.Field().CameraTarget(&targets[frame][0], &targets[frame][1]);
        EXPECT_EQ(effect.previousTarget[0], targets[frame][0]);
        m = GetFloats(GL_MODELVIEW_MATRIX);
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
    UseOrtho(100, 100);
    glDisable(GL_LIGHTING);
    const auto polygons = CapturePolygons([&] { glCallList(effect.Lists().back()); });
    std::vector<std::array<float, 3>> replayed;
    for (const FeedbackPolygon& polygon : polygons) {
        ASSERT_EQ(polygon.size(), 3u);
        for (const FeedbackVertex& v : polygon) replayed.push_back({v.x, v.y, v.z});
    }
    ASSERT_EQ(replayed.size(), slab.size());  // no triangle clipped or lost
    for (size_t i = 0; i < slab.size(); ++i)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(replayed[i][c], slab[i].position[c], 1e-3);
    EXPECT_FLOAT_EQ(GetFloats(GL_MODELVIEW_MATRIX)[14], -1);
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
    const Mat4 clear = GetFloats(GL_COLOR_CLEAR_VALUE), fog = GetFloats(GL_FOG_COLOR);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(clear[i], 0.5f);
        EXPECT_FLOAT_EQ(fog[i], 0.5f);
    }
    EXPECT_FLOAT_EQ(GetFloats(GL_FOG_START)[0], 5);
    EXPECT_FLOAT_EQ(GetFloats(GL_FOG_END)[0], 40);
    GLfloat diffuse[4] = {}, shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_BACK, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(diffuse[3], 0.5f);
    EXPECT_FLOAT_EQ(shininess, 5);
    std::array<GLint, 3> modes{};  // fog, bound texture, matrix
    glGetIntegerv(GL_FOG_MODE, &modes[0]);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &modes[1]);
    glGetIntegerv(GL_MATRIX_MODE, &modes[2]);
    EXPECT_EQ(modes, (std::array<GLint, 3>{GL_LINEAR, 0, GL_MODELVIEW}));
}

}  // namespace
}  // namespace sunvale
