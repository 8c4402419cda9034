// Parsing and checking of sunvale-capture's command line (see header).
#include "CaptureOptions.h"

#include <strings.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace sunvale {
namespace capture {

namespace {

constexpr int kMaxSide = 8192;        // pixels
constexpr double kMaxVideoFps = 240;  // whole frames per second
constexpr double kMaxSheetPixels = 64.0 * 1024 * 1024;

bool ParseDouble(const char* text, double* value)
{
    char* end = nullptr;
    errno = 0;
    *value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && std::isfinite(*value);
}

bool ParseInt(const char* text, int* value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < -1000000 || v > 1000000) return false;
    *value = static_cast<int>(v);
    return true;
}

// "WxH" with both sides 1 to kMaxSide.
bool ParseSize(const char* text, int* width, int* height)
{
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0') return false;
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool EndsWith(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    return text.size() > n && strcasecmp(text.c_str() + text.size() - n, suffix) == 0;
}

ParseResult Bad(std::string* error, const std::string& text)
{
    *error = text;
    return ParseResult::Bad;
}

// Checks that hold once every option is read.
ParseResult CheckCombination(CaptureOptions* o, bool timesGiven, bool crfGiven, bool everyGiven,
                             std::string* error)
{
    switch (o->mode) {
    case CaptureMode::None:
        return Bad(error,
                   "choose what to do: --tick T OUT.png, --video OUT, --sheet OUT or --timedemo");
    case CaptureMode::Timedemo:
        if (timesGiven || crfGiven || everyGiven || o->fixedMusic || o->fps != 60.0)
            return Bad(error, "--timedemo takes only --size and --json");
        if (o->width == 0) o->width = 800, o->height = 600;
        return ParseResult::Run;
    case CaptureMode::Frame:
        if (o->output.empty()) return Bad(error, "--tick needs an output file (OUT.png)");
        if (timesGiven || crfGiven || everyGiven)
            return Bad(error, "--from, --to, --crf and --every do not apply to --tick");
        if (o->width == 0) o->width = 800, o->height = 600;
        return ParseResult::Run;
    case CaptureMode::Video:
        if (!EndsWith(o->output, ".mp4") && !EndsWith(o->output, ".mkv"))
            return Bad(error, "--video needs a file name ending in .mp4 or .mkv");
        if (everyGiven || o->fixedMusic)
            return Bad(error, "--every and --music do not apply to --video");
        if (o->fps != std::floor(o->fps) || o->fps > kMaxVideoFps)
            return Bad(error, "--fps for --video needs a whole number from 1 to 240");
        if (o->width == 0) o->width = 1280, o->height = 720;
        if (o->width % 2 != 0 || o->height % 2 != 0)
            return Bad(error, "--size for --video needs an even width and height (4:2:0 video)");
        break;
    case CaptureMode::Sheet:
        if (crfGiven || o->fixedMusic)
            return Bad(error, "--crf and --music do not apply to --sheet");
        if (o->every * o->fps < 1.0)
            return Bad(error, "--every must be at least one frame (1 / fps seconds)");
        if (o->width == 0) o->width = 160, o->height = 120;
        // The whole sheet is held in memory: at most kMaxSheetPixels of frames.
        if ((o->to - o->from) / o->every * o->width * o->height > kMaxSheetPixels)
            return Bad(error, "--every and --size ask for a sheet of more than 64 megapixels");
        break;
    }
    if (o->from >= o->to) return Bad(error, "--from must be before --to");
    if (FrameAtOrAfter(o->from, o->fps) >= FrameAtOrAfter(o->to, o->fps))
        return Bad(error, "--from and --to hold no frame at this --fps");
    return ParseResult::Run;
}

}  // namespace

ParseResult ParseCaptureOptions(int argc, char** argv, CaptureOptions* o, std::string* error)
{
    bool timesGiven = false, crfGiven = false, everyGiven = false;
    auto setMode = [&](CaptureMode mode) {
        if (o->mode != CaptureMode::None && o->mode != mode) return false;
        o->mode = mode;
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto option = [&](const char* name) {
            return std::strcmp(arg, name) == 0 && value != nullptr && (++i, true);
        };
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            return ParseResult::Help;
        } else if (option("--tick")) {
            if (!setMode(CaptureMode::Frame))
                return Bad(error, "choose one of --tick, --video and --sheet");
            if (!ParseDouble(value, &o->tick) || o->tick < 0.0 || o->tick > 16100.0)
                return Bad(error, "--tick needs a number of ticks from 0 to 16100");
        } else if (option("--video") || option("--sheet")) {
            const bool video = std::strcmp(arg, "--video") == 0;
            if (!setMode(video ? CaptureMode::Video : CaptureMode::Sheet) || !o->output.empty())
                return Bad(error, "choose one of --tick, --video and --sheet, once");
            if (value[0] == '\0') return Bad(error, std::string(arg) + " needs a file name");
            o->output = value;
        } else if (!std::strcmp(arg, "--timedemo")) {
            if (!setMode(CaptureMode::Timedemo))
                return Bad(error, "--timedemo takes no tick, video or sheet, and no output file");
        } else if (option("--json")) {
            if (!setMode(CaptureMode::Timedemo) || !o->output.empty())
                return Bad(error, "--json goes with --timedemo, once");
            if (value[0] == '\0') return Bad(error, "--json needs a file name");
            o->output = value;
        } else if (option("--size")) {
            if (!ParseSize(value, &o->width, &o->height))
                return Bad(error, "--size needs WIDTHxHEIGHT, 1 to 8192 each");
        } else if (option("--fps")) {
            if (!ParseDouble(value, &o->fps) || o->fps < 1.0 || o->fps > 1000.0)
                return Bad(error, "--fps needs a number from 1 to 1000");
        } else if (option("--music")) {
            if (!ParseDouble(value, &o->music))
                return Bad(error, "--music needs a number of seconds");
            o->fixedMusic = true;
        } else if (option("--from")) {
            if (!ParseDouble(value, &o->from) || o->from < 0.0 || o->from >= kShowSeconds)
                return Bad(error, "--from needs seconds from 0 to below 273.7 (the show's end)");
            timesGiven = true;
        } else if (option("--to")) {
            if (!ParseDouble(value, &o->to) || o->to <= 0.0 || o->to > kShowSeconds)
                return Bad(error, "--to needs seconds above 0, at most 273.7 (the show's end)");
            timesGiven = true;
        } else if (option("--crf")) {
            if (!ParseInt(value, &o->crf) || o->crf < 0 || o->crf > 51)
                return Bad(error, "--crf needs a whole number from 0 (lossless) to 51");
            crfGiven = true;
        } else if (option("--every")) {
            if (!ParseDouble(value, &o->every) || o->every <= 0.0 || o->every > kShowSeconds)
                return Bad(error, "--every needs seconds above 0, at most 273.7");
            everyGiven = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return Bad(error, std::string("unknown option or missing value: ") + arg);
        } else if (o->output.empty() && o->mode != CaptureMode::Video &&
                   o->mode != CaptureMode::Sheet && o->mode != CaptureMode::Timedemo) {
            o->output = arg;
        } else {
            return Bad(error, std::string("unexpected argument: ") + arg);
        }
    }
    return CheckCombination(o, timesGiven, crfGiven, everyGiven, error);
}

void PrintUsage(std::FILE* out)
{
    std::fprintf(
        out,
        "usage: sunvale-capture --tick TICKS [--size WxH] [--fps N] [--music SECONDS] OUT.png\n"
        "       sunvale-capture --video OUT.mp4|OUT.mkv [--size WxH] [--fps N] [--from S]\n"
        "                       [--to S] [--crf Q]\n"
        "       sunvale-capture --sheet OUT.png [--every S] [--size WxH] [--fps N] [--from S]\n"
        "                       [--to S]\n"
        "       sunvale-capture --timedemo [--size WxH] [--json OUT.json]\n"
        "  Renders the show from data.rar in the working directory, offscreen, at a\n"
        "  fixed step of 1/N s of show time (every frame from the start: scenes keep\n"
        "  state from frame to frame).\n"
        "  --tick TICKS     write the frame at TICKS (17 ms each; the show runs 0..16100)\n"
        "  --video FILE     H.264 video with the music as AAC audio, MP4 or Matroska\n"
        "  --sheet FILE     contact sheet: one frame every --every seconds, with its time\n"
        "  --size WxH       frame size; default 800x600 (--tick), 1280x720 (--video),\n"
        "                   160x120 per cell (--sheet)\n"
        "  --fps N          frames per second of show time, default 60 (whole for --video)\n"
        "  --music SECONDS  --tick: music position for every frame; default: each frame's\n"
        "                   own time\n"
        "  --from S, --to S stretch of show time in seconds, default 0 to 273.7; frames\n"
        "                   before --from are drawn small and not kept\n"
        "  --crf Q          H.264 quality, 0 (lossless) to 51, default 18\n"
        "  --every S        seconds between contact sheet cells, default 4\n"
        "  --timedemo       render the whole show as fast as it goes at 60 steps per second\n"
        "                   and print frame times per timeline entry and the load time\n"
        "  --json FILE      --timedemo: also write its numbers as JSON\n"
        "Exit status: 0 done, 1 failed (no data.rar, no OpenGL, write error), 2 bad\n"
        "arguments, 130 or 143 ended by SIGINT or SIGTERM (a video keeps what was captured,\n"
        "a timedemo reports the frames drawn).\n");
}

int64_t FrameAtOrAfter(double seconds, double fps)
{
    const double exact = seconds * fps;
    const double nearest = std::round(exact);
    if (std::fabs(exact - nearest) < 1e-6) return static_cast<int64_t>(nearest);
    return static_cast<int64_t>(std::ceil(exact));
}

}  // namespace capture
}  // namespace sunvale
