// Offline mixing of the show's music (see header).
#include "MusicTrack.h"

#include <algorithm>
#include <vector>

#include "app/sound/FSound.h"

namespace sunvale {
namespace capture {

namespace {

constexpr int kSoftwareChannels = 32;  // as the show starts the library
constexpr int kSkipBlock = 4096;       // frames mixed per step while skipping

}  // namespace

bool MusicTrack::Open(const char* archive, const char* entry, int rate, std::string* error)
{
    FSOUND_SetOutputKind(SoundOutput::Manual);
    if (!player_.InitSound(rate, kSoftwareChannels)) {
        *error = "the sound library did not start";
        return false;
    }
    if (!player_.LoadFromArchive(archive, entry)) {
        *error = std::string("no playable ") + entry + " in " + archive;
        return false;
    }
    player_.Play();
    playing_ = true;
    return true;
}

void MusicTrack::Mix(int16_t* out, int frames)
{
    int done = 0;
    if (playing_) {
        while (done < frames) {
            const int n = FSOUND_MixBlock(out + static_cast<size_t>(done) * 2, frames - done);
            if (n <= 0) break;
            done += n;
        }
    }
    std::fill(out + static_cast<size_t>(done) * 2, out + static_cast<size_t>(frames) * 2,
              int16_t{0});
}

void MusicTrack::Skip(int64_t frames)
{
    if (!playing_) return;
    std::vector<int16_t> block(static_cast<size_t>(kSkipBlock) * 2);
    while (frames > 0) {
        const int n = static_cast<int>(std::min<int64_t>(frames, kSkipBlock));
        Mix(block.data(), n);
        frames -= n;
    }
}

}  // namespace capture
}  // namespace sunvale
