// The show's display: the chosen video mode, the window's OpenGL context and
// its capabilities, plus the two drawing operations of the display layer that
// scenes use (the loading bar and the letterbox bars).
//
// One global instance, g_displaySettings. Open/CreateContext run on the worker
// thread that then owns the context; Close runs on the user-interface thread
// after the worker has ended. An offscreen context (OffscreenContext) uses the
// same object with no window: presenting is then only glFlush/glFinish.
#pragma once

#include <cstdint>

#include "app/DisplayMode.h"

struct SDL_Window;

namespace sunvale {

class DisplaySettings {
public:
    DisplaySettings() = default;
    DisplaySettings(const DisplaySettings&) = delete;
    DisplaySettings& operator=(const DisplaySettings&) = delete;

    // Stores the window, applies the chosen mode and creates the context.
    // 1 on success, 0 when a context step failed (its message was shown).
    int Open(SDL_Window* window);

    // 1: switch to the chosen mode (fullscreen); 0: back to the desktop mode.
    int ApplyMode(int change);

    // Creates the window's GL context, makes it current on the calling thread
    // and sets the initial state. Each failing step shows its own message.
    int CreateContext(SDL_Window* window, int width, int height, int bits);

    // glViewport(0, 0, width, height); a height of 0 counts as 1.
    void SetViewport(int width, int height);

    // Steps shared by window and offscreen contexts once a context is current:
    // viewport, initial GL state, extension capabilities.
    void InitContextState(int width, int height);

    // Leaves fullscreen when it was entered, releases the context.
    void Close();

    // Loading bar in an 800 x 600 space, presented at once.
    // fraction: 0..1 of the bar filled.
    void ShowProgress(float fraction);

    // Two black bars of amount * 50 units at top and bottom of a
    // width x height space. Leaves blending, depth test off... see .cpp.
    void DrawLetterbox(float amount, int width, int height);

    // glFlush, glFinish, buffer swap (windowed context only), then clear of
    // colour and depth.
    void PresentFrame();

    // Chosen mode's width / height, the aspect ratio scenes use.
    float AspectRatio() const;

    SDL_Window* deviceContext = nullptr;  // drawable of the context; null while closed
    void* renderingContext = nullptr;     // SDL_GLContext; null while closed
    int pixelFormat = 0;                  // colour bits granted by the system
    int textureUnits = 0;
    int generalCombiners = 0;
    int shaderPath = 1;
    int shaderObjects = 1;
    int pbuffer = 1;
    int renderTexture = 1;
    int fullscreen = 0;
    SDL_Window* window = nullptr;
    DisplayMode mode;

    // Called by PresentFrame in place of the buffer swap when there is no
    // window (offscreen): the frame is complete and not yet cleared.
    void (*offscreenPresent)(void* user) = nullptr;
    void* offscreenPresentUser = nullptr;

private:
    bool modeSwitched_ = false;
};

extern DisplaySettings g_displaySettings;

// Right edge of the loading bar's filled part: fraction * 600 + 100 from the
// single-precision fraction without intermediate rounding, truncated toward
// zero (0.11f gives 165: the exact 165.99999964 would round to 166 in float).
int ProgressBarRight(float fraction);

// Asks SDL for the show's pixel format (RGB, no alpha, double buffered, depth 16 or
// more, stencil 8, colour size from bits). Must run before the window is
// created; the colour size of the first call is kept for the process.
int RequestPixelFormat(int bits);

}  // namespace sunvale
