#include <gtest/gtest.h>

#include "app/Clock.h"

namespace sunvale {
namespace {

uint32_t g_fakeMs = 0;
uint32_t FakeCounter() { return g_fakeMs; }

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMillisecondCounter(&FakeCounter);
        ResetTicks();
    }
    void TearDown() override
    {
        SetMillisecondCounter(nullptr);
        ResetTicks();
    }
};

TEST_F(ClockTest, FirstCallIsZeroAndOriginIsKept)
{
    g_fakeMs = 5000;
    EXPECT_EQ(GetTicks(), 0.0f);
    g_fakeMs = 5017;
    EXPECT_FLOAT_EQ(GetTicks(), 1.0f);
    g_fakeMs = 5000 + 17 * 16100;
    EXPECT_GE(GetTicks(), 16100.0f);
}

TEST_F(ClockTest, ConversionUsesSinglePrecisionConstantInDoubleArithmetic)
{
    g_fakeMs = 0;
    GetTicks();
    g_fakeMs = 273700;
    // 273700 * (double)0.05882353f, rounded once to float.
    const double expected = 273700.0 * static_cast<double>(0.05882353f);
    EXPECT_EQ(GetTicks(), static_cast<float>(expected));
    // A float-only product would round differently for large counts.
    g_fakeMs = 16777217u;
    const double wide = 16777217.0 * static_cast<double>(0.05882353f);
    EXPECT_EQ(GetTicks(), static_cast<float>(wide));
}

TEST_F(ClockTest, OriginStoredInSinglePrecision)
{
    // 2^24 + 1 ms is not a float: the origin rounds to 2^24, so the first
    // call already reads one millisecond's worth of ticks.
    g_fakeMs = (1u << 24) + 1;
    const float first = GetTicks();
    EXPECT_FLOAT_EQ(first, static_cast<float>(1.0 * static_cast<double>(0.05882353f)));
}

TEST(SystemClock, FirstCallIsWithinOneMillisecondOfZero)
{
    SetMillisecondCounter(nullptr);
    ResetTicks();
    const float first = GetTicks();
    EXPECT_GE(first, 0.0f);
    EXPECT_LE(first, 0.0589f);
    ResetTicks();
}

}  // namespace
}  // namespace sunvale
