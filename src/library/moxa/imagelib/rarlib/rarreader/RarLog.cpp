// Debug log of the archive reader. The file is created on the first
// extraction; every record opens it for appending and closes it again, so
// the log survives a crash right after the message.
#include "library/moxa/imagelib/rarlib/rarreader/RarLog.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace sunvale {

namespace {

constexpr const char* kDefaultLogPath = "/temp/debug_unrar.txt";

struct LogState {
    std::string path = kDefaultLogPath;
    bool opened = false;   // OpenOnce has run for this path
    bool enabled = false;  // the file could be created
    uint32_t startMs = 0;
};

LogState gLog;

// Monotonic millisecond counter, unsigned 32-bit like the system tick count.
uint32_t TickCount()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

void RarLog::OpenOnce()
{
    if (gLog.opened) return;
    gLog.opened = true;
    std::FILE* f = std::fopen(gLog.path.c_str(), "w");
    if (!f) return;
    gLog.enabled = true;
    gLog.startMs = TickCount();
    std::fprintf(f, "Sunvale archive reader - debug log\n");
    std::fprintf(f, "(executable compiled on %s at %s)\n\n", __DATE__, __TIME__);
    std::fclose(f);
}

void RarLog::SetPath(const char* path)
{
    gLog.path = path ? path : kDefaultLogPath;
    gLog.opened = false;
    gLog.enabled = false;
}

void RarLog::Write(uint32_t line, const char* file, const char* format, ...)
{
    if (!gLog.enabled) return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::vector<char> text(length > 0 ? size_t(length) + 1 : 1, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);

    std::FILE* f = std::fopen(gLog.path.c_str(), "at");
    if (!f) return;  // a record whose file cannot be opened is dropped
    std::fprintf(f, " %8u ms (line %u in %s):\n              - %s\n", TickCount() - gLog.startMs,
                 line, file, text.data());
    std::fclose(f);
}

}  // namespace sunvale
