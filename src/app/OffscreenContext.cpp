// EGL surfaceless context on Mesa plus a framebuffer object (see header).
// eglGetDisplay(EGL_DEFAULT_DISPLAY) is never used: without an X server it
// fails, while the surfaceless platform works everywhere Mesa does.
#include "app/OffscreenContext.h"

#include <cstdlib>
#include <cstring>

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

namespace sunvale {

namespace {

// Framebuffer-object entry points, fetched through EGL: the GL 1.1 headers of
// the show declare none of them.
struct FboProcs {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
};

bool LoadFboProcs(FboProcs& p)
{
    p.genFramebuffers =
        reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(eglGetProcAddress("glGenFramebuffers"));
    p.bindFramebuffer =
        reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(eglGetProcAddress("glBindFramebuffer"));
    p.deleteFramebuffers =
        reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(eglGetProcAddress("glDeleteFramebuffers"));
    p.genRenderbuffers =
        reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(eglGetProcAddress("glGenRenderbuffers"));
    p.bindRenderbuffer =
        reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(eglGetProcAddress("glBindRenderbuffer"));
    p.deleteRenderbuffers =
        reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(eglGetProcAddress("glDeleteRenderbuffers"));
    p.renderbufferStorage =
        reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(eglGetProcAddress("glRenderbufferStorage"));
    p.framebufferRenderbuffer = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(
        eglGetProcAddress("glFramebufferRenderbuffer"));
    p.checkFramebufferStatus = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(
        eglGetProcAddress("glCheckFramebufferStatus"));
    return p.genFramebuffers && p.bindFramebuffer && p.deleteFramebuffers && p.genRenderbuffers &&
           p.bindRenderbuffer && p.deleteRenderbuffers && p.renderbufferStorage &&
           p.framebufferRenderbuffer && p.checkFramebufferStatus;
}

// One framebuffer of width x height: RGB8 colour without alpha, as in the
// window's pixel format (blending by destination alpha, the scanline noise's
// GL_DST_ALPHA, then reads 1, not whatever earlier clears and draws left in
// an alpha channel), and packed depth/stencil. Left bound. false when it is
// incomplete; the names made are returned either way for deletion.
bool CreateTarget(const FboProcs& p, int width, int height, unsigned* fbo, unsigned* colour,
                  unsigned* depthStencil)
{
    p.genFramebuffers(1, fbo);
    p.bindFramebuffer(GL_FRAMEBUFFER, *fbo);
    p.genRenderbuffers(1, colour);
    p.bindRenderbuffer(GL_RENDERBUFFER, *colour);
    p.renderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    p.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, *colour);
    p.genRenderbuffers(1, depthStencil);
    p.bindRenderbuffer(GL_RENDERBUFFER, *depthStencil);
    p.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    p.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              *depthStencil);
    return p.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void DeleteTarget(const FboProcs& p, unsigned* fbo, unsigned* colour, unsigned* depthStencil)
{
    if (*fbo) p.deleteFramebuffers(1, fbo);
    if (*colour) p.deleteRenderbuffers(1, colour);
    if (*depthStencil) p.deleteRenderbuffers(1, depthStencil);
    *fbo = *colour = *depthStencil = 0;
}

EGLDisplay OpenSurfacelessDisplay()
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

}  // namespace

OffscreenContext::~OffscreenContext() { Destroy(); }

bool OffscreenContext::Create(int width, int height)
{
    Destroy();
    if (width <= 0 || height <= 0) {
        error_ = "offscreen size must be positive";
        return false;
    }
    EGLDisplay dpy = OpenSurfacelessDisplay();
    if (dpy == EGL_NO_DISPLAY) {
        error_ = "no EGL surfaceless display (is Mesa's libegl-mesa0 installed?)";
        return false;
    }
    if (!eglInitialize(dpy, nullptr, nullptr)) {
        error_ = "eglInitialize failed";
        return false;
    }
    display_ = dpy;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = "EGL has no desktop OpenGL";
        Destroy();
        return false;
    }
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                    EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint numConfigs = 0;
    if (!eglChooseConfig(dpy, configAttribs, &config, 1, &numConfigs) || numConfigs < 1)
        config = nullptr;
    const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext ctx = eglCreateContext(dpy, config, EGL_NO_CONTEXT, contextAttribs);
    if (ctx == EGL_NO_CONTEXT) {
        error_ = "eglCreateContext failed for a compatibility-profile OpenGL context";
        Destroy();
        return false;
    }
    context_ = ctx;
    if (!eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx)) {
        error_ = "eglMakeCurrent without a surface failed";
        Destroy();
        return false;
    }
    FboProcs p;
    if (!LoadFboProcs(p)) {
        error_ = "framebuffer objects are not available";
        Destroy();
        return false;
    }
    width_ = width;
    height_ = height;
    if (!CreateTarget(p, width, height, &fbo_, &colour_, &depthStencil_)) {
        error_ = "the offscreen framebuffer is incomplete";
        Destroy();
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    return true;
}

void OffscreenContext::Destroy()
{
    if (!display_) return;
    EGLDisplay dpy = static_cast<EGLDisplay>(display_);
    if (context_) {
        if (fbo_ || colour_ || depthStencil_ || draftFbo_ || draftColour_ || draftDepthStencil_) {
            eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, static_cast<EGLContext>(context_));
            FboProcs p;
            if (LoadFboProcs(p)) {
                p.bindFramebuffer(GL_FRAMEBUFFER, 0);
                DeleteTarget(p, &fbo_, &colour_, &depthStencil_);
                DeleteTarget(p, &draftFbo_, &draftColour_, &draftDepthStencil_);
            }
        }
        eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(dpy, static_cast<EGLContext>(context_));
    }
    eglTerminate(dpy);
    display_ = nullptr;
    context_ = nullptr;
    fbo_ = colour_ = depthStencil_ = 0;
    draftFbo_ = draftColour_ = draftDepthStencil_ = 0;
    width_ = height_ = draftWidth_ = draftHeight_ = 0;
    drafting_ = false;
}

bool OffscreenContext::MakeCurrent()
{
    if (!display_ || !context_) return false;
    return eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                          static_cast<EGLContext>(context_)) == EGL_TRUE;
}

bool OffscreenContext::CreateDraftTarget(int width, int height)
{
    if (!context_ || !fbo_) {
        error_ = "no offscreen context to add a draft framebuffer to";
        return false;
    }
    if (width <= 0 || height <= 0) {
        error_ = "draft framebuffer size must be positive";
        return false;
    }
    FboProcs p;
    if (!LoadFboProcs(p)) {
        error_ = "framebuffer objects are not available";
        return false;
    }
    UseDraftTarget(false);
    DeleteTarget(p, &draftFbo_, &draftColour_, &draftDepthStencil_);
    const bool complete =
        CreateTarget(p, width, height, &draftFbo_, &draftColour_, &draftDepthStencil_);
    if (complete) {
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        draftWidth_ = width;
        draftHeight_ = height;
    } else {
        DeleteTarget(p, &draftFbo_, &draftColour_, &draftDepthStencil_);
        error_ = "the draft framebuffer is incomplete";
    }
    p.bindFramebuffer(GL_FRAMEBUFFER, fbo_);
    return complete;
}

bool OffscreenContext::UseDraftTarget(bool draft)
{
    if (draft && !draftFbo_) return false;
    if (!fbo_) return false;
    FboProcs p;
    if (!LoadFboProcs(p)) return false;
    drafting_ = draft;
    p.bindFramebuffer(GL_FRAMEBUFFER, draft ? draftFbo_ : fbo_);
    glViewport(0, 0, Width(), Height());
    return true;
}

std::vector<uint8_t> OffscreenContext::ReadPixels() const
{
    const int width = Width(), height = Height();
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    if (pixels.empty()) return pixels;
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> bottomUp(pixels.size());
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
        std::memcpy(&pixels[y * row], &bottomUp[(height - 1 - y) * row], row);
    return pixels;
}

uint32_t OffscreenContext::PixelAt(int x, int y) const
{
    const int width = Width(), height = Height();
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    uint8_t rgba[4] = {0, 0, 0, 0};
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return (uint32_t{rgba[0]} << 24) | (uint32_t{rgba[1]} << 16) | (uint32_t{rgba[2]} << 8) |
           rgba[3];
}

bool RunningUnderCi()
{
    const char* ci = std::getenv("CI");
    return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

}  // namespace sunvale
