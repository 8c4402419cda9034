// The show's soundtrack: loaded from the archive into memory, opened as a
// tracker song or else as an MP3 stream, played once at full volume.
#pragma once

#include "app/sound/FSound.h"

namespace sunvale {

class MusicPlayer {
public:
    MusicPlayer();
    // Frees the song, closes the stream, closes the sound library (always),
    // then releases the file's bytes, in that order.
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Starts the sound library at `rate` Hz with `channels` software channels;
    // 1 on success, else 0.
    int InitSound(int rate, int channels);
    // Extracts `file` from `archive` and opens it, first as a song, then as a
    // stream; 1 when one of them opened, else 0.
    int LoadFromArchive(const char* archive, const char* file);
    // Starts the song or the stream at full volume; nothing when none is held.
    void Play();
    // Stream play position in seconds; 0.0 without a stream.
    [[nodiscard]] float GetMusicPosition() const;

    FMUSIC_MODULE* song;    // non-null when the file opened as a tracker module
    FSOUND_STREAM* stream;  // non-null when it opened as a stream
    unsigned char* bytes;   // the whole file (malloc'ed), kept while the stream reads it

private:
    void Release();
};

// The process-wide player; defined with the other globals of the show.
extern MusicPlayer g_musicPlayer;

}  // namespace sunvale
