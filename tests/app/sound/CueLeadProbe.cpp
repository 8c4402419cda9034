// Not a test: measures how far the stream position runs ahead of the sound
// that reaches the sink, at each of the show's mixing rates. A private
// PulseAudio server's null sink is recorded from its monitor while an MP3 of
// short tone bursts, one every 250 ms, plays through SDL; the position is
// read every half millisecond. For each burst, the lead is the time its
// onset reached the sink minus the time the position first reached it.
//
// Usage: sound_cue_lead [RATE...]   (default 44100 22050 16000)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "PulseServer.h"
#include "TestAudio.h"
#include "app/sound/FSound.h"

namespace {

using namespace sunvale;
using namespace sunvale::testaudio;
using Clock = std::chrono::steady_clock;

constexpr int kSourceRate = 44100;
constexpr int kFirstCueMs = 500;
constexpr int kCueEveryMs = 250;
constexpr int kCues = 14;
constexpr int kBurstMs = 10;
constexpr int kLengthMs = kFirstCueMs + kCues * kCueEveryMs + 250;
constexpr int kLoud = 3277;  // a tenth of full scale

std::vector<int16_t> Bursts()
{
    std::vector<int16_t> pcm(size_t(kLengthMs) * kSourceRate / 1000 * 2, 0);
    for (int cue = 0; cue < kCues; ++cue) {
        const int first = (kFirstCueMs + cue * kCueEveryMs) * kSourceRate / 1000;
        for (int i = 0; i < kBurstMs * kSourceRate / 1000; ++i) {
            const auto v = int16_t(
                std::lround(0.5 * std::sin(2.0 * M_PI * 1000.0 * i / kSourceRate) * 32767.0));
            pcm[size_t(first + i) * 2] = pcm[size_t(first + i) * 2 + 1] = v;
        }
    }
    return pcm;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

bool Measure(int rate, const std::vector<unsigned char>& mp3)
{
    PulseServer server;
    if (!server.Ready()) {
        std::fprintf(stderr, "no sound server: %s\n", server.Why().c_str());
        return false;
    }
    MonitorRecorder recorder(server, PulseServer::kSinkRate);
    if (!recorder.Ready()) {
        std::fprintf(stderr, "cannot record the sink: %s\n", recorder.Why().c_str());
        return false;
    }
    FSOUND_SetOutputKind(SoundOutput::Auto);
    if (FSOUND_Init(rate, 32, FSOUND_INIT_GLOBALFOCUS) == 0 ||
        FSOUND_GetActiveOutput() != SoundOutput::Auto) {
        std::fprintf(stderr, "%d Hz: SDL did not open the server\n", rate);
        FSOUND_Close();
        return false;
    }
    FSOUND_STREAM* stream =
        FSOUND_Stream_OpenFile(reinterpret_cast<const char*>(mp3.data()), 0x802B, int(mp3.size()));
    if (stream == nullptr) {
        FSOUND_Close();
        return false;
    }
    // Settle the device before the music starts, as the show's load step does.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    FSOUND_Stream_Play(FSOUND_FREE, stream);
    std::vector<int64_t> reachedAt(kCues, -1);  // position first at the cue
    const int64_t limit = NowNs() + int64_t(kLengthMs + 3000) * 1000000;
    for (int next = 0; next < kCues && NowNs() < limit;) {
        const int position = FSOUND_Stream_GetTime(stream);
        const int64_t now = NowNs();
        while (next < kCues && position >= kFirstCueMs + next * kCueEveryMs)
            reachedAt[size_t(next++)] = now;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // The server's own view of what waits in our stream's buffer there.
    const std::string inputs = server.Pactl("list sink-inputs");
    const size_t at = inputs.find("Buffer Latency: ");
    const double serverBufferMs =
        at == std::string::npos ? -1.0 : std::atof(inputs.c_str() + at + 16) / 1000.0;
    FSOUND_Close();
    recorder.Stop();

    // Onsets after at least 100 ms of quiet, placed in time by the arrival of
    // the block that held them.
    const std::vector<int16_t>& pcm = recorder.Samples();
    const std::vector<int64_t>& arrivals = recorder.BlockArrivals();
    const int sinkRate = recorder.Rate();
    std::vector<int64_t> heardAt;
    size_t quiet = 0;
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        if (std::abs(int(pcm[i * 2])) <= kLoud) {
            ++quiet;
            continue;
        }
        if (quiet >= size_t(sinkRate) / 10) {
            const size_t block = i / MonitorRecorder::kBlockFrames;
            const size_t framesAfter = (block + 1) * MonitorRecorder::kBlockFrames - i;
            heardAt.push_back(arrivals[block] - int64_t(framesAfter) * 1000000000 / sinkRate);
        }
        quiet = 0;
    }
    if (heardAt.size() != size_t(kCues)) {
        std::fprintf(stderr, "%d Hz: heard %zu cues, played %d\n", rate, heardAt.size(), kCues);
        return false;
    }
    std::vector<double> leads;
    for (int cue = 0; cue < kCues; ++cue)
        if (reachedAt[size_t(cue)] >= 0)
            leads.push_back(double(heardAt[size_t(cue)] - reachedAt[size_t(cue)]) / 1e6);
    if (leads.empty()) return false;
    std::printf(
        "%5d Hz: position leads the sink by %6.1f ms (median of %zu cues; min %.1f, max "
        "%.1f); server stream buffer %.1f ms\n",
        rate, Median(leads), leads.size(), *std::min_element(leads.begin(), leads.end()),
        *std::max_element(leads.begin(), leads.end()), serverBufferMs);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> rates;
    for (int i = 1; i < argc; ++i) rates.push_back(std::atoi(argv[i]));
    if (rates.empty()) rates = {44100, 22050, 16000};
    const std::vector<unsigned char> mp3 = EncodeMp3(Bursts(), kSourceRate);
    if (mp3.empty()) {
        std::fprintf(stderr, "cannot encode the test MP3\n");
        return 1;
    }
    bool ok = true;
    for (int rate : rates) ok = Measure(rate, mp3) && ok;
    return ok ? 0 : 1;
}
