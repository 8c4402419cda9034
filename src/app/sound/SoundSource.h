// Something the mixer can play: a decoded stream or a tracker song.
#pragma once

namespace sunvale {

// Produces interleaved stereo floats at the mixing rate. Render runs on the
// sound library's audio thread, always under the library's lock.
class SoundSource {
public:
    virtual ~SoundSource() = default;

    // Writes up to `frames` stereo frames; returns how many. Fewer than asked
    // means the source has ended.
    virtual int Render(float* out, int frames) = 0;

    // Starts again from the beginning at the given mixing rate (Hz).
    virtual void Rewind(int mixRate) = 0;
};

}  // namespace sunvale
