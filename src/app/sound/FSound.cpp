// The sound library's C-style entry points, named as the show calls them;
// each forwards to the process-wide SoundSystem.
#include "app/sound/FSound.h"

#include <atomic>

#include "app/sound/SoundSystem.h"

namespace sunvale {

namespace {

std::atomic<int> closeCount{0};

SoundSystem& System() { return SoundSystem::Instance(); }

}  // namespace

signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int /*flags*/)
{
    return System().Init(mixrate, maxsoftwarechannels) ? 1 : 0;
}

void FSOUND_Close()
{
    ++closeCount;
    System().Close();
}

FMUSIC_MODULE* FMUSIC_LoadSongMemory(const void* data, int length)
{
    return System().LoadSong(data, length);
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* mod) { return System().PlaySong(mod) ? 1 : 0; }

signed char FMUSIC_SetMasterVolume(FMUSIC_MODULE* mod, int volume)
{
    return System().SetSongVolume(mod, volume) ? 1 : 0;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* mod) { return System().FreeSong(mod) ? 1 : 0; }

FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* name_or_data, unsigned int mode, int length)
{
    return System().OpenStream(name_or_data, mode, length);
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream)
{
    return System().PlayStream(channel, stream);
}

signed char FSOUND_SetVolume(int channel, int volume)
{
    return System().SetChannelVolume(channel, volume) ? 1 : 0;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM* stream) { return System().StreamMilliseconds(stream); }

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    return System().CloseStream(stream) ? 1 : 0;
}

void FSOUND_SetOutputKind(SoundOutput kind) { System().SetRequestedOutput(kind); }

SoundOutput FSOUND_GetActiveOutput() { return System().ActiveOutput(); }

int FSOUND_GetMixRate() { return System().MixRate(); }

int FSOUND_MixBlock(int16_t* out, int frames) { return System().MixManual(out, frames); }

int FSOUND_GetPlayingCount() { return System().PlayingCount(); }

int64_t FSOUND_Stream_GetPlayedFrames(FSOUND_STREAM* stream)
{
    return System().StreamFrames(stream);
}

bool FSOUND_Stream_IsFinished(FSOUND_STREAM* stream) { return System().StreamFinished(stream); }

bool FMUSIC_IsFinished(FMUSIC_MODULE* mod) { return System().SongFinished(mod); }

int FSOUND_GetCloseCount() { return closeCount.load(); }

}  // namespace sunvale
