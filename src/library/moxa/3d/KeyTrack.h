// KeyTrack: a key count and an owned array of keys. MorphTrack is the same
// container over MorphKey.
#pragma once

#include <cstdint>
#include <memory>

#include "library/moxa/3d/MorphKey.h"
#include "library/moxa/3d/TrackKey.h"

namespace sunvale {

template <typename Key>
struct BasicKeyTrack {
    uint32_t count = 0;
    std::unique_ptr<Key[]> keys;
};

using KeyTrack = BasicKeyTrack<TrackKey>;
using MorphTrack = BasicKeyTrack<MorphKey>;

}  // namespace sunvale
