// Progress line on standard error (see header).
#include "ProgressBar.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace sunvale {
namespace capture {

namespace {

constexpr int kBarWidth = 20;         // characters
constexpr double kRateSeconds = 5.0;  // time constant of the smoothed rate

// "m:ss" or "h:mm:ss".
std::string FormatDuration(double seconds)
{
    if (seconds < 0) seconds = 0;
    const long s = std::lround(seconds);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

ProgressBar::ProgressBar(int64_t total)
    : total_(total < 1 ? 1 : total),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_),
      interactive_(isatty(STDERR_FILENO) == 1)
{}

void ProgressBar::Update(int64_t done)
{
    const auto now = std::chrono::steady_clock::now();
    const auto interval =
        interactive_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(10000);
    if (drawn_ && now - lastDraw_ < interval) return;
    const double dt = std::chrono::duration<double>(now - lastDraw_).count();
    if (dt > 0 && done > lastDone_) {
        const double rate = static_cast<double>(done - lastDone_) / dt;
        const double weight = dt / (kRateSeconds + dt);
        rate_ = rate_ > 0 ? rate_ + weight * (rate - rate_) : rate;
    }
    lastDraw_ = now;
    lastDone_ = done;
    Draw(done);
}

void ProgressBar::Finish(int64_t done)
{
    Draw(done);
    if (interactive_) std::fputc('\n', stderr);
}

double ProgressBar::Elapsed() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressBar::Draw(int64_t done)
{
    drawn_ = true;
    const double fraction = static_cast<double>(done) / static_cast<double>(total_);
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar(static_cast<size_t>(kBarWidth), '-');
    for (int i = 0; i < filled && i < kBarWidth; ++i) bar[static_cast<size_t>(i)] = '#';
    const double elapsed = Elapsed();
    const std::string left =
        rate_ > 0 ? FormatDuration(static_cast<double>(total_ - done) / rate_) : "?";
    std::fprintf(stderr, "%s[%s] %3d%%  frame %lld/%lld  %s elapsed  %s left%s",
                 interactive_ ? "\r" : "", bar.c_str(), static_cast<int>(fraction * 100.0),
                 static_cast<long long>(done), static_cast<long long>(total_),
                 FormatDuration(elapsed).c_str(), left.c_str(), interactive_ ? " " : "\n");
    std::fflush(stderr);
}

}  // namespace capture
}  // namespace sunvale
