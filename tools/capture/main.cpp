// sunvale-capture: renders the show offscreen and writes the frame at a given
// tick as a PNG. Scenes keep per-frame state, so every frame from the start
// is drawn at a fixed step up to the one asked for; only that one is written.
//
//   sunvale-capture --tick 10300 --size 800x600 frame.png
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Timedemo.h"
#include "app/OffscreenShow.h"

namespace {

void Usage(FILE* out)
{
    std::fprintf(
        out,
        "usage: sunvale-capture --tick TICKS [--size WxH] [--fps N] [--music SECONDS] OUT.png\n"
        "       sunvale-capture --timedemo [--size WxH] [--json OUT.json]\n"
        "  Renders the show from data.rar in the working directory and writes the\n"
        "  frame at TICKS (17 ms each; the show runs 0..16100).\n"
        "  --size WxH       frame size, default 800x600\n"
        "  --fps N          frames drawn per second of show time before it, default 60\n"
        "  --music SECONDS  music position for every frame; default: each frame's own time\n"
        "  --timedemo       render the whole show as fast as it goes at 60 steps per second\n"
        "                   and print frame times per timeline entry and the load time;\n"
        "                   Ctrl-C stops it early and reports the frames drawn so far\n"
        "  --json OUT.json  with --timedemo: also write the numbers as JSON\n");
}

bool ParseFloat(const char* text, double* value)
{
    char* end = nullptr;
    errno = 0;
    *value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && std::isfinite(*value);
}

bool ParseSize(const char* text, int* width, int* height)
{
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0') return false;
    if (w < 1 || h < 1 || w > 8192 || h > 8192) return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    double tick = -1.0, fps = 60.0, music = 0.0;
    bool fixedMusic = false;
    int width = 800, height = 600;
    const char* out = nullptr;
    bool timedemo = false;
    const char* json = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            Usage(stdout);
            return 0;
        } else if (!std::strcmp(arg, "--tick") && hasValue) {
            if (!ParseFloat(argv[++i], &tick) || tick < 0.0) {
                std::fprintf(stderr, "sunvale-capture: --tick needs a number of ticks >= 0\n");
                return 2;
            }
        } else if (!std::strcmp(arg, "--size") && hasValue) {
            if (!ParseSize(argv[++i], &width, &height)) {
                std::fprintf(stderr,
                             "sunvale-capture: --size needs WIDTHxHEIGHT, 1 to 8192 each\n");
                return 2;
            }
        } else if (!std::strcmp(arg, "--fps") && hasValue) {
            if (!ParseFloat(argv[++i], &fps) || fps < 1.0 || fps > 1000.0) {
                std::fprintf(stderr, "sunvale-capture: --fps needs a number from 1 to 1000\n");
                return 2;
            }
        } else if (!std::strcmp(arg, "--music") && hasValue) {
            if (!ParseFloat(argv[++i], &music)) {
                std::fprintf(stderr, "sunvale-capture: --music needs a number of seconds\n");
                return 2;
            }
            fixedMusic = true;
        } else if (!std::strcmp(arg, "--timedemo")) {
            timedemo = true;
        } else if (!std::strcmp(arg, "--json") && hasValue) {
            json = argv[++i];
        } else if (arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "sunvale-capture: unknown or incomplete option %s\n", arg);
            Usage(stderr);
            return 2;
        } else if (!out) {
            out = arg;
        } else {
            std::fprintf(stderr, "sunvale-capture: more than one output file\n");
            return 2;
        }
    }
    if (timedemo) {
        if (tick >= 0.0 || out) {
            std::fprintf(stderr, "sunvale-capture: --timedemo takes no tick and no output file\n");
            return 2;
        }
        return sunvale::RunTimedemo(width, height, json);
    }
    if (json) {
        std::fprintf(stderr, "sunvale-capture: --json needs --timedemo\n");
        return 2;
    }
    if (tick < 0.0 || !out) {
        Usage(stderr);
        return 2;
    }

    sunvale::OffscreenShow show;
    std::string error;
    if (!show.Open(width, height, &error)) {
        std::fprintf(stderr, "sunvale-capture: no offscreen OpenGL context: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "Loading the show...\n");
    show.Load();

    const float target = static_cast<float>(tick);
    int64_t frames = 0;
    int lastPercent = -1;
    for (int64_t k = 0;; ++k) {
        const float t = sunvale::OffscreenShow::FrameTicks(k, fps);
        if (t >= target) break;
        show.DrawFrame(t, fixedMusic ? static_cast<float>(music) : t * 0.017f);
        show.EndFrame();
        ++frames;
        const int percent = static_cast<int>(100.0 * t / target);
        if (percent / 5 != lastPercent / 5) {
            lastPercent = percent;
            std::fprintf(stderr, "\rRendering %3d%% (frame %lld)", percent,
                         static_cast<long long>(frames));
        }
    }
    show.DrawFrame(target, fixedMusic ? static_cast<float>(music) : target * 0.017f);
    const std::vector<uint8_t> pixels = show.ReadPixels();
    std::fprintf(stderr, "\rRendered %lld frames before tick %.2f\n",
                 static_cast<long long>(frames), tick);
    if (!sunvale::WritePngRgb(out, pixels, width, height, &error)) {
        std::fprintf(stderr, "sunvale-capture: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %dx%d, tick %.2f\n", out, width, height, tick);
    return 0;
}
