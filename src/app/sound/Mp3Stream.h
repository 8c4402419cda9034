// An MP3 stream decoded with libmpg123 straight from the caller's memory.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/sound/Resampler.h"
#include "app/sound/SoundSource.h"

struct mpg123_handle_struct;

namespace sunvale {

class Mp3Stream final : public SoundSource {
public:
    // Opens `size` bytes at `data`; the bytes are read in place and must stay
    // valid while the stream exists. Returns null when they are not MPEG audio.
    static Mp3Stream* Open(const unsigned char* data, size_t size, int mixRate);
    // Same, keeping its own copy of the bytes (streams opened by file name).
    static Mp3Stream* OpenOwned(std::vector<unsigned char> bytes, int mixRate);

    ~Mp3Stream() override;
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;

    int Render(float* out, int frames) override;
    void Rewind(int mixRate) override;

    // Frames handed to the output since playback started, at the mixing rate.
    [[nodiscard]] int64_t PlayedFrames() const { return played.load(); }
    // True once the last decoded frame has been rendered.
    [[nodiscard]] bool Finished() const { return ended.load(); }
    // Rate of the MP3 itself in Hz.
    [[nodiscard]] long SourceRate() const { return sourceRate; }

    // Memory reader callbacks for libmpg123 (public for the C callbacks only).
    long ReadBytes(void* buffer, size_t count);
    long Seek(long offset, int whence);

private:
    Mp3Stream() = default;
    bool Start(int mixRate);
    bool DecodeMore();

    mpg123_handle_struct* handle = nullptr;
    std::vector<unsigned char> owned;
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t cursor = 0;

    long sourceRate = 0;
    bool decoderDone = false;
    Resampler resampler;
    std::vector<float> decoded;  // one chunk of decoder output
    std::atomic<int64_t> played{0};
    std::atomic<bool> ended{false};
};

}  // namespace sunvale
