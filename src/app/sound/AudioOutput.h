// Where mixed sound goes: an SDL audio device, or a silent null output that
// consumes samples in real time when no device can be opened.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

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
    SoundOutput Start(SoundOutput wanted, int rate, MixFn mix, void* user);

    // Stops the device or thread; no call of `mix` runs after it returns.
    void Stop();

private:
    bool OpenDevice(int rate, const char** why);
    void RunNullOutput();
    static void DeviceCallback(void* self, unsigned char* stream, int len);

    MixFn mixFn = nullptr;
    void* mixUser = nullptr;
    int mixRate = 0;

    uint32_t device = 0;  // SDL_AudioDeviceID, 0 when none
    bool sdlAudioStarted = false;

    std::thread nullThread;
    std::mutex nullLock;
    std::condition_variable nullWake;
    bool nullStop = false;
};

}  // namespace sunvale
