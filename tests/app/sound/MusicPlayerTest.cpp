#include "app/sound/MusicPlayer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestAudio.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace sunvale {
namespace {

using namespace testaudio;

const char kMusic[] = "data/music/marmalux.mp3";
const char kModule[] = "data/music/tiny.mod";
const char kText[] = "data/music/readme.txt";
constexpr int kToneFrames = 2 * 44100;

std::string TempPath(const char* name) { return ::testing::TempDir() + "sunvale-sound-" + name; }

class MusicPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetRarDebugLogPath(TempPath("rar-log.txt").c_str());
        std::vector<RarPackEntry> entries(3);
        const std::vector<unsigned char> mp3 = EncodeMp3(SineStereo(kToneFrames, 44100, 440.0, 0.5), 44100);
        const std::vector<unsigned char> mod = MakeTinyMod();
        const std::string text = "not music at all\n";
        entries[0].name = kMusic;
        entries[0].data.assign(mp3.begin(), mp3.end());
        entries[1].name = kModule;
        entries[1].data.assign(mod.begin(), mod.end());
        entries[2].name = kText;
        entries[2].data.assign(text.begin(), text.end());
        std::string error;
        archiveReady = !mp3.empty() && WriteRarArchive(Archive().c_str(), entries, RarPackOptions{}, &error);
        if (!archiveReady) std::fprintf(stderr, "cannot build the test archive: %s\n", error.c_str());
    }
    static void TearDownTestSuite() {
        std::remove(Archive().c_str());
        SetRarDebugLogPath(nullptr);
    }
    static std::string Archive() { return TempPath("data.rar"); }

    void SetUp() override {
        ASSERT_TRUE(archiveReady);
        FSOUND_SetOutputKind(SoundOutput::Manual);
    }
    void TearDown() override { FSOUND_SetOutputKind(SoundOutput::Auto); }

    static void Mix(int frames) {
        std::vector<int16_t> block(size_t(frames) * 2);
        ASSERT_EQ(FSOUND_MixBlock(block.data(), frames), frames);
    }

    static bool archiveReady;
};

bool MusicPlayerTest::archiveReady = false;

TEST_F(MusicPlayerTest, EmptyPlayerHoldsNothingAndPlayDoesNothing) {
    MusicPlayer player;
    EXPECT_EQ(player.song, nullptr);
    EXPECT_EQ(player.stream, nullptr);
    EXPECT_EQ(player.bytes, nullptr);
    ASSERT_EQ(player.InitSound(44100, 32), 1);
    player.Play();
    EXPECT_EQ(FSOUND_GetPlayingCount(), 0);
    Mix(4410);
    EXPECT_EQ(player.GetMusicPosition(), 0.0f);
}

TEST_F(MusicPlayerTest, DestructorClosesTheLibraryOnceWhateverWasLoaded) {
    int before = FSOUND_GetCloseCount();
    { MusicPlayer neverInitialised; }
    EXPECT_EQ(FSOUND_GetCloseCount(), before + 1);

    before = FSOUND_GetCloseCount();
    {
        MusicPlayer player;
        ASSERT_EQ(player.InitSound(22050, 32), 1);
        ASSERT_EQ(player.LoadFromArchive(Archive().c_str(), kMusic), 1);
        player.Play();
        Mix(2205);
    }
    EXPECT_EQ(FSOUND_GetCloseCount(), before + 1);
    EXPECT_EQ(FSOUND_GetMixRate(), 0) << "the library is closed";
}

TEST_F(MusicPlayerTest, Mp3EntryPlaysAsStreamAndReportsSeconds) {
    MusicPlayer player;
    ASSERT_EQ(player.InitSound(22050, 32), 1);
    ASSERT_EQ(player.LoadFromArchive(Archive().c_str(), kMusic), 1);
    EXPECT_EQ(player.song, nullptr) << "an MP3 is not a tracker module";
    ASSERT_NE(player.stream, nullptr);
    EXPECT_NE(player.bytes, nullptr);
    Mix(2205);
    EXPECT_EQ(player.GetMusicPosition(), 0.0f) << "not started yet";
    player.Play();
    EXPECT_EQ(FSOUND_GetPlayingCount(), 1);
    Mix(22050);
    EXPECT_EQ(player.GetMusicPosition(), 1.0f);
    Mix(5513);  // 250.0 ms and a bit: whole milliseconds only
    EXPECT_EQ(player.GetMusicPosition(), 1250.0f * 0.001f);
}

TEST_F(MusicPlayerTest, ModuleEntryPlaysAsSongWithoutPosition) {
    MusicPlayer player;
    ASSERT_EQ(player.InitSound(44100, 32), 1);
    ASSERT_EQ(player.LoadFromArchive(Archive().c_str(), kModule), 1);
    ASSERT_NE(player.song, nullptr);
    EXPECT_EQ(player.stream, nullptr);
    player.Play();
    EXPECT_EQ(FSOUND_GetPlayingCount(), 1);
    std::vector<int16_t> pcm;
    MixUntil([] { return false; }, 8192, &pcm);
    EXPECT_GT(LeftRms(pcm, 0, 8192), 0.01);
    EXPECT_EQ(player.GetMusicPosition(), 0.0f);
}

TEST_F(MusicPlayerTest, MissingMusicLeavesTheShowSilent) {
    MusicPlayer player;
    ASSERT_EQ(player.InitSound(16000, 32), 1);
    EXPECT_EQ(player.LoadFromArchive(Archive().c_str(), "data/music/missing.mp3"), 0);
    EXPECT_EQ(player.LoadFromArchive(TempPath("no-such.rar").c_str(), kMusic), 0);
    EXPECT_EQ(player.song, nullptr);
    EXPECT_EQ(player.stream, nullptr);
    EXPECT_EQ(player.bytes, nullptr);
    player.Play();
    EXPECT_EQ(FSOUND_GetPlayingCount(), 0);
    Mix(1600);
    EXPECT_EQ(player.GetMusicPosition(), 0.0f);
}

TEST_F(MusicPlayerTest, UnplayableEntryOpensNothing) {
    MusicPlayer player;
    ASSERT_EQ(player.InitSound(44100, 32), 1);
    EXPECT_EQ(player.LoadFromArchive(Archive().c_str(), kText), 0);
    EXPECT_EQ(player.song, nullptr);
    EXPECT_EQ(player.stream, nullptr);
    player.Play();
    EXPECT_EQ(FSOUND_GetPlayingCount(), 0);
    EXPECT_EQ(player.GetMusicPosition(), 0.0f);
}

TEST_F(MusicPlayerTest, WithoutTheLibraryNothingOpens) {
    MusicPlayer player;
    EXPECT_EQ(player.InitSound(0, 32), 0) << "a failed start is reported";
    EXPECT_EQ(player.LoadFromArchive(Archive().c_str(), kMusic), 0);
    EXPECT_EQ(player.stream, nullptr);
    player.Play();
    EXPECT_EQ(player.GetMusicPosition(), 0.0f);
}

TEST_F(MusicPlayerTest, SecondLoadReplacesTheFirst) {
    MusicPlayer player;
    ASSERT_EQ(player.InitSound(22050, 32), 1);
    ASSERT_EQ(player.LoadFromArchive(Archive().c_str(), kMusic), 1);
    ASSERT_EQ(player.LoadFromArchive(Archive().c_str(), kModule), 1);
    EXPECT_NE(player.song, nullptr);
    EXPECT_EQ(player.stream, nullptr);
    player.Play();
    EXPECT_EQ(FSOUND_GetPlayingCount(), 1) << "only the song plays";
}

}  // namespace
}  // namespace sunvale
