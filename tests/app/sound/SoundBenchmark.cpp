// Cost of playing the soundtrack: a 274 s, 44.1 kHz stereo MP3 (the show's
// length) decoded, resampled and mixed to the chosen rate, offline. The
// figure to watch is CPU seconds per second of music.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "TestAudio.h"
#include "app/sound/FSound.h"

namespace {

using namespace sunvale;

constexpr int kSeconds = 274;
constexpr int kRate = 44100;

// Chords with noise: enough content that the encoder spends real bits.
const std::vector<unsigned char>& ShowLengthMp3() {
    static const std::vector<unsigned char> mp3 = [] {
        std::vector<int16_t> pcm(size_t(kSeconds) * kRate * 2);
        std::minstd_rand noise(1);
        const double notes[] = {220.0, 277.18, 329.63, 440.0, 554.37};
        for (size_t i = 0; i < pcm.size() / 2; ++i) {
            const double t = double(i) / kRate;
            double v = 0.0;
            for (double f : notes) v += 0.08 * std::sin(2 * 3.14159265358979 * f * t * (1.0 + 0.01 * std::sin(t)));
            const double n = (double(noise() % 2001) - 1000.0) / 1000.0 * 0.05;
            pcm[i * 2] = int16_t(std::lround((v + n) * 32767.0));
            pcm[i * 2 + 1] = int16_t(std::lround((v - n) * 32767.0));
        }
        return testaudio::EncodeMp3(pcm, kRate);
    }();
    return mp3;
}

void PlayWholeShowOffline(benchmark::State& state) {
    const int rate = int(state.range(0));
    const std::vector<unsigned char>& mp3 = ShowLengthMp3();
    FSOUND_SetOutputKind(SoundOutput::Manual);
    std::vector<int16_t> block(2048);
    for (auto _ : state) {
        FSOUND_Init(rate, 32, 2);
        FSOUND_STREAM* stream =
            FSOUND_Stream_OpenFile(reinterpret_cast<const char*>(mp3.data()), 0x802B, int(mp3.size()));
        FSOUND_Stream_Play(FSOUND_FREE, stream);
        while (!FSOUND_Stream_IsFinished(stream)) FSOUND_MixBlock(block.data(), 1024);
        benchmark::DoNotOptimize(FSOUND_Stream_GetTime(stream));
        FSOUND_Close();
    }
    // Seconds of work per second of music: the share of one core that real-time
    // playback costs.
    state.counters["core_share"] =
        benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(PlayWholeShowOffline)->Arg(44100)->Arg(22050)->Arg(16000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
