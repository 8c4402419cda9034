#pragma once
// Debug log of the archive reader: one record per message, each appended to
// the log file with the time since the log was opened and the source line.
#include <cstdint>

namespace sunvale {

class RarLog {
public:
    // Creates (truncates) the log file once per process, or again after
    // SetPath; logging stays off when the file cannot be created.
    static void OpenOnce();
    // nullptr restores the default path; the next OpenOnce opens the new file.
    static void SetPath(const char* path);
    // Appends one record; printf-style message.
    static void Write(uint32_t line, const char* file, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
};

}  // namespace sunvale

// Logs a message from the current source line.
#define RAR_LOG(...) ::sunvale::RarLog::Write(__LINE__, __FILE__, __VA_ARGS__)
