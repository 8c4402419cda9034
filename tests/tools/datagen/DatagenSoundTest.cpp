// Tests of the soundtrack's parts: the bar grid against the show's clock,
// voices landing on their sample, the ping-pong delay, and MP3 encoding
// round trips through mpg123 with gapless trimming.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>
#include <vector>

#include "FixedMath.h"
#include "Instruments.h"
#include "Mp3Encoder.h"
#include "Soundtrack.h"
#include "SpaceEffect.h"

namespace sd = sunvale::datagen;

namespace {

TEST(DatagenSoundtrack, BarGridPutsTheShowsSceneChangesOnDownbeats)
{
    const double tick = 0.017;
    EXPECT_NEAR(sd::Soundtrack::kBar, 101.25 * tick, 1e-12);
    // Scene entries from tick 8640 on start on whole bars: D, E, F, ... H, D, G.
    for (double start : {8640.0, 9450.0, 10260.0, 10361.25, 10665.0, 10766.25, 11070.0, 11880.0,
                         11981.25, 12285.0, 12386.25, 12690.0}) {
        double bars = (start * tick - sd::Soundtrack::kFirstDownbeat) / sd::Soundtrack::kBar;
        EXPECT_NEAR(bars, std::round(bars), 1e-9) << start;
    }
    EXPECT_NEAR(sd::Soundtrack::BarTime(85), 146.88, 1e-9);
    EXPECT_GE(sd::Soundtrack::kLength, 274.0);
    EXPECT_NEAR(sd::Soundtrack::kFadeEnd, 16100 * tick, 1e-9);
}

TEST(DatagenInstruments, HitsStartOnTheirSampleAndStayInsideTheBuffer)
{
    sd::StereoBuffer dry(44100, 44100), send(44100, 44100);
    sd::MixTarget mix{&dry, &send};
    sd::Instruments::Kick(mix, 0.5, 1.0f);
    size_t first = 0;
    while (first < dry.Frames() && dry.left[first] == 0.0f) ++first;
    EXPECT_EQ(first, 22050u);
    // Voices that run past the end are cut there, not written beyond it.
    sd::Instruments::Pad(mix, 0.9, 2.0, 220.0f, 0.1f, 1000.0f);
    sd::Instruments::Impact(mix, 0.99, 1.0f);
    sd::Instruments::Riser(mix, 0.5, 1.5, 0.5f);
    EXPECT_EQ(dry.Frames(), 44100u);
    EXPECT_NE(dry.right[44099], 0.0f);
}

TEST(DatagenInstruments, NotesSoundAtTheirPitch)
{
    sd::StereoBuffer dry(44100, 44100), send(44100, 44100);
    sd::MixTarget mix{&dry, &send};
    float a3 = sd::Instruments::NoteFrequency(-12);
    EXPECT_NEAR(a3, 220.0f, 0.01f);
    sd::Instruments::Bell(mix, 0.0, a3, 0.5f, 0.0f);
    // Count rising zero crossings over 0.2 s once the FM index has decayed.
    int crossings = 0;
    for (size_t i = 22050; i < 22050 + 8820; ++i)
        crossings += dry.left[i - 1] < 0.0f && dry.left[i] >= 0.0f;
    EXPECT_NEAR(crossings, 44, 2);
}

TEST(DatagenSpaceEffect, DelayPingPongsToTheOtherSide)
{
    sd::StereoBuffer send(44100, 44100), mix(44100, 44100);
    send.left[100] = 1.0f;
    sd::SpaceEffect::Apply(send, 0.25f, 1.0f, &mix);
    const size_t delay = 11025;
    EXPECT_GT(std::fabs(mix.right[100 + delay]), 0.2f);             // first echo on the right
    EXPECT_GT(std::fabs(mix.left[100 + 2 * delay]), 0.05f);         // second back on the left
    for (size_t i = 0; i < 100; ++i) ASSERT_EQ(mix.left[i], 0.0f);  // nothing before the impulse
}

std::vector<int16_t> DecodeLeft(const std::vector<uint8_t>& mp3, long* rate)
{
    mpg123_init();
    int err = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    std::vector<int16_t> left;
    if (!mh) return left;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    mpg123_open_feed(mh);
    mpg123_feed(mh, mp3.data(), mp3.size());
    std::vector<unsigned char> pcm(1 << 15);
    size_t done = 0;
    int channels = 0, encoding = 0;
    for (;;) {
        int r = mpg123_read(mh, pcm.data(), pcm.size(), &done);
        for (size_t i = 0; i + 3 < done; i += 4)
            left.push_back(static_cast<int16_t>(pcm[i] | (pcm[i + 1] << 8)));
        if (r == MPG123_NEW_FORMAT)
            mpg123_getformat(mh, rate, &channels, &encoding);
        else if (r != MPG123_OK)
            break;
    }
    mpg123_delete(mh);
    return left;
}

TEST(DatagenMp3, EncodesToExactlyTheRenderedLengthAndPitch)
{
    const size_t frames = 2 * 44100;
    sd::StereoBuffer audio(44100, frames);
    for (size_t i = 0; i < frames; ++i)
        audio.left[i] = audio.right[i] = 0.5f * sd::Sin(sd::kTwoPi * 440.0f * i / 44100.0f);
    std::vector<uint8_t> mp3, again;
    std::string error;
    ASSERT_TRUE(sd::Mp3Encoder::Encode(audio, 160, 7, &mp3, &error)) << error;
    ASSERT_TRUE(sd::Mp3Encoder::Encode(audio, 160, 7, &again, &error)) << error;
    EXPECT_EQ(mp3, again);
    long rate = 0;
    std::vector<int16_t> left = DecodeLeft(mp3, &rate);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(left.size(), frames);  // the Info tag trims encoder delay and padding
    int crossings = 0;
    for (size_t i = 44100; i < 44100 + 22050 && i < left.size(); ++i)
        crossings += left[i - 1] < 0 && left[i] >= 0;
    EXPECT_NEAR(crossings, 220, 2);
    // Aligned: the decoded wave follows the source sample for sample.
    double err2 = 0;
    for (size_t i = 10000; i < 12000 && i < left.size(); ++i)
        err2 += std::fabs(left[i] / 32767.0 - audio.left[i]);
    EXPECT_LT(err2 / 2000.0, 0.05);
}

}  // namespace
