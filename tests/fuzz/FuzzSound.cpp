// Fuzz entry point for the sound library's loaders: the bytes are opened as
// an MP3 stream from memory and as a tracker module, and a bounded amount of
// each is mixed on the manual output (no audio device, no thread).
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "app/sound/FSound.h"

namespace {

constexpr int kBlockFrames = 1024;
constexpr int kMaxBlocks = 64;  // about 1.5 s at 44100 Hz

void MixSome()
{
    std::vector<int16_t> block(static_cast<size_t>(kBlockFrames) * 2);
    for (int i = 0; i < kMaxBlocks; ++i)
        if (sunvale::FSOUND_MixBlock(block.data(), kBlockFrames) <= 0) break;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace sunvale;
    if (size > 1 << 20) return 0;
    static bool started = [] {
        FSOUND_SetOutputKind(SoundOutput::Manual);
        return FSOUND_Init(44100, 32, 0) != 0;
    }();
    if (!started) return 0;
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);

    if (FSOUND_STREAM* stream =
            FSOUND_Stream_OpenFile(copy.get(), FSOUND_LOADMEMORY, static_cast<int>(size))) {
        if (FSOUND_Stream_Play(FSOUND_FREE, stream) >= 0) MixSome();
        FSOUND_Stream_GetTime(stream);
        FSOUND_Stream_Close(stream);
    }
    if (FMUSIC_MODULE* song = FMUSIC_LoadSongMemory(copy.get(), static_cast<int>(size))) {
        if (FMUSIC_PlaySong(song)) MixSome();
        FMUSIC_FreeSong(song);
    }
    return 0;
}
