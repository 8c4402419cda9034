#include "app/sound/FSound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>

#include "TestAudio.h"

namespace sunvale {
namespace {

using namespace testaudio;

constexpr unsigned int kShowMode = 0x802B;
constexpr int kSourceRate = 44100;
constexpr int kSourceFrames = 44100 + 12345;  // deliberately not a multiple of the 1152-frame MP3 frame

const std::vector<unsigned char>& ToneMp3() {
    static const std::vector<unsigned char> mp3 = EncodeMp3(SineStereo(kSourceFrames, kSourceRate, 440.0, 0.5), kSourceRate);
    return mp3;
}

FSOUND_STREAM* OpenFromMemory(const std::vector<unsigned char>& bytes) {
    return FSOUND_Stream_OpenFile(reinterpret_cast<const char*>(bytes.data()), kShowMode, int(bytes.size()));
}

class FSoundTest : public ::testing::Test {
protected:
    void SetUp() override { FSOUND_SetOutputKind(SoundOutput::Manual); }
    void TearDown() override {
        FSOUND_Close();
        FSOUND_SetOutputKind(SoundOutput::Auto);
    }
};

TEST_F(FSoundTest, StreamDecodesGaplessAndPositionFollowsDeliveredSamples) {
    ASSERT_FALSE(ToneMp3().empty());
    ASSERT_NE(FSOUND_Init(44100, 32, FSOUND_INIT_GLOBALFOCUS), 0);
    EXPECT_EQ(FSOUND_GetActiveOutput(), SoundOutput::Manual);
    FSOUND_STREAM* stream = OpenFromMemory(ToneMp3());
    ASSERT_NE(stream, nullptr);

    std::vector<int16_t> block(2 * 4410);
    FSOUND_MixBlock(block.data(), 4410);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0) << "nothing plays before Play";

    const int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
    ASSERT_GE(channel, 0);
    EXPECT_NE(FSOUND_SetVolume(channel, 255), 0);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    ASSERT_EQ(FSOUND_MixBlock(block.data(), 4410), 4410);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 100);
    ASSERT_EQ(FSOUND_MixBlock(block.data(), 441), 441);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 110);

    std::vector<int16_t> pcm;
    MixUntil([&] { return FSOUND_Stream_IsFinished(stream); }, 10 * kSourceRate, &pcm);
    EXPECT_EQ(FSOUND_Stream_GetPlayedFrames(stream), kSourceFrames) << "gapless: as many frames as were encoded";
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), int(int64_t(kSourceFrames) * 1000 / kSourceRate));
    EXPECT_EQ(FSOUND_GetPlayingCount(), 0);

    // The tone itself came through: level and pitch of the source.
    EXPECT_NEAR(LeftRms(pcm, 1000, 40000), 0.5 / std::sqrt(2.0), 0.03);
    EXPECT_NEAR(ZeroCrossingRate(pcm, 1000, 40000, kSourceRate), 880.0, 10.0);

    // After the end the position holds still and the output is silent.
    MixUntil([] { return false; }, 4096, &pcm);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), int(int64_t(kSourceFrames) * 1000 / kSourceRate));
    EXPECT_EQ(pcm.back(), 0);
    EXPECT_NE(FSOUND_Stream_Close(stream), 0);
}

TEST_F(FSoundTest, EachMixingRateGivesTheScaledLengthAndPitch) {
    for (const int rate : {16000, 22050, 44100}) {
        ASSERT_NE(FSOUND_Init(rate, 32, 2), 0);
        EXPECT_EQ(FSOUND_GetMixRate(), rate);
        FSOUND_STREAM* stream = OpenFromMemory(ToneMp3());
        ASSERT_NE(stream, nullptr);
        ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
        std::vector<int16_t> pcm;
        MixUntil([&] { return FSOUND_Stream_IsFinished(stream); }, 10 * rate, &pcm);
        const int64_t expected = (int64_t(kSourceFrames) * rate + kSourceRate - 1) / kSourceRate;
        EXPECT_EQ(FSOUND_Stream_GetPlayedFrames(stream), expected) << rate;
        EXPECT_EQ(FSOUND_Stream_GetTime(stream), int(expected * 1000 / rate)) << rate;
        EXPECT_NEAR(ZeroCrossingRate(pcm, size_t(rate) / 50, size_t(rate), rate), 880.0, 10.0) << rate;
        EXPECT_NEAR(LeftRms(pcm, size_t(rate) / 50, size_t(rate)), 0.5 / std::sqrt(2.0), 0.03) << rate;
        FSOUND_Close();
    }
}

TEST_F(FSoundTest, TrackerModuleLoadsAsSongAndPlaysToItsEnd) {
    const std::vector<unsigned char> mod = MakeTinyMod();
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    FMUSIC_MODULE* song = FMUSIC_LoadSongMemory(mod.data(), int(mod.size()));
    ASSERT_NE(song, nullptr);
    ASSERT_NE(FMUSIC_PlaySong(song), 0);
    EXPECT_NE(FMUSIC_SetMasterVolume(song, 255), 0);
    EXPECT_EQ(FSOUND_GetPlayingCount(), 1);
    std::vector<int16_t> pcm;
    const int64_t mixed = MixUntil([&] { return FMUSIC_IsFinished(song); }, 10 * 22050, &pcm);
    EXPECT_TRUE(FMUSIC_IsFinished(song));
    EXPECT_EQ(FSOUND_GetPlayingCount(), 0);
    // Eight rows at speed 3 and 125 BPM: 0.48 s, plus the short tail the
    // module player renders after the last row; once, not looped.
    EXPECT_GE(double(mixed) / 22050.0, 0.48);
    EXPECT_LT(double(mixed) / 22050.0, 0.70);
    EXPECT_GT(LeftRms(pcm, 0, size_t(22050) / 4), 0.01) << "the square wave is heard";
    EXPECT_NE(FMUSIC_FreeSong(song), 0);
    EXPECT_EQ(FMUSIC_FreeSong(song), 0) << "a freed song is no longer known";
}

TEST_F(FSoundTest, VolumeZeroSilencesTheStream) {
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    FSOUND_STREAM* stream = OpenFromMemory(ToneMp3());
    ASSERT_NE(stream, nullptr);
    const int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
    ASSERT_NE(FSOUND_SetVolume(channel, 0), 0);
    std::vector<int16_t> pcm;
    MixUntil([] { return false; }, 4096, &pcm);
    EXPECT_EQ(LeftRms(pcm, 0, 4096), 0.0);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 4096 * 1000 / 22050) << "a silent stream still advances";
    ASSERT_NE(FSOUND_SetVolume(channel, 255), 0);
    pcm.clear();
    MixUntil([] { return false; }, 4096, &pcm);
    EXPECT_GT(LeftRms(pcm, 0, 4096), 0.3);
    EXPECT_EQ(FSOUND_SetVolume(32, 255), 0) << "channel out of range";
}

TEST_F(FSoundTest, MusicFormatsAreNotMistakenForEachOther) {
    const std::vector<unsigned char> mod = MakeTinyMod();
    ASSERT_NE(FSOUND_Init(44100, 32, 2), 0);
    EXPECT_EQ(FMUSIC_LoadSongMemory(ToneMp3().data(), int(ToneMp3().size())), nullptr);
    const std::vector<unsigned char> zeros(8192, 0);
    const std::string text(5000, 'x');
    EXPECT_EQ(FMUSIC_LoadSongMemory(zeros.data(), int(zeros.size())), nullptr);
    EXPECT_EQ(OpenFromMemory(zeros), nullptr);
    EXPECT_EQ(FMUSIC_LoadSongMemory(text.data(), int(text.size())), nullptr);
    EXPECT_EQ(FSOUND_Stream_OpenFile(text.data(), kShowMode, int(text.size())), nullptr);
    EXPECT_EQ(FSOUND_Stream_OpenFile(text.data(), kShowMode, 0), nullptr);
    EXPECT_EQ(FMUSIC_LoadSongMemory(nullptr, 100), nullptr);
    EXPECT_EQ(FSOUND_Stream_OpenFile(nullptr, kShowMode, 100), nullptr);
}

TEST_F(FSoundTest, TruncatedMp3PlaysWhatItHasAndEnds) {
    const std::vector<unsigned char>& mp3 = ToneMp3();
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    for (const size_t length : {size_t(1), size_t(4), size_t(300), size_t(1000), mp3.size() / 3, mp3.size() / 2 + 17,
                                mp3.size() - 1}) {
        const std::vector<unsigned char> cut(mp3.begin(), mp3.begin() + long(length));
        FSOUND_STREAM* stream = OpenFromMemory(cut);
        if (stream == nullptr) continue;  // too short to find a frame: refusing is fine
        ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
        MixUntil([&] { return FSOUND_Stream_IsFinished(stream); }, 10 * 22050, nullptr);
        EXPECT_TRUE(FSOUND_Stream_IsFinished(stream)) << length;
        EXPECT_LE(FSOUND_Stream_GetPlayedFrames(stream), int64_t(kSourceFrames) * 22050 / kSourceRate + 1152) << length;
        FSOUND_Stream_Close(stream);
    }
}

TEST_F(FSoundTest, StreamOpensFromAFileNameWithoutTheMemoryFlag) {
    char path[] = "/tmp/sunvale-sound-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::vector<unsigned char>& mp3 = ToneMp3();
    ASSERT_EQ(write(fd, mp3.data(), mp3.size()), ssize_t(mp3.size()));
    close(fd);
    ASSERT_NE(FSOUND_Init(44100, 32, 2), 0);
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(path, 0x2B, 0);
    std::remove(path);
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    MixUntil([&] { return FSOUND_Stream_IsFinished(stream); }, 10 * 44100, nullptr);
    EXPECT_EQ(FSOUND_Stream_GetPlayedFrames(stream), kSourceFrames);
    EXPECT_EQ(FSOUND_Stream_OpenFile("/nonexistent/sunvale.mp3", 0, 0), nullptr);
}

TEST_F(FSoundTest, NothingOpensWhileTheLibraryIsClosed) {
    const std::vector<unsigned char> mod = MakeTinyMod();
    EXPECT_EQ(FSOUND_Init(0, 32, 2), 0) << "no mixing rate";
    EXPECT_EQ(FSOUND_Init(44100, 0, 2), 0) << "no channels";
    EXPECT_EQ(FMUSIC_LoadSongMemory(mod.data(), int(mod.size())), nullptr);
    EXPECT_EQ(OpenFromMemory(ToneMp3()), nullptr);
    EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, nullptr), -1);
    EXPECT_EQ(FSOUND_Stream_GetTime(nullptr), 0);
    EXPECT_EQ(FSOUND_SetVolume(0, 255), 0);
    int16_t block[64];
    EXPECT_EQ(FSOUND_MixBlock(block, 32), 0);
}

TEST_F(FSoundTest, CloseFreesOpenHandlesAndIsCounted) {
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    FSOUND_STREAM* stream = OpenFromMemory(ToneMp3());
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    const int before = FSOUND_GetCloseCount();
    FSOUND_Close();
    EXPECT_EQ(FSOUND_GetCloseCount(), before + 1);
    // The handle died with the library; using it again is refused, not a crash.
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    EXPECT_EQ(FSOUND_Stream_Close(stream), 0);
    FSOUND_Close();
    EXPECT_EQ(FSOUND_GetCloseCount(), before + 2);
}

TEST_F(FSoundTest, NullOutputAdvancesInRealTime) {
    FSOUND_SetOutputKind(SoundOutput::Null);
    ASSERT_NE(FSOUND_Init(22050, 32, 2), 0);
    EXPECT_EQ(FSOUND_GetActiveOutput(), SoundOutput::Null);
    // Three seconds of tone, so the stream outlasts the measurement.
    const std::vector<unsigned char> longMp3 = EncodeMp3(SineStereo(3 * 22050, 22050, 440.0, 0.5), 22050);
    FSOUND_STREAM* stream = OpenFromMemory(longMp3);
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    using Clock = std::chrono::steady_clock;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Clock::time_point t0 = Clock::now();
    const int p0 = FSOUND_Stream_GetTime(stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    const Clock::time_point t1 = Clock::now();
    const int p1 = FSOUND_Stream_GetTime(stream);
    const double wallMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
    EXPECT_GT(p0, 0);
    EXPECT_FALSE(FSOUND_Stream_IsFinished(stream));
    EXPECT_NEAR((p1 - p0) / wallMs, 1.0, 0.05) << "stream ms " << (p1 - p0) << " over wall ms " << wallMs;
}

}  // namespace
}  // namespace sunvale
