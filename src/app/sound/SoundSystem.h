// State of the sound library behind the FSOUND_/FMUSIC_ functions: the open
// songs and streams, the channels, the mixer and the output.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "app/sound/AudioOutput.h"
#include "app/sound/Mp3Stream.h"
#include "app/sound/TrackerSong.h"

namespace sunvale {

class SoundSystem {
public:
    // The one process-wide instance. It is never destroyed, so the library
    // can still be closed from destructors of other globals at exit.
    static SoundSystem& Instance();

    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    void SetRequestedOutput(SoundOutput kind);
    bool Init(int rate, int channelCount);
    void Close();
    SoundOutput ActiveOutput();
    int MixRate();

    TrackerSong* LoadSong(const void* data, int length);
    bool PlaySong(TrackerSong* song);
    bool SetSongVolume(TrackerSong* song, int volume);
    bool FreeSong(TrackerSong* song);
    bool SongFinished(TrackerSong* song);

    Mp3Stream* OpenStream(const char* nameOrData, unsigned int mode, int length);
    int PlayStream(int channel, Mp3Stream* stream);
    bool SetChannelVolume(int channel, int volume);
    int64_t StreamFrames(Mp3Stream* stream);
    int StreamMilliseconds(Mp3Stream* stream);
    bool StreamFinished(Mp3Stream* stream);
    bool CloseStream(Mp3Stream* stream);

    int PlayingCount();
    // Manual output: mixes into `out`; returns frames written.
    int MixManual(int16_t* out, int frames);

private:
    SoundSystem() = default;

    struct SongSlot {
        std::unique_ptr<TrackerSong> song;
        float gain = 1.0f;
        bool playing = false;
    };
    struct Channel {
        Mp3Stream* stream = nullptr;
        float gain = 1.0f;
    };
    struct HeldStream {
        std::unique_ptr<Mp3Stream> stream;
        int64_t startFrame = 0;  // mixedFrames when it last started playing
    };

    static void MixCallback(void* self, int16_t* out, int frames);
    void Mix(int16_t* out, int frames);  // caller holds `lock`
    SongSlot* FindSong(TrackerSong* song);
    HeldStream* FindStream(Mp3Stream* stream);
    // Frames of the stream the output has played, at the mixing rate: those
    // mixed, less the ones still waiting in the device buffer.
    int64_t HeardFrames(const HeldStream& held) const;  // caller holds `lock`
    void StopStream(Mp3Stream* stream);

    std::mutex lock;  // guards everything below except `output`
    bool started = false;
    int mixRate = 0;
    SoundOutput requested = SoundOutput::Auto;
    SoundOutput active = SoundOutput::Manual;
    std::vector<SongSlot> songs;
    std::vector<HeldStream> streams;
    std::vector<Channel> channels;
    std::vector<float> mixBuffer;
    std::vector<float> sourceBuffer;
    int64_t mixedFrames = 0;  // frames mixed since Init
    // The latest block mixed for the output: when and how long. The audio
    // device plays it after the mixing call returns, so for one block's
    // duration part of it is still waiting to be heard.
    std::chrono::steady_clock::time_point lastMixAt;
    int lastMixFrames = 0;

    AudioOutput output;  // started, stopped and caught up outside `lock`
};

}  // namespace sunvale
