// The show's music as a sample stream for offline capture: the archive entry
// opened the way the show opens it (tracker song first, then MP3 stream),
// played from its start, and mixed by the sound library without a device.
// Sample k of the stream belongs to show time k / rate seconds, the clock
// the frames use, so pictures and sound meet without any real-time clock.
#pragma once

#include <cstdint>
#include <string>

#include "app/sound/MusicPlayer.h"

namespace sunvale {
namespace capture {

class MusicTrack {
public:
    MusicTrack() = default;
    MusicTrack(const MusicTrack&) = delete;
    MusicTrack& operator=(const MusicTrack&) = delete;

    // Starts the sound library at rate Hz (Manual output) and opens entry of
    // archive. false with a reason when there is no music; the track then
    // gives silence, as the show plays on without its music.
    bool Open(const char* archive, const char* entry, int rate, std::string* error);

    // Next `frames` 16-bit stereo frames (interleaved); silence after the
    // music's end or without music.
    void Mix(int16_t* out, int frames);

    // Mixes and drops `frames` frames (the music before a capture's start).
    void Skip(int64_t frames);

private:
    MusicPlayer player_;  // closes the sound library when destroyed
    bool playing_ = false;
};

}  // namespace capture
}  // namespace sunvale
