// A tracker module (MOD, S3M, XM, IT) played with libopenmpt.
#pragma once

#include <cstddef>

#include "app/sound/SoundSource.h"

struct openmpt_module;

namespace sunvale {

class TrackerSong final : public SoundSource {
public:
    // Loads a module from memory (libopenmpt copies what it needs). Returns
    // null for anything that is not one of the four tracker formats.
    static TrackerSong* Load(const void* data, size_t size, int mixRate);

    ~TrackerSong() override;
    TrackerSong(const TrackerSong&) = delete;
    TrackerSong& operator=(const TrackerSong&) = delete;

    int Render(float* out, int frames) override;
    void Rewind(int mixRate) override;

    [[nodiscard]] bool Finished() const { return ended; }
    // Length of one pass through the song in seconds.
    [[nodiscard]] double DurationSeconds() const;

private:
    explicit TrackerSong(openmpt_module* module, int mixRate) : module(module), rate(mixRate) {}

    openmpt_module* module;
    int rate;
    bool ended = false;
};

}  // namespace sunvale
