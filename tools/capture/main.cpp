// sunvale-capture: renders the show offscreen at a fixed step of show time
// and writes one frame as a PNG, a video with the music, or a contact sheet.
// Scenes keep per-frame state, so every frame from the start is drawn; frames
// before the wanted stretch go to a small framebuffer of the same aspect
// ratio, where they cost little to fill.
//
//   sunvale-capture --tick 10300 --size 800x600 frame.png
//   sunvale-capture --video show.mp4 --size 640x360
//   sunvale-capture --sheet sheet.png
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "CaptureOptions.h"
#include "ContactSheet.h"
#include "MusicTrack.h"
#include "PendingFile.h"
#include "ProgressBar.h"
#include "Timedemo.h"
#include "VideoWriter.h"
#include "app/DataLocation.h"
#include "app/OffscreenShow.h"

namespace {

using namespace sunvale;
using namespace sunvale::capture;

constexpr int kSampleRate = 44100;  // Hz: the show's default mixing rate
constexpr const char* kMusicEntry = "data/music/marmalux.mp3";

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signal) { g_stopSignal = signal; }

// SIGINT and SIGTERM end a capture between two frames; an oversized file
// (RLIMIT_FSIZE) is a write error to report, not a reason to die.
void InstallSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

// 128 + signal number, as a shell reports a process ended by it.
int SignalExitStatus() { return 128 + static_cast<int>(g_stopSignal); }

int Fail(const std::string& message)
{
    std::fprintf(stderr, "sunvale-capture: %s\n", message.c_str());
    return 1;
}

// Opens the show at width x height with a draft framebuffer for skipped
// frames, and loads it.
bool OpenShow(OffscreenShow* show, int width, int height, std::string* error)
{
    if (!show->Open(width, height, error)) {
        *error = "no offscreen OpenGL context: " + *error;
        return false;
    }
    int draftWidth = 0, draftHeight = 0;
    OffscreenShow::DraftSize(width, height, &draftWidth, &draftHeight);
    if (!show->OpenDraft(draftWidth, draftHeight, error)) {
        *error = "no draft framebuffer: " + *error;
        return false;
    }
    std::fprintf(stderr, "Loading the show...\n");
    show->Load();
    return true;
}

// Draws the frame of show time t with the music where a perfect clock puts it.
void DrawAt(OffscreenShow* show, float t) { show->DrawFrame(t, OffscreenShow::MusicSecondsAt(t)); }

int RunFrame(const CaptureOptions& o, PendingFile* file)
{
    OffscreenShow show;
    std::string error;
    if (!OpenShow(&show, o.width, o.height, &error)) return Fail(error);
    // The reference path: every frame at full size, then the asked-for tick
    // exactly, whether or not it falls on the step.
    show.SetDrafting(false);
    const float target = static_cast<float>(o.tick);
    int64_t before = 0;
    while (OffscreenShow::FrameTicks(before, o.fps) < target) ++before;
    ProgressBar progress(before + 1);
    for (int64_t k = 0; k < before; ++k) {
        if (g_stopSignal) return SignalExitStatus();
        const float t = OffscreenShow::FrameTicks(k, o.fps);
        show.DrawFrame(
            t, o.fixedMusic ? static_cast<float>(o.music) : OffscreenShow::MusicSecondsAt(t));
        show.EndFrame();
        progress.Update(k + 1);
    }
    show.DrawFrame(
        target, o.fixedMusic ? static_cast<float>(o.music) : OffscreenShow::MusicSecondsAt(target));
    progress.Finish(before + 1);
    if (!WritePngRgb(file->TempPath().c_str(), show.ReadPixels(), o.width, o.height, &error) ||
        !file->Commit(&error))
        return Fail(error);
    std::printf("%s: %dx%d, tick %.2f\n", o.output.c_str(), o.width, o.height, o.tick);
    return 0;
}

// First audio sample of video frame n: floor(n * rate / fps).
int64_t SampleOfFrame(int64_t frame, int fps) { return frame * kSampleRate / fps; }

int RunVideo(const CaptureOptions& o, PendingFile* file)
{
    const int fps = static_cast<int>(o.fps);
    const int64_t first = FrameAtOrAfter(o.from, fps), end = FrameAtOrAfter(o.to, fps);
    OffscreenShow show;
    std::string error;
    if (!OpenShow(&show, o.width, o.height, &error)) return Fail(error);
    MusicTrack music;
    if (!music.Open(kShowArchiveName, kMusicEntry, kSampleRate, &error))
        std::fprintf(stderr, "sunvale-capture: %s; the audio track is silent\n", error.c_str());
    music.Skip(SampleOfFrame(first, fps));

    VideoWriter writer;
    VideoSettings settings;
    settings.width = o.width;
    settings.height = o.height;
    settings.fps = fps;
    settings.crf = o.crf;
    settings.sampleRate = kSampleRate;
    if (!writer.Open(file->TempPath(), o.output, settings, &error)) return Fail(error);

    std::vector<int16_t> samples;
    ProgressBar progress(end);
    show.SetDrafting(first > 0);
    double skipSeconds = 0.0;  // spent on the frames before --from
    int64_t n = 0;
    for (; n < end && !g_stopSignal; ++n) {
        if (n == first) {
            show.SetDrafting(false);
            skipSeconds = progress.Elapsed();
        }
        DrawAt(&show, OffscreenShow::FrameTicks(n, fps));
        if (n >= first) {
            const std::vector<uint8_t> pixels = show.ReadPixels();
            const int64_t count = SampleOfFrame(n + 1, fps) - SampleOfFrame(n, fps);
            samples.resize(static_cast<size_t>(count) * 2);
            music.Mix(samples.data(), static_cast<int>(count));
            if (!writer.WriteVideoFrame(pixels.data(), &error) ||
                !writer.WriteAudio(samples.data(), static_cast<int>(count), &error))
                return Fail(error);
        }
        show.EndFrame();
        progress.Update(n + 1);
    }
    progress.Finish(n);
    const int64_t captured = n > first ? n - first : 0;
    if (g_stopSignal && captured == 0) return SignalExitStatus();
    if (!writer.Finish(&error) || !file->Commit(&error)) return Fail(error);
    // Capture speed: frames drawn, read back and encoded per second of wall
    // time, after the skipped ones (drawn small, not encoded).
    const double total = progress.Elapsed();
    const double captureSeconds = total - skipSeconds;
    std::printf(
        "%s: %dx%d at %d fps, %lld frames (%.3f s from %.3f s), %s and AAC\n"
        "  %.1f s in all: %lld frames skipped in %.1f s (%.0f frames/s), "
        "%lld captured in %.1f s (%.1f frames/s)\n",
        o.output.c_str(), o.width, o.height, fps, static_cast<long long>(captured),
        static_cast<double>(captured) / fps, static_cast<double>(first) / fps,
        writer.VideoEncoderName(), total, static_cast<long long>(first), skipSeconds,
        skipSeconds > 0 ? static_cast<double>(first) / skipSeconds : 0.0,
        static_cast<long long>(captured), captureSeconds,
        captureSeconds > 0 ? static_cast<double>(captured) / captureSeconds : 0.0);
    if (g_stopSignal) {
        std::fprintf(stderr, "sunvale-capture: stopped by signal %d; kept %lld frames\n",
                     static_cast<int>(g_stopSignal), static_cast<long long>(captured));
        return SignalExitStatus();
    }
    return 0;
}

int RunSheet(const CaptureOptions& o, PendingFile* file)
{
    // Cell i shows the first frame at or after from + i * every.
    const int64_t end = FrameAtOrAfter(o.to, o.fps);
    std::vector<int64_t> cellFrames;
    for (int64_t i = 0;; ++i) {
        const int64_t frame = FrameAtOrAfter(o.from + static_cast<double>(i) * o.every, o.fps);
        if (frame >= end) break;
        if (cellFrames.empty() || frame > cellFrames.back()) cellFrames.push_back(frame);
    }
    OffscreenShow show;
    std::string error;
    if (!OpenShow(&show, o.width, o.height, &error)) return Fail(error);
    ContactSheet sheet(static_cast<int>(cellFrames.size()), o.width, o.height);
    const int64_t last = cellFrames.back();
    ProgressBar progress(last + 1);
    size_t cell = 0;
    show.SetDrafting(true);
    for (int64_t n = 0; n <= last; ++n) {
        if (g_stopSignal) return SignalExitStatus();
        const bool wanted = n == cellFrames[cell];
        if (wanted) show.SetDrafting(false);
        DrawAt(&show, OffscreenShow::FrameTicks(n, o.fps));
        if (wanted) {
            sheet.Place(static_cast<int>(cell), show.ReadPixels(), static_cast<double>(n) / o.fps);
            ++cell;
        }
        // The frame ends (and its framebuffer is cleared) before the switch:
        // the next frame drawn at full size must start from a cleared one.
        show.EndFrame();
        if (wanted) show.SetDrafting(true);
        progress.Update(n + 1);
    }
    progress.Finish(last + 1);
    if (!WritePngRgb(file->TempPath().c_str(), sheet.Pixels(), sheet.Width(), sheet.Height(),
                     &error) ||
        !file->Commit(&error))
        return Fail(error);
    std::printf("%s: %zu cells of %dx%d in %d columns, %dx%d, %.1f s\n", o.output.c_str(),
                cellFrames.size(), o.width, o.height, sheet.Columns(), sheet.Width(),
                sheet.Height(), progress.Elapsed());
    return 0;
}

// Whether data.rar is in the working directory; says why not when it isn't.
bool HaveShowData()
{
    std::string reason;
    if (CheckShowArchive(kShowArchiveName, &reason)) return true;
    Fail(std::string("no show data: ") + kShowArchiveName + " in the working directory: " + reason +
         " (run from the folder that holds it, such as the build folder)");
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    CaptureOptions options;
    std::string error;
    switch (ParseCaptureOptions(argc, argv, &options, &error)) {
    case ParseResult::Help:
        PrintUsage(stdout);
        return 0;
    case ParseResult::Bad:
        std::fprintf(stderr, "sunvale-capture: %s (see --help)\n", error.c_str());
        return 2;
    case ParseResult::Run:
        break;
    }
    // The timedemo handles its own signals and writes its JSON at the end.
    if (options.mode == CaptureMode::Timedemo) {
        if (!HaveShowData()) return 1;
        return RunTimedemo(options.width, options.height,
                           options.output.empty() ? nullptr : options.output.c_str());
    }
    PendingFile file;
    if (!file.Reserve(options.output, &error)) {
        std::fprintf(stderr, "sunvale-capture: %s\n", error.c_str());
        return 2;
    }
    if (!HaveShowData()) return 1;
    InstallSignalHandlers();
    switch (options.mode) {
    case CaptureMode::Frame:
        return RunFrame(options, &file);
    case CaptureMode::Video:
        return RunVideo(options, &file);
    case CaptureMode::Sheet:
        return RunSheet(options, &file);
    case CaptureMode::Timedemo:
    case CaptureMode::None:
        break;
    }
    return 2;
}
