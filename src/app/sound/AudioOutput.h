// Where mixed sound goes: an SDL audio device, or a silent null output that
// consumes samples in real time when no device can be opened.
#pragma once

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "app/sound/SoundOutput.h"

namespace sunvale {

class AudioOutput {
public:
    // Fills `frames` interleaved 16-bit stereo frames.
    using MixFn = void (*)(void* user, int16_t* out, int frames);

    AudioOutput() = default;
    ~AudioOutput() { Stop(); }
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Starts pulling from `mix` at `rate` Hz. With Auto, falls back to the null
    // output (and says so once on standard error). Returns the output in use.
    // When the null output's thread cannot be started, the null output is
    // driven from the caller's clock instead: CatchUp mixes what is due.
    SoundOutput Start(SoundOutput wanted, int rate, MixFn mix, void* user);

    // Stops the device or thread; no call of `mix` runs after it returns.
    void Stop();

    // A null output without its thread: mixes, on the calling thread, every
    // frame due since Start at the mixing rate, so that positions still
    // advance in real time when they are asked for. Does nothing otherwise.
    // Call it without holding a lock that `mix` takes.
    void CatchUp();

    // Starts the null output's thread; pthread_create, replaced by tests.
    static int (*createThread)(pthread_t* thread, const pthread_attr_t* attributes,
                               void* (*body)(void*), void* argument);

private:
    using Clock = std::chrono::steady_clock;

    bool OpenDevice(int rate, const char** why);
    void RunNullOutput();
    // Mixes into a scratch buffer every frame due by now; returns at once when
    // nothing is due.
    void DeliverDueFrames();
    static void* NullThreadEntry(void* self);
    static void DeviceCallback(void* self, unsigned char* stream, int len);

    MixFn mixFn = nullptr;
    void* mixUser = nullptr;
    int mixRate = 0;

    uint32_t device = 0;  // SDL_AudioDeviceID, 0 when none
    bool sdlAudioStarted = false;

    pthread_t nullThread{};
    bool nullThreadRunning = false;
    std::atomic<bool> clockDriven{false};  // null output without its thread
    Clock::time_point nullStart;
    int64_t nullDelivered = 0;  // frames mixed since nullStart
    std::mutex deliverLock;     // one DeliverDueFrames at a time
    std::mutex nullLock;
    std::condition_variable nullWake;
    bool nullStop = false;
};

}  // namespace sunvale
