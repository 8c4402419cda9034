// The sound library through SDL's PulseAudio driver into a private server's
// null sink, recorded from the sink's monitor: the music heard is the music
// `moxa music` renders, the position follows what the server consumes, a
// close while the music plays leaves no stream behind, and every mixing rate
// keeps its pitch. Without a server the tests are skipped, saying why.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PulseServer.h"
#include "TestAudio.h"
#include "app/sound/FSound.h"
#include "app/sound/MusicPlayer.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "support/ScopedTempDir.h"

namespace sunvale {
namespace {

using namespace testaudio;
using Clock = std::chrono::steady_clock;

const char kMusic[] = "data/music/marmalux.mp3";
constexpr int kSourceRate = 44100;
// Generous limits for things that normally take well under a second; they
// only stop a broken run, they measure nothing.
constexpr auto kPatience = std::chrono::seconds(20);

// Waits until `done()` or kPatience has passed; returns done().
template <typename Done>
bool WaitFor(Done done)
{
    const Clock::time_point deadline = Clock::now() + kPatience;
    while (!done() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

// Noise from a fixed seed, low-passed to about 1 kHz and scaled to a peak
// of 0.6: every stretch of it is unlike every other, played at a wrong rate
// it no longer matches itself, and it is smooth enough that the fraction of
// a sample by which a dropout at the server may shift it changes little.
std::vector<int16_t> Noise(int frames)
{
    std::vector<double> smooth(size_t(frames), 0.0);
    uint32_t state = 12345;
    double first = 0.0, second = 0.0, peak = 0.0;
    for (double& v : smooth) {
        state = state * 1664525u + 1013904223u;
        const double white = double(state >> 8) / double(1u << 23) - 1.0;
        first += 0.15 * (white - first);
        second += 0.15 * (first - second);
        v = second;
        peak = std::max(peak, std::abs(v));
    }
    std::vector<int16_t> pcm;
    for (double v : smooth) {
        const auto sample = int16_t(std::lround(0.6 * v / peak * 32767.0));
        pcm.insert(pcm.end(), {sample, sample});
    }
    return pcm;
}

std::vector<int16_t> LeftChannel(const std::vector<int16_t>& stereo)
{
    std::vector<int16_t> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[i * 2];
    return left;
}

// First sample louder than a tenth of full scale; -1 when none is.
long Onset(const std::vector<int16_t>& mono)
{
    for (size_t i = 0; i < mono.size(); ++i)
        if (std::abs(int(mono[i])) > 3277) return long(i);
    return -1;
}

// The recording without the stretches of digital silence that the sink
// plays when a stream's data comes late (an underrun on a busy machine):
// music has no runs of `minRun` exact zeros, the sink's filler is nothing
// else.
std::vector<int16_t> WithoutDropouts(const std::vector<int16_t>& mono, size_t minRun)
{
    std::vector<int16_t> kept;
    size_t zeros = 0;
    for (size_t i = 0; i <= mono.size(); ++i) {
        if (i < mono.size() && mono[i] == 0) {
            ++zeros;
            continue;
        }
        if (zeros < minRun) kept.insert(kept.end(), zeros, int16_t(0));
        zeros = 0;
        if (i < mono.size()) kept.push_back(mono[i]);
    }
    return kept;
}

// Cross-correlation of `reference` with `recording` piece by piece: each
// 20 ms piece of the reference finds its best normalised correlation within
// 20 ms of where the piece before it matched, starting from `firstLag`.
// Returns the median over the pieces: a dropout at the server that the sink
// did not fill with silence shifts what follows and spoils the piece it
// falls in, but the signal is the same.
double PiecewiseCorrelation(const std::vector<int16_t>& reference,
                            const std::vector<int16_t>& recording, long firstLag, int rate)
{
    const size_t piece = size_t(rate) / 50;
    const long slack = rate / 50;
    std::vector<double> scores;
    long lag = firstLag;
    for (size_t at = 0; at + piece <= reference.size(); at += piece) {
        double pieceEnergy = 0.0;
        for (size_t i = 0; i < piece; ++i)
            pieceEnergy += double(reference[at + i]) * reference[at + i];
        double best = 0.0;
        long bestLag = lag;
        for (long l = std::max(lag - slack, -long(at)); l <= lag + slack; ++l) {
            if (size_t(l + long(at)) + piece > recording.size()) break;
            double dot = 0.0, rec = 0.0;
            for (size_t i = 0; i < piece; ++i) {
                const double r = recording[size_t(l + long(at)) + i];
                dot += reference[at + i] * r;
                rec += r * r;
            }
            const double score =
                rec > 0.0 && pieceEnergy > 0.0 ? dot / std::sqrt(rec * pieceEnergy) : 0.0;
            if (score > best) {
                best = score;
                bestLag = l;
            }
        }
        scores.push_back(best);
        lag = bestLag;
    }
    if (scores.empty()) return 0.0;
    std::nth_element(scores.begin(), scores.begin() + long(scores.size() / 2), scores.end());
    return scores[scores.size() / 2];
}

// 16-bit stereo samples of a WAV written by `moxa music`; empty on error.
std::vector<int16_t> ReadWav(const std::string& path, int* rate)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (bytes.size() < 44) return {};
    auto le32 = [&](size_t at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    *rate = int(le32(24));
    std::vector<int16_t> pcm((bytes.size() - 44) / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(uint16_t(bytes[44 + i * 2] | bytes[45 + i * 2] << 8));
    return pcm;
}

struct Tone {
    double frequency = 0.0;  // Hz
    double peak = 0.0;       // full scale 1.0
};

// A steady tone measured cycle by cycle between rising zero crossings (placed
// between samples by linear interpolation): the median period and the median
// peak. A late block at the server (an underrun under load) spoils a cycle
// or two, not the measurement.
Tone MeasureTone(const std::vector<int16_t>& mono, size_t first, size_t last, int rate)
{
    std::vector<double> periods, peaks;
    double previous = -1.0;
    int peak = 0;
    for (size_t i = first + 1; i < last; ++i) {
        peak = std::max(peak, std::abs(int(mono[i])));
        if (mono[i - 1] < 0 && mono[i] >= 0) {
            const double at = double(i - 1) + double(-mono[i - 1]) / double(mono[i] - mono[i - 1]);
            if (previous >= 0.0) {
                periods.push_back(at - previous);
                peaks.push_back(peak / 32768.0);
            }
            previous = at;
            peak = 0;
        }
    }
    Tone tone;
    if (periods.empty()) return tone;
    auto median = [](std::vector<double>* v) {
        std::nth_element(v->begin(), v->begin() + long(v->size() / 2), v->end());
        return (*v)[v->size() / 2];
    };
    tone.frequency = rate / median(&periods);
    tone.peak = median(&peaks);
    return tone;
}

FSOUND_STREAM* OpenFromMemory(const std::vector<unsigned char>& bytes)
{
    return FSOUND_Stream_OpenFile(reinterpret_cast<const char*>(bytes.data()), 0x802B,
                                  int(bytes.size()));
}

class SoundServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<PulseServer>();
        if (!server->Ready()) GTEST_SKIP() << "no sound server: " << server->Why();
        FSOUND_SetOutputKind(SoundOutput::Auto);
    }
    void TearDown() override
    {
        FSOUND_Close();
        server.reset();
    }

    // The library is playing into the server, not into its silent fallback.
    static void ExpectDevice()
    {
        ASSERT_EQ(FSOUND_GetActiveOutput(), SoundOutput::Auto)
            << "SDL did not open the PulseAudio server";
    }

    // Lines of `pactl list short sink-inputs`: the streams playing now.
    [[nodiscard]] int SinkInputs() const
    {
        bool ok = false;
        const std::string list = server->Pactl("list short sink-inputs", &ok);
        if (!ok) return -1;
        int lines = 0;
        for (char c : list) lines += c == '\n' ? 1 : 0;
        return lines;
    }

    std::unique_ptr<PulseServer> server;
};

// The show's way: an MP3 in an archive, played by the music player through
// SDL. The recording holds the same sound as `moxa music` renders offline.
TEST_F(SoundServerTest, ArchiveMusicReachesTheSinkAsMoxaMusicRendersIt)
{
    constexpr int kRate = 22050;
    const testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::vector<unsigned char> mp3 = EncodeMp3(Noise(kSourceRate * 3 / 2), kSourceRate);
    ASSERT_FALSE(mp3.empty());
    std::string error;
    const std::string archive = dir.File("data.rar");
    ASSERT_TRUE(WriteRarArchive(archive.c_str(), {{kMusic, {mp3.begin(), mp3.end()}, 0}},
                                RarPackOptions{}, &error))
        << error;
    const std::string wav = dir.File("music.wav");
    const std::string render = std::string("'") + SUNVALE_MOXA + "' music '" + archive + "' " +
                               kMusic + " '" + wav + "' --rate " + std::to_string(kRate) +
                               " >/dev/null";
    ASSERT_EQ(std::system(render.c_str()), 0) << render;
    int wavRate = 0;
    const std::vector<int16_t> rendered = LeftChannel(ReadWav(wav, &wavRate));
    ASSERT_EQ(wavRate, kRate);
    ASSERT_FALSE(rendered.empty());

    MonitorRecorder recorder(*server, kRate);
    ASSERT_TRUE(recorder.Ready()) << recorder.Why();
    {
        MusicPlayer player;
        ASSERT_EQ(player.InitSound(kRate, 32), 1);
        ExpectDevice();
        ASSERT_EQ(player.LoadFromArchive(archive.c_str(), kMusic), 1);
        ASSERT_NE(player.stream, nullptr);
        player.Play();
        const float seconds = float(rendered.size()) / kRate;
        ASSERT_TRUE(WaitFor([&] { return player.GetMusicPosition() >= seconds - 0.001f; }))
            << player.GetMusicPosition();
        // What the position counts is on its way; let it drain into the sink.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    recorder.Stop();
    const std::vector<int16_t> heard = WithoutDropouts(LeftChannel(recorder.Samples()), 16);
    const long heardOnset = Onset(heard), renderedOnset = Onset(rendered);
    ASSERT_GE(heardOnset, 0) << "nothing reached the sink";
    ASSERT_GE(renderedOnset, 0);
    const double peak = PiecewiseCorrelation(rendered, heard, heardOnset - renderedOnset, kRate);
    EXPECT_GT(peak, 0.9);
    std::printf("correlation with the offline render: %.4f (%zu frames rendered, %zu heard)\n",
                peak, rendered.size(), heard.size() - size_t(heardOnset));
}

// While the server stops taking samples (its sink suspended), the position
// stands still, however long the wall clock runs; it goes on when the server
// does, and ends on the stream's exact length.
TEST_F(SoundServerTest, PositionAdvancesWithWhatTheServerConsumes)
{
    constexpr int kRate = 44100;
    const std::vector<unsigned char> mp3 =
        EncodeMp3(SineStereo(3 * kSourceRate, kSourceRate, 440.0, 0.5), kSourceRate);
    ASSERT_NE(FSOUND_Init(kRate, 32, FSOUND_INIT_GLOBALFOCUS), 0);
    ExpectDevice();
    FSOUND_STREAM* stream = OpenFromMemory(mp3);
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    ASSERT_TRUE(WaitFor([&] { return FSOUND_Stream_GetTime(stream) >= 300; }));

    bool ok = false;
    server->Pactl(std::string("suspend-sink ") + PulseServer::kSinkName + " 1", &ok);
    ASSERT_TRUE(ok);
    // What the server had taken before it stopped may still be counted in.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int held = FSOUND_Stream_GetTime(stream);
    const Clock::time_point heldAt = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const int stillHeld = FSOUND_Stream_GetTime(stream);
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - heldAt).count();
    EXPECT_EQ(stillHeld, held) << "position ran on " << (stillHeld - held) << " ms over " << wallMs
                               << " ms without the server";
    EXPECT_LT(held, 3000);

    server->Pactl(std::string("suspend-sink ") + PulseServer::kSinkName + " 0", &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(WaitFor([&] { return FSOUND_Stream_GetTime(stream) > stillHeld; }));
    EXPECT_TRUE(WaitFor([&] { return FSOUND_Stream_GetTime(stream) == 3000; }))
        << FSOUND_Stream_GetTime(stream);
    EXPECT_EQ(FSOUND_Stream_GetPlayedFrames(stream), 3 * kRate);
}

// On the device, the position counts what the device has taken, not what
// was mixed for it: for most of a block's time part of the latest block is
// still waiting, and the position is behind the frames mixed before it was
// read (a count of frames mixed never is). It never runs backwards, as each
// new block moves the count of what was mixed.
TEST_F(SoundServerTest, PositionLeavesOutTheBlockStillWaitingAndNeverGoesBack)
{
    constexpr int kRate = 44100;
    const std::vector<unsigned char> mp3 =
        EncodeMp3(SineStereo(3 * kSourceRate, kSourceRate, 440.0, 0.5), kSourceRate);
    ASSERT_NE(FSOUND_Init(kRate, 32, FSOUND_INIT_GLOBALFOCUS), 0);
    ExpectDevice();
    FSOUND_STREAM* stream = OpenFromMemory(mp3);
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    int polls = 0, behind = 0, previous = 0, wentBack = 0;
    while (!FSOUND_Stream_IsFinished(stream) && polls < 1000000) {
        const int64_t mixedBefore = FSOUND_Stream_GetPlayedFrames(stream) * 1000 / kRate;
        const int position = FSOUND_Stream_GetTime(stream);
        const int64_t mixedAfter = FSOUND_Stream_GetPlayedFrames(stream) * 1000 / kRate;
        ASSERT_LE(position, mixedAfter);
        behind += position + 2 <= mixedBefore ? 1 : 0;
        wentBack += position < previous ? 1 : 0;
        previous = position;
        ++polls;
        std::this_thread::sleep_for(std::chrono::microseconds(700));
    }
    EXPECT_EQ(wentBack, 0);
    EXPECT_GT(behind, 0) << "of " << polls << " polls";
    ASSERT_TRUE(WaitFor([&] { return FSOUND_Stream_GetTime(stream) == 3000; }))
        << FSOUND_Stream_GetTime(stream);
}

// The library closed while the music plays, as at Escape or a close
// request: the call returns, and the server is left with no stream.
TEST_F(SoundServerTest, CloseWhileMusicPlaysLeavesNoStreamOnTheServer)
{
    constexpr int kRate = 22050;
    const std::vector<unsigned char> mp3 =
        EncodeMp3(SineStereo(3 * kSourceRate, kSourceRate, 440.0, 0.5), kSourceRate);
    ASSERT_EQ(SinkInputs(), 0);
    const int closes = FSOUND_GetCloseCount();
    {
        MusicPlayer player;
        ASSERT_EQ(player.InitSound(kRate, 32), 1);
        ExpectDevice();
        player.stream = OpenFromMemory(mp3);
        ASSERT_NE(player.stream, nullptr);
        player.Play();
        ASSERT_TRUE(WaitFor([&] { return player.GetMusicPosition() >= 0.5f; }));
        EXPECT_EQ(SinkInputs(), 1) << "the music plays as one stream";
        EXPECT_EQ(FSOUND_GetPlayingCount(), 1);
    }
    EXPECT_EQ(FSOUND_GetCloseCount(), closes + 1);
    EXPECT_EQ(FSOUND_GetActiveOutput(), SoundOutput::Manual) << "library closed";
    EXPECT_TRUE(WaitFor([&] { return SinkInputs() == 0; })) << "the device stream is gone";
}

class MixingRateTest : public SoundServerTest, public ::testing::WithParamInterface<int> {};

// A 1 kHz tone, decoded from a 44.1 kHz MP3 and mixed at the chosen rate,
// is 1 kHz at the sink, which runs at a rate of its own.
TEST_P(MixingRateTest, ToneKeepsItsPitch)
{
    const int rate = GetParam();
    const std::vector<unsigned char> mp3 =
        EncodeMp3(SineStereo(kSourceRate, kSourceRate, 1000.0, 0.5), kSourceRate);
    MonitorRecorder recorder(*server, PulseServer::kSinkRate);
    ASSERT_TRUE(recorder.Ready()) << recorder.Why();
    ASSERT_NE(FSOUND_Init(rate, 32, FSOUND_INIT_GLOBALFOCUS), 0);
    ExpectDevice();
    FSOUND_STREAM* stream = OpenFromMemory(mp3);
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    ASSERT_TRUE(WaitFor([&] { return FSOUND_Stream_GetTime(stream) >= 1000; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    FSOUND_Close();
    recorder.Stop();

    const std::vector<int16_t> heard = LeftChannel(recorder.Samples());
    const long onset = Onset(heard);
    ASSERT_GE(onset, 0) << "nothing reached the sink";
    // The middle half second of the one-second tone.
    const size_t first = size_t(onset) + PulseServer::kSinkRate / 4;
    const size_t last = first + PulseServer::kSinkRate / 2;
    ASSERT_LE(last, heard.size());
    const Tone tone = MeasureTone(heard, first, last, PulseServer::kSinkRate);
    EXPECT_NEAR(tone.peak, 0.5, 0.05) << rate;
    EXPECT_NEAR(tone.frequency, 1000.0, 5.0) << rate;
}

INSTANTIATE_TEST_SUITE_P(AllRates, MixingRateTest, ::testing::Values(16000, 22050, 44100));

}  // namespace
}  // namespace sunvale
