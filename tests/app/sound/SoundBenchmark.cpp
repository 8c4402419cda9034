// Cost of playing the soundtrack: a 274 s, 44.1 kHz stereo MP3 (the show's
// length) decoded, resampled and mixed to the chosen rate, offline. The
// figure to watch is CPU seconds per second of music.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "TestAudio.h"

namespace {

using namespace sunvale;

constexpr int kSeconds = 274;
constexpr int kRate = 44100;

// A fifth with noise: enough content that the encoder spends real bits.
std::vector<unsigned char> ShowLengthMp3()
{
    std::vector<int16_t> pcm = testaudio::SineStereo(kSeconds * kRate, kRate, 220.0, 0.3);
    const std::vector<int16_t> fifth = testaudio::SineStereo(kSeconds * kRate, kRate, 329.63, 0.3);
    std::minstd_rand noise(1);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(pcm[i] + fifth[i] + int(noise() % 3001) - 1500);
    return testaudio::EncodeMp3(pcm, kRate);
}

void PlayWholeShowOffline(benchmark::State& state)
{
    static const std::vector<unsigned char> mp3 = ShowLengthMp3();
    FSOUND_SetOutputKind(SoundOutput::Manual);
    std::vector<int16_t> block(2048);
    for (auto _ : state) {
        FSOUND_Init(int(state.range(0)), 32, 2);
        FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char*>(mp3.data()),
                                                       0x802B, int(mp3.size()));
        FSOUND_Stream_Play(FSOUND_FREE, stream);
        while (!FSOUND_Stream_IsFinished(stream)) FSOUND_MixBlock(block.data(), 1024);
        FSOUND_Close();
    }
    // Seconds of work per second of music: the share of one core that
    // real-time playback costs.
    state.counters["core_share"] = benchmark::Counter(
        kSeconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(PlayWholeShowOffline)
    ->Arg(44100)
    ->Arg(22050)
    ->Arg(16000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
