// Window context, video mode and the two display-layer drawings (see header).
#include "app/DisplaySettings.h"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>
#include <SDL.h>

#include "app/ErrorBox.h"
#include "app/ExtensionLoader.h"

namespace sunvale {

namespace {

// The pixel format the show asks for, kept for the whole process. The colour
// depth is taken from the mode of the first context creation only.
struct PixelFormatRequest {
    bool colourBitsSet = false;
    int colourBits = 0;
    int depthBits = 16;
    int stencilBits = 8;
};
PixelFormatRequest g_pixelFormat;

void* SdlProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }
void* EglProcAddress(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

// The window system's extension string of the current context: EGL's when
// an EGL context is current (offscreen), else GLX's.
const char* WindowSystemExtensions()
{
    if (eglGetCurrentContext() != EGL_NO_CONTEXT)
        return eglQueryString(eglGetCurrentDisplay(), EGL_EXTENSIONS);
    Display* display = glXGetCurrentDisplay();
    if (!display) return nullptr;
    return glXQueryExtensionsString(display, DefaultScreen(display));
}

}  // namespace

// Sets the SDL attributes for the pixel format: RGB without alpha, double buffered, at
// least 16 bits of depth and 8 of stencil, colour size from the mode. Called
// before the window exists, since X11 fixes the visual at window creation.
int RequestPixelFormat(int bits)
{
    if (!g_pixelFormat.colourBitsSet) {
        g_pixelFormat.colourBits = bits;
        g_pixelFormat.colourBitsSet = true;
    }
    const int channel = g_pixelFormat.colourBits > 16 ? 8 : 5;
    int failures = 0;
    failures += SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel) != 0;
    failures += SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel) != 0;
    failures += SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel) != 0;
    // No alpha channel: blending by destination alpha reads 1.
    failures += SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0) != 0;
    failures += SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1) != 0;
    failures += SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, g_pixelFormat.depthBits) != 0;
    failures += SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, g_pixelFormat.stencilBits) != 0;
    failures +=
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY) != 0;
    return failures == 0 ? 1 : 0;
}

int DisplaySettings::Open(SDL_Window* newWindow)
{
    window = newWindow;
    ApplyMode(fullscreen);
    return CreateContext(window, static_cast<int>(mode.pelsWidth),
                         static_cast<int>(mode.pelsHeight), static_cast<int>(mode.bitsPerPel));
}

// The window was created on the user-interface thread with the chosen mode as
// its fullscreen mode (SDL changes window modes only there); entering is then
// already done and SDL returns at once. Leaving restores the desktop's mode.
int DisplaySettings::ApplyMode(int change)
{
    if (!window) return 0;
    if (change) {
        modeSwitched_ = true;
        return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0 ? 1 : 0;
    }
    if (!modeSwitched_) return 1;
    modeSwitched_ = false;
    return SDL_SetWindowFullscreen(window, 0) == 0 ? 1 : 0;
}

int DisplaySettings::CreateContext(SDL_Window* target, int width, int height, int bits)
{
    if (!g_pixelFormat.colourBitsSet) {
        g_pixelFormat.colourBits = bits;
        g_pixelFormat.colourBitsSet = true;
    }
    if (!target) {
        ShowError("DeviceContext Create Error");
        return 0;
    }
    deviceContext = target;
    if (!RequestPixelFormat(bits)) {
        ShowError("PixelFormat Create Error");
        return 0;
    }
    if (!(SDL_GetWindowFlags(target) & SDL_WINDOW_OPENGL)) {
        ShowError("PixelFormat Set Error");
        return 0;
    }
    SDL_GLContext context = SDL_GL_CreateContext(target);
    if (!context) {
        ShowError("OpenGL DeviceContext Create Error");
        return 0;
    }
    renderingContext = context;
    if (SDL_GL_MakeCurrent(target, context) != 0) {
        ShowError("OpenGL DeviceContext Current Set Error");
        return 0;
    }
    int redBits = 0, greenBits = 0, blueBits = 0, alphaBits = 0;
    SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &redBits);
    SDL_GL_GetAttribute(SDL_GL_GREEN_SIZE, &greenBits);
    SDL_GL_GetAttribute(SDL_GL_BLUE_SIZE, &blueBits);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &alphaBits);
    pixelFormat = redBits + greenBits + blueBits + alphaBits;
    // Without vsync the show still runs, just faster than the display.
    SDL_GL_SetSwapInterval(1);

    // The drawable can differ from the mode (HiDPI, or a refused switch):
    // the viewport covers what is really there.
    int drawableWidth = width, drawableHeight = height;
    SDL_GL_GetDrawableSize(target, &drawableWidth, &drawableHeight);
    if (drawableWidth <= 0) drawableWidth = width;
    InitContextState(drawableWidth, drawableHeight);
    return 1;
}

void DisplaySettings::SetViewport(int width, int height)
{
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
}

void DisplaySettings::InitContextState(int width, int height)
{
    SetViewport(width, height);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    ExtensionLoader loader(deviceContext ? SdlProcAddress : EglProcAddress, WindowSystemExtensions);
    textureUnits = loader.LoadMultitexture();
    if (!loader.LoadShaderObjects()) {
        shaderObjects = 0;
        shaderPath = 0;
    }
    loader.LoadSecondaryColor();
    loader.HasSeparateSpecularColor();
    generalCombiners = loader.LoadRegisterCombiners();
    if (!loader.HasTextureRectangle()) shaderPath = 0;
    if (!loader.LoadVertexProgram()) shaderPath = 0;
    if (!loader.LoadPbuffer()) pbuffer = 0;
    if (!loader.LoadRenderTexture()) renderTexture = 0;
}

void DisplaySettings::Close()
{
    if (fullscreen) ApplyMode(0);
    if (renderingContext) {
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(renderingContext));
        renderingContext = nullptr;
    }
    deviceContext = nullptr;
}

// A float times 600 plus 100 is exact in double (24 + 10 significant bits),
// so the only rounding is the truncation.
int ProgressBarRight(float fraction)
{
    return static_cast<int>(static_cast<double>(fraction) * 600.0 + 100.0);
}

void DisplaySettings::ShowProgress(float fraction)
{
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor3f(1.0f, 1.0f, 1.0f);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, 800.0, 600.0, 0.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glLineWidth(2.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2i(95, 285);
    glVertex2i(705, 285);
    glVertex2i(705, 315);
    glVertex2i(95, 315);
    glEnd();

    const int x = ProgressBarRight(fraction);
    glLineWidth(1.0f);
    glBegin(GL_QUADS);
    glVertex2i(100, 290);
    glVertex2i(x, 290);
    glVertex2i(x, 310);
    glVertex2i(100, 310);
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    PresentFrame();
}

// Leaves blending and 2D texturing disabled, texture 0 bound, the depth test
// enabled, the current colour black and the matrix mode at modelview.
void DisplaySettings::DrawLetterbox(float amount, int width, int height)
{
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor3f(0.0f, 0.0f, 0.0f);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    const float h = amount * 50.0f;
    const int top = static_cast<int>(h);
    const int bottom = static_cast<int>(static_cast<float>(height) - h);
    glBegin(GL_QUADS);
    glVertex2i(0, 0);
    glVertex2i(width, 0);
    glVertex2i(width, top);
    glVertex2i(0, top);
    glVertex2i(0, bottom);
    glVertex2i(width, bottom);
    glVertex2i(width, height);
    glVertex2i(0, height);
    glEnd();

    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void DisplaySettings::PresentFrame()
{
    glFlush();
    glFinish();
    if (deviceContext)
        SDL_GL_SwapWindow(deviceContext);
    else if (offscreenPresent)
        offscreenPresent(offscreenPresentUser);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

float DisplaySettings::AspectRatio() const
{
    if (mode.pelsHeight == 0) return 1.0f;
    return static_cast<float>(mode.pelsWidth) / static_cast<float>(mode.pelsHeight);
}

}  // namespace sunvale
