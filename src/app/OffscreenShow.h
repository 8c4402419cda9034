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

    // Adds a small framebuffer for frames that are drawn only for the state
    // they leave in the scenes (see SetDrafting). Scenes keep reading the
    // aspect ratio of the size given to Open, so what they compute is the
    // same at either size. false with a reason in error.
    bool OpenDraft(int width, int height, std::string* error);

    // Draws the following frames into the draft framebuffer (true) or the
    // full-size one (false), which is cleared as EndFrame clears: the next
    // frame starts from empty buffers whenever the switch happens. false when
    // there is no draft framebuffer.
    bool SetDrafting(bool drafting);

    // Seeds the generator and builds the schedule as the show's load step
    // does (music excluded: the caller sets the position).
    void Load();

    // Draws the frame of show time t (ticks) with the music at musicSeconds,
    // without presenting it.
    void DrawFrame(float t, float musicSeconds);

    // Finishes the frame as the show does: flush, finish, clear.
    void EndFrame();

    // Pixels of the current frame, RGBA8, top row first, at the size of the
    // framebuffer drawn into (Width() x Height()).
    std::vector<uint8_t> ReadPixels() const { return context_.ReadPixels(); }
    int Width() const { return context_.Width(); }
    int Height() const { return context_.Height(); }

    // Ticks of frame `index` at `framesPerSecond` (a frame every
    // 1000 / framesPerSecond ms; 17 ms per tick).
    static float FrameTicks(int64_t index, double framesPerSecond);

    // Music position in seconds that playback with a perfect clock reports
    // at show time t ticks.
    static float MusicSecondsAt(float t) { return t * 0.017f; }

    // A size of the same aspect ratio as width x height, about 64 pixels
    // wide (the size itself when it is no wider), for draft frames.
    static void DraftSize(int width, int height, int* draftWidth, int* draftHeight);

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
