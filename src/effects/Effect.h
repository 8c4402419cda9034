// Base of every visual effect: a small drawing object that a scene creates
// once, configures through its public fields, and asks to draw itself every
// frame with a time value. Overlay effects draw a source effect first and
// then their own layer over it (DrawOver).
//
// All operations run on the thread that owns the OpenGL context. Effects do
// not save or restore OpenGL state; each Draw documents what it leaves.
#pragma once

#include <cstdint>

namespace sunvale {

struct Model;

class Effect {
public:
    Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // Concrete effects that own memory or display lists release them here.
    virtual ~Effect() = default;

    // Draws the effect; time is whatever the scene passes (usually ticks).
    virtual void Draw(float time) = 0;

    // Draws source (when not null) and then this effect's layer over it.
    // The base draws nothing at all, not even the source.
    virtual void DrawOver(float time, Effect* source);

    // Record texture handles (-1: failed load, draws untextured).
    virtual void SetTextures(int32_t first, int32_t second);
    virtual void SetTexture(int32_t texture);

    // Gives the effect a model to draw; not owned.
    virtual void SetModel(Model* model);
};

}  // namespace sunvale
