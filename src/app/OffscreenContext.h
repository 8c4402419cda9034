// An OpenGL context without any window system: EGL on Mesa's surfaceless
// platform, drawing into a framebuffer object of a chosen size (RGB8 colour
// without alpha, like the window; packed 24-bit depth / 8-bit stencil). The show's own drawing code
// renders into it unchanged; tests, the capture tool and benchmarks read the pixels back.
//
// Bound to the thread that calls Create; not copyable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sunvale {

class OffscreenContext {
public:
    OffscreenContext() = default;
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // Creates the context and framebuffer and makes them current on the
    // calling thread. false, with a reason in Error(), when EGL or the
    // framebuffer cannot be set up.
    bool Create(int width, int height);

    // Releases framebuffer, context and display. Safe to call twice.
    void Destroy();

    bool MakeCurrent();

    // Adds a second, usually smaller framebuffer of the same format for
    // frames that must be drawn but whose pixels nobody reads: they cost less
    // to fill. Replaces an earlier one; the main framebuffer stays bound.
    // false, with a reason in Error(), when it cannot be set up.
    bool CreateDraftTarget(int width, int height);

    // Binds the draft framebuffer (true) or the main one (false) and sets the
    // viewport to its size. Drawing state other than the viewport is shared.
    // false when a draft is asked for and none exists.
    bool UseDraftTarget(bool draft);

    // Pixels of the bound framebuffer, RGBA8 with alpha always 255, top row first
    // (flipped from GL's bottom-up order), width * height * 4 bytes.
    std::vector<uint8_t> ReadPixels() const;

    // RGBA of one pixel, with (0, 0) at the top left.
    uint32_t PixelAt(int x, int y) const;

    // Size of the bound framebuffer.
    int Width() const { return drafting_ ? draftWidth_ : width_; }
    int Height() const { return drafting_ ? draftHeight_ : height_; }
    const std::string& Error() const { return error_; }

private:
    void* display_ = nullptr;  // EGLDisplay
    void* context_ = nullptr;  // EGLContext
    unsigned fbo_ = 0;
    unsigned colour_ = 0;
    unsigned depthStencil_ = 0;
    int width_ = 0;
    int height_ = 0;
    unsigned draftFbo_ = 0;
    unsigned draftColour_ = 0;
    unsigned draftDepthStencil_ = 0;
    int draftWidth_ = 0;
    int draftHeight_ = 0;
    bool drafting_ = false;
    std::string error_;
};

// True when the tests run under CI, where a missing offscreen context is a
// failure rather than a reason to skip.
bool RunningUnderCi();

}  // namespace sunvale
