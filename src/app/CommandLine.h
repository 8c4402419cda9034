// The show's command line, in the usual GNU form: long options with their
// value after '=' or as the next argument, -h and -V as short forms. Every
// option is optional; without any the show starts with its dialog.
#pragma once

#include <cstdio>
#include <string>

#include "app/DisplayMode.h"

namespace sunvale {

struct ShowOptions {
    std::string dataPath;   // --data; empty: search the usual places
    int fullscreen = -1;    // --fullscreen 1, --windowed 0; -1 not given
    DisplayMode mode;       // --mode; pelsWidth 0 when not given, bitsPerPel 0 when left open
    int mixingRate = 0;     // --rate: 16000, 22050 or 44100; 0 when not given
    bool noDialog = false;  // --no-dialog
};

enum class CommandLineResult {
    Run,      // start the show with the options
    Help,     // --help: print the usage, exit 0
    Version,  // --version: print the version, exit 0
    Error,    // bad option or value: print the reason and the usage, exit 2
};

// Parses argv[1..argc-1] into *options. On Error, *error holds one line
// without the program name, e.g. "unknown option '--fast'".
CommandLineResult ParseCommandLine(int argc, char** argv, ShowOptions* options, std::string* error);

// Parses "WxH" or "WxHxBITS" (BITS 16, 24 or 32; sizes 1 to 16384).
bool ParseModeText(const char* text, DisplayMode* mode);

void PrintUsage(std::FILE* to);
void PrintVersion(std::FILE* to);

// Exit statuses of the show's executable besides 0 and the dialog's -1.
constexpr int kExitStartFailure = 1;  // no usable data, a refused mode
constexpr int kExitUsage = 2;         // bad command line

}  // namespace sunvale
