// The music player over a real archive made by our packer: an MP3 entry plays
// as a stream with a position in seconds, a module entry as a song without
// one, missing or unplayable music leaves the show silent, and the library is
// closed once by the destructor whatever was loaded.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestAudio.h"
#include "app/sound/MusicPlayer.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "support/ScopedTempDir.h"

namespace sunvale {
namespace {

using namespace testaudio;

const char kMusic[] = "data/music/marmalux.mp3";
const char kModule[] = "data/music/tiny.mod";

class MusicPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::vector<unsigned char> mp3 =
            EncodeMp3(SineStereo(2 * 44100, 44100, 440.0, 0.5), 44100);
        const std::vector<unsigned char> mod = MakeTinyMod();
        const std::vector<RarPackEntry> entries = {
            {kMusic, {mp3.begin(), mp3.end()}, 0},
            {kModule, {mod.begin(), mod.end()}, 0},
            {"data/music/readme.txt", std::vector<uint8_t>(300, 'x'), 0}};
        std::string error;
        archiveReady =
            !mp3.empty() && WriteRarArchive(Archive().c_str(), entries, RarPackOptions{}, &error);
        if (!archiveReady)
            std::fprintf(stderr, "cannot build the test archive: %s\n", error.c_str());
    }
    // The archive lives in this process's own directory, removed at exit.
    static std::string Archive() { return testsupport::ProcessTempDir().File("sound-data.rar"); }

    void SetUp() override
    {
        ASSERT_TRUE(archiveReady);
        FSOUND_SetOutputKind(SoundOutput::Manual);
    }
    void TearDown() override { FSOUND_SetOutputKind(SoundOutput::Auto); }

    static void Mix(int frames)
    {
        std::vector<int16_t> block(size_t(frames) * 2);
        ASSERT_EQ(FSOUND_MixBlock(block.data(), frames), frames);
    }

    static bool archiveReady;
};

bool MusicPlayerTest::archiveReady = false;

TEST_F(MusicPlayerTest, EmptyPlayerPlaysNothingAndItsDestructorClosesTheLibraryOnce)
{
    const int before = FSOUND_GetCloseCount();
    {
        MusicPlayer player;
        ASSERT_EQ(player.InitSound(44100, 32), 1);
        player.Play();
        EXPECT_EQ(FSOUND_GetPlayingCount(), 0);
        Mix(4410);
        EXPECT_EQ(player.GetMusicPosition(), 0.0f);
    }
    EXPECT_EQ(FSOUND_GetCloseCount(), before + 1);
}

TEST_F(MusicPlayerTest, Mp3PlaysAsStreamThenASecondLoadReplacesItWithASong)
{
    MusicPlayer player;
    ASSERT_EQ(player.InitSound(22050, 32), 1);
    ASSERT_EQ(player.LoadFromArchive(Archive().c_str(), kMusic), 1);
    EXPECT_EQ(player.song, nullptr) << "an MP3 is not a tracker module";
    ASSERT_NE(player.stream, nullptr);
    player.Play();
    Mix(22050);
    EXPECT_EQ(player.GetMusicPosition(), 1.0f);
    Mix(5513);  // 250.0 ms and a bit: whole milliseconds only
    EXPECT_EQ(player.GetMusicPosition(), 1250.0f * 0.001f);

    // The second load frees the stream: its handle is no longer known.
    FSOUND_STREAM* first = player.stream;
    ASSERT_EQ(player.LoadFromArchive(Archive().c_str(), kModule), 1);
    EXPECT_EQ(FSOUND_Stream_Close(first), 0);
    ASSERT_NE(player.song, nullptr);
    EXPECT_EQ(FSOUND_GetPlayingCount(), 0);
    player.Play();
    EXPECT_EQ(FSOUND_GetPlayingCount(), 1);
    std::vector<int16_t> pcm;
    MixUntil([] { return false; }, 8192, &pcm);
    EXPECT_GT(LeftRms(pcm, 0, 8192), 0.01) << "the square wave is heard";
    EXPECT_EQ(player.GetMusicPosition(), 0.0f) << "a song has no position";
}

TEST_F(MusicPlayerTest, MissingOrUnplayableMusicLeavesTheShowSilent)
{
    MusicPlayer player;
    ASSERT_EQ(player.InitSound(16000, 32), 1);
    EXPECT_EQ(player.LoadFromArchive(Archive().c_str(), "data/music/missing.mp3"), 0);
    EXPECT_EQ(player.LoadFromArchive(Archive().c_str(), "data/music/readme.txt"), 0);
    EXPECT_EQ(player.song, nullptr);
    EXPECT_EQ(player.stream, nullptr);
    player.Play();
    EXPECT_EQ(FSOUND_GetPlayingCount(), 0);
    Mix(1600);
    EXPECT_EQ(player.GetMusicPosition(), 0.0f);
}

}  // namespace
}  // namespace sunvale
