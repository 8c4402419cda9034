// Offscreen rendering of the show for captures and tests (see header).
#include "app/OffscreenShow.h"

#include <GL/gl.h>
#include <png.h>

#include <atomic>
#include <cstdio>
#include <memory>

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

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

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

bool WritePngRgb(const char* path, const std::vector<uint8_t>& rgba, int width, int height, std::string* error)
{
    if (width <= 0 || height <= 0 || rgba.size() < static_cast<size_t>(width) * height * 4) {
        if (error) *error = "no pixels to write";
        return false;
    }
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "wb"));
    if (!file) {
        if (error) *error = std::string("cannot create ") + path;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        if (error) *error = "out of memory";
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (error) *error = std::string("cannot write ") + path;
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = &rgba[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x) {
            row[x * 3] = source[x * 4];
            row[x * 3 + 1] = source[x * 4 + 1];
            row[x * 3 + 2] = source[x * 4 + 2];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace sunvale
