// The show's sound library: tracker songs and MP3 streams played from
// memory, mixed on the library's own audio thread and sent to the audio
// device (or to a silent null output that keeps time when there is none).
#pragma once

#include <cstdint>

#include "app/sound/SoundOutput.h"

namespace sunvale {

class TrackerSong;
class Mp3Stream;
using FMUSIC_MODULE = TrackerSong;  // opaque song handle
using FSOUND_STREAM = Mp3Stream;    // opaque stream handle

constexpr unsigned int FSOUND_LOADMEMORY =
    0x8000;                      // Stream_OpenFile: name is a pointer to the bytes
constexpr int FSOUND_FREE = -1;  // Stream_Play: any free channel
constexpr unsigned int FSOUND_INIT_GLOBALFOCUS = 0x2;

// Starts the library: mixing rate in Hz (8000 to 192000), number of software
// channels (1 to 1024), flags (accepted, no effect on playback). Nonzero on
// success. A second call restarts the library, freeing what was open.
signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
// Stops output and frees every song and stream still open. Safe to call
// when the library was never started.
void FSOUND_Close();

// Song from a whole MOD, S3M, XM or IT file in memory (copied); null when the
// bytes are not such a module or the library is not started.
FMUSIC_MODULE* FMUSIC_LoadSongMemory(const void* data, int length);
// Plays the song once from its start. Nonzero on success.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* mod);
// Song volume 0 to 255 (255 = full, larger values clamp). Nonzero on success.
signed char FMUSIC_SetMasterVolume(FMUSIC_MODULE* mod, int volume);
signed char FMUSIC_FreeSong(FMUSIC_MODULE* mod);

// MP3 stream. With FSOUND_LOADMEMORY in mode, `name_or_data` points to
// `length` bytes that are decoded in place and must outlive the stream;
// otherwise it is a file name and length is ignored. Other mode bits are
// accepted and do not change playback. Null on failure.
FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* name_or_data, unsigned int mode, int length);
// Starts the stream from its beginning on `channel` (FSOUND_FREE: any free
// one). Returns the channel, or -1. A stream already playing keeps its channel.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Channel volume 0 to 255 (255 = full). Nonzero on success.
signed char FSOUND_SetVolume(int channel, int volume);
// Milliseconds of the stream the output has played since it started playing,
// rounded down; 0 before it plays. Stops advancing at the stream's end. On
// the audio device, the part of the latest mixed block that the device has
// not yet taken is not counted; the null output and manual mixing count every
// frame mixed.
int FSOUND_Stream_GetTime(FSOUND_STREAM* stream);
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream);

// ---- Extras for tools and tests ----

// Output the next FSOUND_Init uses (default Auto). Manual: no audio thread;
// mixed sound is pulled with FSOUND_MixBlock (offline rendering, tests).
void FSOUND_SetOutputKind(SoundOutput kind);
// Output in use since FSOUND_Init (Auto = the audio device); Manual when not started.
SoundOutput FSOUND_GetActiveOutput();
// Mixing rate in Hz, 0 when not started.
int FSOUND_GetMixRate();
// Mixes `frames` 16-bit stereo frames into `out` (Manual output only);
// returns the frames written, 0 when the library is not in Manual output.
int FSOUND_MixBlock(int16_t* out, int frames);
// Number of streams and songs currently playing.
int FSOUND_GetPlayingCount();
// Stream frames handed to the output since play, at the mixing rate.
int64_t FSOUND_Stream_GetPlayedFrames(FSOUND_STREAM* stream);
// True once the stream or song has played to its end.
bool FSOUND_Stream_IsFinished(FSOUND_STREAM* stream);
bool FMUSIC_IsFinished(FMUSIC_MODULE* mod);
// How many times FSOUND_Close has been called in this process.
int FSOUND_GetCloseCount();

}  // namespace sunvale
