// The show rendered without a window: an offscreen context of a chosen size,
// the same load steps and the same timeline as the real show, and a clock and
// music position that the caller sets. Frames are exact for a given tick
// sequence, so captures and tests see the pictures the show draws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/OffscreenContext.h"
#include "app/Timeline.h"

namespace sunvale {

class OffscreenShow {
public:
    OffscreenShow() = default;
    ~OffscreenShow();
    OffscreenShow(const OffscreenShow&) = delete;
    OffscreenShow& operator=(const OffscreenShow&) = delete;

    // Creates the context and prepares the display for a width x height
    // 32-bit mode. Error messages of loading (missing textures) go to
    // standard error instead of message boxes. false with a reason in error.
    bool Open(int width, int height, std::string* error);

    // Seeds the generator and builds the schedule as the show's load step
    // does (music excluded: the caller sets the position).
    void Load();

    // Draws the frame of show time t (ticks) with the music at musicSeconds,
    // without presenting it.
    void DrawFrame(float t, float musicSeconds);

    // Finishes the frame as the show does: flush, finish, clear.
    void EndFrame();

    // Pixels of the current frame, RGBA8, top row first.
    std::vector<uint8_t> ReadPixels() const { return context_.ReadPixels(); }

    // Ticks of frame `index` at `framesPerSecond` (a frame every
    // 1000 / framesPerSecond ms; 17 ms per tick).
    static float FrameTicks(int64_t index, double framesPerSecond);

    Timeline timeline;

private:
    OffscreenContext context_;
    bool open_ = false;
};

// Writes RGBA8 pixels (top row first) as an 8-bit RGB PNG. false with a
// reason in error.
bool WritePngRgb(const char* path, const std::vector<uint8_t>& rgba, int width, int height,
                 std::string* error);

}  // namespace sunvale
