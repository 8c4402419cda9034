// moxa music: renders one archive entry through the show's sound library,
// opened the way the music player opens it (tracker song first, then MP3
// stream), into a 16-bit stereo WAV file, as fast as the decoder runs.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "CommandRegistry.h"
#include "InterruptCleanup.h"
#include "app/sound/FSound.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace {

const char kUsage[] = "music ARCHIVE ENTRY OUT.wav [--rate HZ]";
constexpr unsigned int kStreamMode = 0x802B;  // as the player opens the music
constexpr int64_t kMaxSeconds = 2 * 60 * 60;  // a song that never ends is cut here
constexpr int kBlockFrames = 256;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void PutLe(std::vector<unsigned char>* out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out->push_back(uint8_t(value >> (8 * i)));
}

// 44-byte RIFF/WAVE header for 16-bit stereo PCM.
std::vector<unsigned char> WavHeader(int rate, uint32_t frames)
{
    const uint32_t dataBytes = frames * 4;
    std::vector<unsigned char> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    PutLe(&h, 36 + dataBytes, 4);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(&h, 16, 4);
    PutLe(&h, 1, 2);  // PCM
    PutLe(&h, 2, 2);  // channels
    PutLe(&h, uint32_t(rate), 4);
    PutLe(&h, uint32_t(rate) * 4, 4);  // bytes per second
    PutLe(&h, 4, 2);                   // bytes per frame
    PutLe(&h, 16, 2);                  // bits per sample
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    PutLe(&h, dataBytes, 4);
    return h;
}

bool WriteSamples(std::FILE* f, const int16_t* samples, size_t count)
{
    std::vector<unsigned char> bytes(count * 2);
    for (size_t i = 0; i < count; ++i) {
        bytes[i * 2] = uint8_t(uint16_t(samples[i]));
        bytes[i * 2 + 1] = uint8_t(uint16_t(samples[i]) >> 8);
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

bool ParseRate(const char* text, int* rate)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 8000 || value > 192000) return false;
    *rate = int(value);
    return true;
}

int Fail(const char* message, const char* detail)
{
    std::fprintf(stderr, "moxa music: %s%s\n", message, detail);
    sunvale::FSOUND_Close();
    return 1;
}

int RunMusic(int argc, char** argv)
{
    using namespace sunvale;
    int rate = 44100;
    if (argc == 6 && std::strcmp(argv[4], "--rate") == 0) {
        if (!ParseRate(argv[5], &rate)) {
            std::fprintf(
                stderr,
                "moxa music: --rate wants a whole number of Hz from 8000 to 192000, not '%s'\n",
                argv[5]);
            return 2;
        }
    } else if (argc != 4) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    const char* archive = argv[1];
    const char* entry = argv[2];
    const char* outPath = argv[3];

    unsigned char* raw = nullptr;
    uint32_t size = 0;
    if (!RarExtract(&raw, &size, entry, archive, "")) {
        std::fprintf(stderr, "moxa music: cannot extract %s from %s\n", entry, archive);
        return 1;
    }
    std::unique_ptr<unsigned char, decltype(&std::free)> bytes(raw, &std::free);
    if (size > uint32_t(INT32_MAX)) {
        std::fprintf(stderr, "moxa music: %s is too large (%u bytes)\n", entry, size);
        return 1;
    }

    FSOUND_SetOutputKind(SoundOutput::Manual);
    if (!FSOUND_Init(rate, 32, FSOUND_INIT_GLOBALFOCUS))
        return Fail("cannot start the sound library", "");
    FMUSIC_MODULE* song = FMUSIC_LoadSongMemory(bytes.get(), int(size));
    FSOUND_STREAM* stream = nullptr;
    if (song == nullptr) {
        stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char*>(bytes.get()), kStreamMode,
                                        int(size));
        if (stream == nullptr) return Fail("neither a tracker module nor an MP3 stream: ", entry);
        FSOUND_SetVolume(FSOUND_Stream_Play(FSOUND_FREE, stream), 255);
    } else {
        FMUSIC_PlaySong(song);
        FMUSIC_SetMasterVolume(song, 255);
    }

    // An interrupt removes the file until its header is final.
    sunvale::PartialFile partial;
    File out(nullptr);
    {
        const sunvale::InterruptsHeld held;
        out.reset(std::fopen(outPath, "wb"));
        if (out) partial.Track(outPath);
    }
    if (!out) return Fail("cannot create ", outPath);
    const std::vector<unsigned char> placeholder = WavHeader(rate, 0);
    if (std::fwrite(placeholder.data(), 1, placeholder.size(), out.get()) != placeholder.size())
        return Fail("cannot write ", outPath);

    const auto started = std::chrono::steady_clock::now();
    std::vector<int16_t> block(size_t(kBlockFrames) * 2);
    int64_t written = 0;
    const int64_t limit = kMaxSeconds * rate;
    auto finished = [&] {
        return song != nullptr ? FMUSIC_IsFinished(song) : FSOUND_Stream_IsFinished(stream);
    };
    while (!finished() && written < limit) {
        FSOUND_MixBlock(block.data(), kBlockFrames);
        // A stream knows exactly where it ended; keep no silence after it.
        int64_t frames = kBlockFrames;
        if (stream != nullptr)
            frames = std::min<int64_t>(frames, FSOUND_Stream_GetPlayedFrames(stream) - written);
        if (frames > 0 && !WriteSamples(out.get(), block.data(), size_t(frames) * 2))
            return Fail("cannot write ", outPath);
        written += frames > 0 ? frames : 0;
    }
    const double cpuSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (written >= limit)
        std::fprintf(stderr, "moxa music: cut after %lld s\n", static_cast<long long>(kMaxSeconds));

    const std::vector<unsigned char> header = WavHeader(rate, uint32_t(written));
    if (std::fseek(out.get(), 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), out.get()) != header.size() ||
        std::fflush(out.get()) != 0)
        return Fail("cannot write ", outPath);
    partial.Release();
    const bool isSong = song != nullptr;
    if (song != nullptr) FMUSIC_FreeSong(song);
    if (stream != nullptr) FSOUND_Stream_Close(stream);
    FSOUND_Close();

    const double seconds = double(written) / rate;
    std::printf(
        "%s: %s, %lld frames at %d Hz, duration %.3f s (rendered in %.3f s, %.1fx real time)\n",
        entry, isSong ? "tracker song" : "MP3 stream", static_cast<long long>(written), rate,
        seconds, cpuSeconds, cpuSeconds > 0 ? seconds / cpuSeconds : 0.0);
    return 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(kMusicCommand, "music", kUsage,
                      "render a music entry through the show's sound library into a WAV file",
                      RunMusic);
