// The sound library's core: handle bookkeeping, channels and the mixer.
// Every call from the show takes the lock briefly; the output thread takes
// it for one mixing block at a time, so decoding never runs in the caller
// (unless the silent output got no thread: then position queries mix what is
// due, see AudioOutput::CatchUp).
#include "app/sound/SoundSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/sound/FSound.h"

namespace sunvale {

namespace {

constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 1024;
constexpr int kMixBlockFrames = 1024;

float VolumeGain(int volume) { return float(std::clamp(volume, 0, 255)) / 255.0f; }

int16_t ToSample(float v)
{
    const float scaled = std::nearbyint(v * 32767.0f);
    return int16_t(std::clamp(scaled, -32768.0f, 32767.0f));
}

// Whole file into memory; empty on any failure.
std::vector<unsigned char> ReadWholeFile(const char* path)
{
    std::vector<unsigned char> bytes;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return bytes;
    unsigned char chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return bytes;
}

}  // namespace

SoundSystem& SoundSystem::Instance()
{
    static SoundSystem* instance = new SoundSystem();
    return *instance;
}

void SoundSystem::SetRequestedOutput(SoundOutput kind)
{
    std::lock_guard<std::mutex> guard(lock);
    requested = kind;
}

bool SoundSystem::Init(int rate, int channelCount)
{
    Close();
    if (rate < kMinRate || rate > kMaxRate) return false;
    if (channelCount < 1 || channelCount > kMaxChannels) return false;
    SoundOutput wanted;
    {
        std::lock_guard<std::mutex> guard(lock);
        started = true;
        mixRate = rate;
        channels.assign(size_t(channelCount), Channel{});
        mixBuffer.assign(size_t(kMixBlockFrames) * 2, 0.0f);
        sourceBuffer.assign(size_t(kMixBlockFrames) * 2, 0.0f);
        mixedFrames = 0;
        lastMixFrames = 0;
        wanted = requested;
    }
    const SoundOutput used = output.Start(wanted, rate, &SoundSystem::MixCallback, this);
    std::lock_guard<std::mutex> guard(lock);
    active = used;
    return true;
}

void SoundSystem::Close()
{
    output.Stop();
    std::lock_guard<std::mutex> guard(lock);
    channels.clear();
    songs.clear();
    streams.clear();
    started = false;
    mixRate = 0;
    active = SoundOutput::Manual;
}

SoundOutput SoundSystem::ActiveOutput()
{
    std::lock_guard<std::mutex> guard(lock);
    return active;
}

int SoundSystem::MixRate()
{
    std::lock_guard<std::mutex> guard(lock);
    return mixRate;
}

SoundSystem::SongSlot* SoundSystem::FindSong(TrackerSong* song)
{
    if (song == nullptr) return nullptr;
    for (SongSlot& slot : songs)
        if (slot.song.get() == song) return &slot;
    return nullptr;
}

SoundSystem::HeldStream* SoundSystem::FindStream(Mp3Stream* stream)
{
    if (stream == nullptr) return nullptr;
    for (HeldStream& held : streams)
        if (held.stream.get() == stream) return &held;
    return nullptr;
}

int64_t SoundSystem::HeardFrames(const HeldStream& held) const
{
    int64_t waiting = 0;
    if (active == SoundOutput::Auto && lastMixFrames > 0) {
        // The device drains the latest block at the mixing rate from the
        // moment it was mixed; the next callback mixes the next one. Never
        // more than the block: when the device stops taking samples, so
        // does the position.
        const int64_t sinceUs = std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - lastMixAt)
                                    .count();
        const int64_t drained = sinceUs * mixRate / 1000000;
        waiting = std::max<int64_t>(0, lastMixFrames - drained);
    }
    // The null output and manual mixing hand over samples as they are due:
    // nothing waits, and the position is the exact count mixed.
    const int64_t sinceStart = mixedFrames - waiting - held.startFrame;
    return std::clamp<int64_t>(sinceStart, 0, held.stream->PlayedFrames());
}

void SoundSystem::StopStream(Mp3Stream* stream)
{
    for (Channel& channel : channels)
        if (channel.stream == stream) channel.stream = nullptr;
}

TrackerSong* SoundSystem::LoadSong(const void* data, int length)
{
    int rate = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!started) return nullptr;
        rate = mixRate;
    }
    if (data == nullptr || length <= 0) return nullptr;
    TrackerSong* song = TrackerSong::Load(data, size_t(length), rate);
    if (song == nullptr) return nullptr;
    std::lock_guard<std::mutex> guard(lock);
    songs.push_back(SongSlot{std::unique_ptr<TrackerSong>(song), 1.0f, false});
    return song;
}

bool SoundSystem::PlaySong(TrackerSong* song)
{
    output.CatchUp();  // time before the start is not the new sound's
    std::lock_guard<std::mutex> guard(lock);
    SongSlot* slot = FindSong(song);
    if (slot == nullptr) return false;
    slot->song->Rewind(mixRate);
    slot->playing = true;
    return true;
}

bool SoundSystem::SetSongVolume(TrackerSong* song, int volume)
{
    std::lock_guard<std::mutex> guard(lock);
    SongSlot* slot = FindSong(song);
    if (slot == nullptr) return false;
    slot->gain = VolumeGain(volume);
    return true;
}

bool SoundSystem::FreeSong(TrackerSong* song)
{
    std::lock_guard<std::mutex> guard(lock);
    const auto it = std::find_if(songs.begin(), songs.end(),
                                 [song](const SongSlot& s) { return s.song.get() == song; });
    if (song == nullptr || it == songs.end()) return false;
    songs.erase(it);
    return true;
}

bool SoundSystem::SongFinished(TrackerSong* song)
{
    output.CatchUp();
    std::lock_guard<std::mutex> guard(lock);
    SongSlot* slot = FindSong(song);
    return slot != nullptr && slot->song->Finished();
}

Mp3Stream* SoundSystem::OpenStream(const char* nameOrData, unsigned int mode, int length)
{
    int rate = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!started) return nullptr;
        rate = mixRate;
    }
    if (nameOrData == nullptr) return nullptr;
    Mp3Stream* stream = nullptr;
    if ((mode & FSOUND_LOADMEMORY) != 0) {
        if (length <= 0) return nullptr;
        stream = Mp3Stream::Open(reinterpret_cast<const unsigned char*>(nameOrData), size_t(length),
                                 rate);
    } else {
        stream = Mp3Stream::OpenOwned(ReadWholeFile(nameOrData), rate);
    }
    if (stream == nullptr) return nullptr;
    std::lock_guard<std::mutex> guard(lock);
    streams.push_back(HeldStream{std::unique_ptr<Mp3Stream>(stream), 0});
    return stream;
}

int SoundSystem::PlayStream(int channel, Mp3Stream* stream)
{
    output.CatchUp();  // time before the start is not the new sound's
    std::lock_guard<std::mutex> guard(lock);
    HeldStream* held = FindStream(stream);
    if (held == nullptr) return -1;
    for (size_t i = 0; i < channels.size(); ++i)
        if (channels[i].stream == stream) return int(i);
    int chosen = -1;
    if (channel == FSOUND_FREE) {
        for (size_t i = 0; i < channels.size() && chosen < 0; ++i)
            if (channels[i].stream == nullptr) chosen = int(i);
    } else if (channel >= 0 && size_t(channel) < channels.size()) {
        chosen = channel;  // replaces whatever played there
    }
    if (chosen < 0) return -1;
    stream->Rewind(mixRate);
    held->startFrame = mixedFrames;  // its first frame is the next one mixed
    channels[size_t(chosen)] = Channel{stream, 1.0f};
    return chosen;
}

bool SoundSystem::SetChannelVolume(int channel, int volume)
{
    std::lock_guard<std::mutex> guard(lock);
    if (channel < 0 || size_t(channel) >= channels.size()) return false;
    channels[size_t(channel)].gain = VolumeGain(volume);
    return true;
}

int64_t SoundSystem::StreamFrames(Mp3Stream* stream)
{
    output.CatchUp();
    std::lock_guard<std::mutex> guard(lock);
    return FindStream(stream) != nullptr ? stream->PlayedFrames() : 0;
}

int SoundSystem::StreamMilliseconds(Mp3Stream* stream)
{
    output.CatchUp();
    std::lock_guard<std::mutex> guard(lock);
    const HeldStream* held = FindStream(stream);
    if (held == nullptr || mixRate <= 0) return 0;
    return int(HeardFrames(*held) * 1000 / mixRate);
}

bool SoundSystem::StreamFinished(Mp3Stream* stream)
{
    output.CatchUp();
    std::lock_guard<std::mutex> guard(lock);
    return FindStream(stream) != nullptr && stream->Finished();
}

bool SoundSystem::CloseStream(Mp3Stream* stream)
{
    std::lock_guard<std::mutex> guard(lock);
    const auto it = std::find_if(streams.begin(), streams.end(), [stream](const HeldStream& held) {
        return held.stream.get() == stream;
    });
    if (stream == nullptr || it == streams.end()) return false;
    StopStream(stream);
    streams.erase(it);
    return true;
}

int SoundSystem::PlayingCount()
{
    std::lock_guard<std::mutex> guard(lock);
    int count = 0;
    for (const Channel& channel : channels) count += channel.stream != nullptr ? 1 : 0;
    for (const SongSlot& slot : songs) count += slot.playing ? 1 : 0;
    return count;
}

int SoundSystem::MixManual(int16_t* out, int frames)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!started || active != SoundOutput::Manual || out == nullptr || frames <= 0) return 0;
    Mix(out, frames);
    return frames;
}

void SoundSystem::MixCallback(void* self, int16_t* out, int frames)
{
    SoundSystem* system = static_cast<SoundSystem*>(self);
    std::lock_guard<std::mutex> guard(system->lock);
    system->Mix(out, frames);
    system->lastMixAt = std::chrono::steady_clock::now();
    system->lastMixFrames = frames;
}

void SoundSystem::Mix(int16_t* out, int frames)
{
    mixedFrames += frames;
    while (frames > 0) {
        const int block = std::min(frames, kMixBlockFrames);
        std::fill_n(mixBuffer.begin(), size_t(block) * 2, 0.0f);
        auto addSource = [&](SoundSource* source, float gain) {
            const int made = source->Render(sourceBuffer.data(), block);
            for (int i = 0; i < made * 2; ++i)
                mixBuffer[size_t(i)] += sourceBuffer[size_t(i)] * gain;
            return made == block;
        };
        for (Channel& channel : channels)
            if (channel.stream != nullptr && !addSource(channel.stream, channel.gain))
                channel.stream = nullptr;
        for (SongSlot& slot : songs)
            if (slot.playing && !addSource(slot.song.get(), slot.gain)) slot.playing = false;
        for (int i = 0; i < block * 2; ++i) out[i] = ToSample(mixBuffer[size_t(i)]);
        out += size_t(block) * 2;
        frames -= block;
    }
}

}  // namespace sunvale
