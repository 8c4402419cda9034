// The sound library on MP3 data made by the test: gapless decoding at each
// mixing rate, the play position, damaged input, handles after FSOUND_Close,
// and the null output's real-time pace.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <thread>

#include "TestAudio.h"
#include "app/sound/AudioOutput.h"
#include "app/sound/FSound.h"

namespace sunvale {
namespace {

using namespace testaudio;

constexpr int kSourceRate = 44100;
constexpr int kSourceFrames = 44100 + 12345;  // not a multiple of the 1152-frame MP3 frame

const std::vector<unsigned char>& ToneMp3()
{
    static const auto mp3 =
        EncodeMp3(SineStereo(kSourceFrames, kSourceRate, 440.0, 0.5), kSourceRate);
    return mp3;
}

// In the show's mode: from memory (0x8000) with the bits 0x2B.
FSOUND_STREAM* OpenFromMemory(const std::vector<unsigned char>& bytes)
{
    return FSOUND_Stream_OpenFile(reinterpret_cast<const char*>(bytes.data()), 0x802B,
                                  int(bytes.size()));
}

class FSoundTest : public ::testing::Test {
protected:
    void SetUp() override { FSOUND_SetOutputKind(SoundOutput::Manual); }
    void TearDown() override
    {
        FSOUND_Close();
        FSOUND_SetOutputKind(SoundOutput::Auto);
    }
};

// Gapless: as many frames as were encoded, scaled to the mixing rate and
// rounded up; the position counts the frames delivered since Play.
TEST_F(FSoundTest, StreamPlaysGaplessAtEachRateAndItsPositionFollowsDelivery)
{
    ASSERT_FALSE(ToneMp3().empty());
    for (const int rate : {16000, 22050, 44100}) {
        ASSERT_NE(FSOUND_Init(rate, 32, FSOUND_INIT_GLOBALFOCUS), 0);
        FSOUND_STREAM* stream = OpenFromMemory(ToneMp3());
        ASSERT_NE(stream, nullptr);
        std::vector<int16_t> block(size_t(rate / 10) * 2), pcm;
        FSOUND_MixBlock(block.data(), rate / 10);
        EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0) << "nothing plays before Play";
        ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
        ASSERT_EQ(FSOUND_MixBlock(block.data(), rate / 10), rate / 10);
        EXPECT_EQ(FSOUND_Stream_GetTime(stream), 100) << rate;
        MixUntil([&] { return FSOUND_Stream_IsFinished(stream); }, 10 * rate, &pcm);
        const int64_t expected = (int64_t(kSourceFrames) * rate + kSourceRate - 1) / kSourceRate;
        EXPECT_EQ(FSOUND_Stream_GetPlayedFrames(stream), expected) << rate;
        EXPECT_EQ(FSOUND_Stream_GetTime(stream), int(expected * 1000 / rate)) << rate;
        EXPECT_EQ(FSOUND_GetPlayingCount(), 0) << rate;
        // The tone itself came through at the source's level.
        EXPECT_NEAR(LeftRms(pcm, 0, size_t(rate) / 2), 0.5 / std::sqrt(2.0), 0.03) << rate;
        FSOUND_Close();
    }
}

TEST_F(FSoundTest, TruncatedMp3PlaysWhatItHasAndEnds)
{
    const std::vector<unsigned char>& mp3 = ToneMp3();
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    for (const size_t length : {size_t(300), mp3.size() / 3, mp3.size() - 1}) {
        const std::vector<unsigned char> cut(mp3.begin(),
                                             mp3.begin() + long(length));  // read while it plays
        FSOUND_STREAM* stream = OpenFromMemory(cut);
        if (stream == nullptr) continue;  // too short to find a frame: refusing is fine
        ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
        MixUntil([&] { return FSOUND_Stream_IsFinished(stream); }, 10 * 22050, nullptr);
        EXPECT_TRUE(FSOUND_Stream_IsFinished(stream)) << length;
        FSOUND_Stream_Close(stream);
    }
}

// Handles die with the library: using them afterwards is refused, not a crash.
TEST_F(FSoundTest, HandlesAfterCloseAreRefusedAndNothingOpensWhileClosed)
{
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    FSOUND_STREAM* stream = OpenFromMemory(ToneMp3());
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    std::vector<int16_t> block(2 * 2205);
    ASSERT_EQ(FSOUND_MixBlock(block.data(), 2205), 2205);
    ASSERT_EQ(FSOUND_Stream_GetTime(stream), 100);
    const int before = FSOUND_GetCloseCount();
    FSOUND_Close();
    EXPECT_EQ(FSOUND_GetCloseCount(), before + 1);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    EXPECT_EQ(FSOUND_Stream_Close(stream), 0);
    EXPECT_EQ(OpenFromMemory(ToneMp3()), nullptr);
    EXPECT_EQ(FSOUND_MixBlock(block.data(), 32), 0);
}

// The silent output hands over the frames due by the clock since it started:
// the position never runs ahead of the time that passed, and it keeps
// moving. Checked without a bound on how late a loaded machine wakes the
// output's thread; the deadline only catches a position that stands still.
TEST_F(FSoundTest, NullOutputAdvancesWithTheClockAndNeverAheadOfIt)
{
    FSOUND_SetOutputKind(SoundOutput::Null);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    // Three seconds of tone, so the stream outlasts the measurement.
    const std::vector<unsigned char> mp3 =
        EncodeMp3(SineStereo(3 * 22050, 22050, 440.0, 0.5), 22050);
    FSOUND_STREAM* stream = OpenFromMemory(mp3);
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    int position = 0, previous = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
    while (position < 1500 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        position = FSOUND_Stream_GetTime(stream);
        // Read after the position, so the clock is never behind it.
        const double wallMs =
            std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        ASSERT_LE(position, wallMs + 1.0);
        ASSERT_GE(position, previous);
        previous = position;
    }
    EXPECT_GE(position, 1500);
    EXPECT_FALSE(FSOUND_Stream_IsFinished(stream));
}

// When the silent output's thread cannot be started, the library still
// starts, and the position advances with the clock as it is asked for.
TEST_F(FSoundTest, NullOutputWithoutAThreadFollowsTheCallersClock)
{
    struct ThreadRefused {
        ThreadRefused()
        {
            AudioOutput::createThread = [](pthread_t*, const pthread_attr_t*, void* (*)(void*),
                                           void*) { return EAGAIN; };
        }
        ~ThreadRefused() { AudioOutput::createThread = &pthread_create; }
    } refused;
    FSOUND_SetOutputKind(SoundOutput::Null);
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    const std::vector<unsigned char> mp3 =
        EncodeMp3(SineStereo(3 * 22050, 22050, 440.0, 0.5), 22050);
    FSOUND_STREAM* stream = OpenFromMemory(mp3);
    ASSERT_NE(stream, nullptr);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point played = Clock::now();
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int p0 = FSOUND_Stream_GetTime(stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int p1 = FSOUND_Stream_GetTime(stream);
    const double sincePlay =
        std::chrono::duration<double, std::milli>(Clock::now() - played).count();
    // At least the time slept, at most the time since Play (whole frames).
    EXPECT_GE(p0, 50);
    EXPECT_GE(p1, p0 + 50);
    EXPECT_LE(p1, sincePlay + 1);
    EXPECT_FALSE(FSOUND_Stream_IsFinished(stream));
}

}  // namespace
}  // namespace sunvale
