// A private PulseAudio server for one test process: a null sink, a native
// socket in a fresh mkdtemp directory, and its runtime, state and cookie
// files in there too, so nothing of the machine's own sound set-up is used or
// changed. The server dies with the process that started it.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/ScopedTempDir.h"

struct pa_simple;

namespace sunvale::testaudio {

class PulseServer {
public:
    // Name of the null sink; its monitor source is kSinkName + ".monitor".
    static constexpr const char* kSinkName = "sunvale_test_sink";
    // The sink's own rate in Hz: none of the mixing rates, so every stream
    // passes through the server's resampler as it would on most machines.
    static constexpr int kSinkRate = 48000;

    // Starts the server and waits until it accepts clients. On success this
    // process's clients (SDL through its PulseAudio driver, libpulse) are
    // pointed at it until the object goes away.
    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    [[nodiscard]] bool Ready() const { return ready; }
    // Why the server is not ready, for the skip message.
    [[nodiscard]] const std::string& Why() const { return why; }
    // "unix:/path/to/socket".
    [[nodiscard]] const std::string& Address() const { return address; }

    // Runs `pactl ARGS` against this server; its standard output, or "" and
    // ok false when it failed.
    std::string Pactl(const std::string& args, bool* ok = nullptr) const;

private:
    void PointClientsHere();
    void RestoreClients();

    testsupport::ScopedTempDir dir;
    pid_t pid = -1;
    bool ready = false;
    std::string why;
    std::string address;
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> savedEnv;
};

// Records the sink's monitor as 16-bit stereo at `rate` Hz on a thread of its
// own, from construction until Stop. Every block read is stamped with the
// steady clock when it arrived, so a sample can be placed in time.
class MonitorRecorder {
public:
    static constexpr int kBlockFrames = 64;

    MonitorRecorder(const PulseServer& server, int rate);
    ~MonitorRecorder() { Stop(); }
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    [[nodiscard]] bool Ready() const { return stream != nullptr; }
    [[nodiscard]] const std::string& Why() const { return why; }
    void Stop();

    // Valid after Stop: interleaved stereo samples, and for block i (frames
    // [i * kBlockFrames, (i + 1) * kBlockFrames)) the steady-clock time in
    // nanoseconds when it was read.
    [[nodiscard]] const std::vector<int16_t>& Samples() const { return samples; }
    [[nodiscard]] const std::vector<int64_t>& BlockArrivals() const { return arrivals; }
    [[nodiscard]] int Rate() const { return rate; }

private:
    void Run();

    pa_simple* stream = nullptr;
    int rate;
    std::string why;
    std::atomic<bool> stop{false};
    std::thread reader;
    std::vector<int16_t> samples;
    std::vector<int64_t> arrivals;
};

}  // namespace sunvale::testaudio
