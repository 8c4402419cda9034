// The fixed-capacity, index-addressed list of a scene's effects.
#include "effects/EffectList.h"

namespace sunvale {

int EffectList::Add(Effect* effect)
{
    // A full list refuses; the caller keeps the effect.
    if (count >= kCapacity) {
        return 0;
    }
    effects[count] = effect;
    ++count;
    return 1;
}

void EffectList::DestroyAll()
{
    for (int i = 0; i < count; ++i) {
        if (effects[i] != nullptr) {
            delete effects[i];
            effects[i] = nullptr;
        }
    }
}

Effect* EffectList::At(int index) const
{
    if (index < 0 || index >= kCapacity) {
        return nullptr;
    }
    return effects[index];
}

void EffectList::DrawAt(float time, int index)
{
    if (Effect* effect = At(index)) {
        effect->Draw(time);
    }
}

void EffectList::DrawOverAt(float time, int index, int sourceIndex)
{
    // Both indices must be in range; an empty source entry is passed as null.
    if (sourceIndex < 0 || sourceIndex >= kCapacity) {
        return;
    }
    if (Effect* effect = At(index)) {
        effect->DrawOver(time, effects[sourceIndex]);
    }
}

void EffectList::SetTexturesAt(int32_t first, int32_t second, int index)
{
    if (Effect* effect = At(index)) {
        effect->SetTextures(first, second);
    }
}

void EffectList::SetTextureAt(int32_t texture, int index)
{
    if (Effect* effect = At(index)) {
        effect->SetTexture(texture);
    }
}

void EffectList::SetModelAt(Model* model, int index)
{
    if (Effect* effect = At(index)) {
        effect->SetModel(model);
    }
}

}  // namespace sunvale
