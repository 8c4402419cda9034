// Music position, from the global music player unless overridden.
#include "app/MusicPosition.h"

#include <atomic>

#include "app/sound/MusicPlayer.h"

namespace sunvale {

namespace {
std::atomic<MusicPositionSource> g_source{nullptr};
}  // namespace

float MusicPosition()
{
    if (MusicPositionSource source = g_source.load()) return source();
    return g_musicPlayer.GetMusicPosition();
}

bool MusicStreamHeld() { return g_source.load() != nullptr || g_musicPlayer.stream != nullptr; }

void SetMusicPositionSource(MusicPositionSource source) { g_source.store(source); }

}  // namespace sunvale
