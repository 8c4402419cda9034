// A scene's effects: up to eight owned effects addressed by index, in the
// order they were added. Scenes add their effects in a fixed order so the
// indices are known constants, and drive them through the indexed calls.
//
// Ownership: the list owns every effect that Add accepted and deletes them
// in DestroyAll (the scene's destructor calls it). A refused effect stays
// with the caller. Not copyable.
#pragma once

#include <cstdint>

#include "effects/Effect.h"

namespace sunvale {

class EffectList {
public:
    static constexpr int kCapacity = 8;

    EffectList() = default;
    EffectList(const EffectList&) = delete;
    EffectList& operator=(const EffectList&) = delete;

    // 1: stored at index count; 0: the list is full and unchanged. A null
    // pointer is accepted like any other value.
    int Add(Effect* effect);

    // Deletes every held effect once and nulls its entry; count stays.
    void DestroyAll();

    // Indexed calls: each does nothing when an index lies outside 0..7 or
    // the entry it would call is null. Values first, indices last.
    void DrawAt(float time, int index);
    void DrawOverAt(float time, int index, int sourceIndex);
    void SetTexturesAt(int32_t first, int32_t second, int index);
    void SetTextureAt(int32_t texture, int index);
    void SetModelAt(Model* model, int index);

    // Entry at index, null when out of range or empty.
    [[nodiscard]] Effect* At(int index) const;

    Effect* effects[kCapacity] = {};  // held effects; entries count..7 null
    int32_t count = 0;                // effects added, 0..8
};

}  // namespace sunvale
