// The shared generator's sequence, and how many numbers each effect takes
// from it: every draw shifts the sequence for all later users.
#include <gtest/gtest.h>

#include "EffectTestUtil.h"
#include "app/Random.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {
namespace {

TEST(SharedGenerator, FirstValuesAfterSeedOne)
{
    srand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected) {
        EXPECT_EQ(rand(), value);
    }
}

TEST(SharedGenerator, ReseedFromItsOwnFirstValue)
{
    srand(1);
    srand(static_cast<uint32_t>(rand() % 32767));  // seeds 41
    const int expected[] = {172, 22420, 5, 5992, 5768};
    for (int value : expected) {
        EXPECT_EQ(rand(), value);
    }
}

class EffectRandomDraws : public test::GlTest {};

TEST_F(EffectRandomDraws, OnlyTheNoiseDrawsOneNumberPerOverlay)
{
    CImageQuadEffect quad;
    CPlaneFanEffect fan;
    CPlaneStarEffect star;
    CFadeEffect fade;
    CScanlineNoiseEffect noise;

    srand(1);
    quad.Draw(10.0f);
    fan.Draw(10.0f);
    star.Draw(10.0f);
    fade.DrawOver(10.0f, &quad);
    noise.Draw(10.0f);  // not an overlay call: draws nothing, takes nothing
    EXPECT_EQ(rand(), 41);

    srand(1);
    noise.DrawOver(10.0f, &fan);  // one number, taken after the source drew
    EXPECT_EQ(rand(), 18467);
    noise.DrawOver(11.0f, nullptr);
    noise.DrawOver(12.0f, nullptr);
    EXPECT_EQ(rand(), 19169);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace
}  // namespace sunvale
