// Offscreen rendering of the show for captures and tests (see header).
#include "app/OffscreenShow.h"

#include <GL/gl.h>
#include <png.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/DisplaySettings.h"
#include "app/ErrorBox.h"
#include "app/MusicPosition.h"
#include "app/Random.h"
#include "app/Schedule.h"

namespace sunvale {

namespace {

std::atomic<float> g_musicSeconds{0.0f};
float SetMusicSeconds() { return g_musicSeconds.load(); }

void PrintError(const char* text) { std::fprintf(stderr, "sunvale: %s\n", text); }

}  // namespace

OffscreenShow::~OffscreenShow()
{
    // Scenes release their textures, which needs the context.
    if (open_) {
        context_.MakeCurrent();
        timeline.DestroyScenes();
        SetMusicPositionSource(nullptr);
        SetErrorBoxHandler(nullptr);
    }
}

bool OffscreenShow::Open(int width, int height, std::string* error)
{
    if (!context_.Create(width, height)) {
        if (error) *error = context_.Error();
        return false;
    }
    g_displaySettings.mode.pelsWidth = static_cast<uint32_t>(width);
    g_displaySettings.mode.pelsHeight = static_cast<uint32_t>(height);
    g_displaySettings.mode.bitsPerPel = 32;
    g_displaySettings.fullscreen = 0;
    g_displaySettings.deviceContext = nullptr;
    g_displaySettings.InitContextState(width, height);
    SetErrorBoxHandler(&PrintError);
    SetMusicPositionSource(&SetMusicSeconds);
    open_ = true;
    return true;
}

bool OffscreenShow::OpenDraft(int width, int height, std::string* error)
{
    if (!open_) {
        if (error) *error = "the offscreen show is not open";
        return false;
    }
    if (!context_.CreateDraftTarget(width, height)) {
        if (error) *error = context_.Error();
        return false;
    }
    return true;
}

bool OffscreenShow::SetDrafting(bool drafting)
{
    if (!context_.UseDraftTarget(drafting)) return false;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}

void OffscreenShow::Load()
{
    srand(static_cast<uint32_t>(rand() % 32767));
    BuildSchedule(timeline, nullptr);
    // The load step ends with cleared buffers, like the last loading bar.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void OffscreenShow::DrawFrame(float t, float musicSeconds)
{
    g_musicSeconds.store(musicSeconds);
    timeline.Update(t);
}

void OffscreenShow::EndFrame() { g_displaySettings.PresentFrame(); }

float OffscreenShow::FrameTicks(int64_t index, double framesPerSecond)
{
    return static_cast<float>(static_cast<double>(index) * (1000.0 / framesPerSecond) / 17.0);
}

void OffscreenShow::DraftSize(int width, int height, int* draftWidth, int* draftHeight)
{
    constexpr int kDraftWidth = 64;
    if (width <= kDraftWidth || height <= 0) {
        *draftWidth = width;
        *draftHeight = height;
        return;
    }
    *draftWidth = kDraftWidth;
    const int64_t h = (int64_t{height} * kDraftWidth + width / 2) / width;
    *draftHeight = h < 1 ? 1 : static_cast<int>(h);
}

// The frame buffer has no alpha channel (it reads 255), so it is dropped.
bool WritePngRgb(const char* path, const std::vector<uint8_t>& rgba, int width, int height,
                 std::string* error)
{
    if (width <= 0 || height <= 0 || rgba.size() < static_cast<size_t>(width) * height * 4) {
        if (error) *error = "no pixels to write";
        return false;
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, n = rgb.size() / 3; i < n; ++i) std::memcpy(&rgb[i * 3], &rgba[i * 4], 3);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr)) {
        if (error) *error = std::string("cannot write ") + path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

}  // namespace sunvale
