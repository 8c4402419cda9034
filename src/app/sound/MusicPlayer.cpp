// Music player: the glue between the archive and the sound library. The
// stream decodes straight from the extracted bytes, so they live as long as
// the player does.
#include "app/sound/MusicPlayer.h"

#include <cstdint>
#include <cstdlib>

#include "app/LoadProfile.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace sunvale {

namespace {

constexpr unsigned int kStreamMode = 0x802B;  // load from memory, plus loop/format bits
constexpr int kFullVolume = 255;
const char kPassword[] = "";

}  // namespace

MusicPlayer::MusicPlayer() : song(nullptr), stream(nullptr), bytes(nullptr) {}

MusicPlayer::~MusicPlayer()
{
    if (song != nullptr) FMUSIC_FreeSong(song);
    if (stream != nullptr) FSOUND_Stream_Close(stream);
    FSOUND_Close();
    if (bytes != nullptr) std::free(bytes);
}

int MusicPlayer::InitSound(int rate, int channels)
{
    return FSOUND_Init(rate, channels, FSOUND_INIT_GLOBALFOCUS) != 0 ? 1 : 0;
}

void MusicPlayer::Release()
{
    if (song != nullptr) FMUSIC_FreeSong(song);
    if (stream != nullptr) FSOUND_Stream_Close(stream);
    std::free(bytes);
    song = nullptr;
    stream = nullptr;
    bytes = nullptr;
}

int MusicPlayer::LoadFromArchive(const char* archive, const char* file)
{
    // A second load replaces the first instead of leaking it.
    Release();
    unsigned char* data = nullptr;
    uint32_t size = 0;
    int extracted = 0;
    {
        LoadTimer timer(LoadStage::Archive);
        extracted = RarExtract(&data, &size, file, archive, kPassword);
    }
    if (!extracted) return 0;
    bytes = data;
    // Lengths past the library's int range cannot be opened.
    if (size > uint32_t(INT32_MAX)) return 0;
    const int length = int(size);

    LoadTimer timer(LoadStage::Music);
    song = FMUSIC_LoadSongMemory(bytes, length);
    if (song != nullptr) return 1;
    stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char*>(bytes), kStreamMode, length);
    return stream != nullptr ? 1 : 0;
}

void MusicPlayer::Play()
{
    if (song != nullptr) {
        FMUSIC_PlaySong(song);
        FMUSIC_SetMasterVolume(song, kFullVolume);
    } else if (stream != nullptr) {
        const int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
        FSOUND_SetVolume(channel, kFullVolume);
    }
}

float MusicPlayer::GetMusicPosition() const
{
    if (stream == nullptr) return 0.0f;
    return float(FSOUND_Stream_GetTime(stream)) * 0.001f;
}

}  // namespace sunvale
