// Output side of the sound library. The SDL device calls back on SDL's audio
// thread; without a device, our own thread consumes mixed samples at the
// rate a device would, so stream positions keep advancing in real time.
#include "app/sound/AudioOutput.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace sunvale {

namespace {

constexpr int kNullChunkFrames = 1024;
constexpr auto kNullPeriod = std::chrono::milliseconds(10);

// Device buffer of about 20-25 ms: long enough not to starve on a busy
// machine. The stream position leaves out the part of it not yet played, so
// its length does not move the music cues.
Uint16 DeviceBufferFrames(int rate)
{
    Uint16 frames = 256;
    while (frames < 4096 && frames * 50 < rate) frames = Uint16(frames * 2);
    return frames;
}

void ReportNullOutputOnce(const char* why)
{
    static std::atomic<bool> said{false};
    if (said.exchange(true)) return;
    std::fprintf(stderr, "sound: %s; playing into a silent output that keeps time\n", why);
}

}  // namespace

SoundOutput AudioOutput::Start(SoundOutput wanted, int rate, MixFn mix, void* user)
{
    Stop();
    mixFn = mix;
    mixUser = user;
    mixRate = rate;
    if (wanted == SoundOutput::Manual) return SoundOutput::Manual;
    if (wanted == SoundOutput::Auto) {
        const char* why = "no audio device";
        if (OpenDevice(rate, &why)) return SoundOutput::Auto;
        ReportNullOutputOnce(why);
    }
    nullStop = false;
    nullStart = Clock::now();
    nullDelivered = 0;
    if (createThread(&nullThread, nullptr, &AudioOutput::NullThreadEntry, this) == 0) {
        nullThreadRunning = true;
    } else {
        // No thread for the silent output: the sound must not stop the show,
        // so the caller's position queries drive it instead.
        std::fprintf(stderr, "sound: no thread for the silent output; it follows the clock\n");
        clockDriven = true;
    }
    return SoundOutput::Null;
}

int (*AudioOutput::createThread)(pthread_t*, const pthread_attr_t*, void* (*)(void*),
                                 void*) = &pthread_create;

bool AudioOutput::OpenDevice(int rate, const char** why)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *why = "no audio device (audio system unavailable)";
        return false;
    }
    sdlAudioStarted = true;
    // SDL's dummy driver keeps no reliable time and its disk driver writes a
    // file into the working directory: our null output does the job better.
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver == nullptr || std::strcmp(driver, "dummy") == 0 ||
        std::strcmp(driver, "disk") == 0) {
        *why = "no audio device (only a dummy audio driver)";
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlAudioStarted = false;
        return false;
    }
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = DeviceBufferFrames(rate);
    want.callback = &AudioOutput::DeviceCallback;
    want.userdata = this;
    SDL_AudioSpec have;
    // No allowed changes: SDL converts to whatever the hardware takes.
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        *why = "no audio device could be opened";
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlAudioStarted = false;
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void AudioOutput::DeviceCallback(void* self, unsigned char* stream, int len)
{
    AudioOutput* out = static_cast<AudioOutput*>(self);
    out->mixFn(out->mixUser, reinterpret_cast<int16_t*>(stream), len / int(2 * sizeof(int16_t)));
}

void* AudioOutput::NullThreadEntry(void* self)
{
    static_cast<AudioOutput*>(self)->RunNullOutput();
    return nullptr;
}

void AudioOutput::RunNullOutput()
{
    std::unique_lock<std::mutex> guard(nullLock);
    while (!nullStop) {
        nullWake.wait_for(guard, kNullPeriod, [this] { return nullStop; });
        if (nullStop) break;
        guard.unlock();
        DeliverDueFrames();
        guard.lock();
    }
}

void AudioOutput::DeliverDueFrames()
{
    std::lock_guard<std::mutex> guard(deliverLock);
    const int64_t elapsedUs =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - nullStart).count();
    const int64_t due = elapsedUs * mixRate / 1000000;
    if (nullDelivered >= due) return;
    int16_t sink[kNullChunkFrames * 2];
    while (nullDelivered < due) {
        const int frames = int(std::min<int64_t>(due - nullDelivered, kNullChunkFrames));
        mixFn(mixUser, sink, frames);
        nullDelivered += frames;
    }
}

void AudioOutput::CatchUp()
{
    if (clockDriven) DeliverDueFrames();
}

void AudioOutput::Stop()
{
    if (device != 0) {
        SDL_CloseAudioDevice(device);  // waits for a callback in progress
        device = 0;
    }
    if (sdlAudioStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlAudioStarted = false;
    }
    if (nullThreadRunning) {
        {
            std::lock_guard<std::mutex> guard(nullLock);
            nullStop = true;
        }
        nullWake.notify_all();
        pthread_join(nullThread, nullptr);
        nullThreadRunning = false;
    }
    clockDriven = false;
}

}  // namespace sunvale
