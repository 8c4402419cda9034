// Parsing the show's command line with getopt_long; the library's own
// messages are switched off so that every refusal reads the same way.
#include "app/CommandLine.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifndef SUNVALE_VERSION
#define SUNVALE_VERSION "unknown"
#endif

namespace sunvale {

namespace {

constexpr long kMaxModeSide = 16384;  // pixels; larger than any display

enum OptionId : int {
    kOptData = 1000,
    kOptWindowed,
    kOptFullscreen,
    kOptMode,
    kOptRate,
    kOptNoDialog,
};

constexpr option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"data", required_argument, nullptr, kOptData},
    {"windowed", no_argument, nullptr, kOptWindowed},
    {"fullscreen", no_argument, nullptr, kOptFullscreen},
    {"mode", required_argument, nullptr, kOptMode},
    {"rate", required_argument, nullptr, kOptRate},
    {"no-dialog", no_argument, nullptr, kOptNoDialog},
    {nullptr, 0, nullptr, 0},
};

// A decimal number of at most a few digits, without sign or spaces, that
// ends at *end. Returns -1 when there is none.
long ReadNumber(const char* text, const char** end)
{
    if (*text < '0' || *text > '9') return -1;
    errno = 0;
    char* stop = nullptr;
    const long value = std::strtol(text, &stop, 10);
    if (errno != 0) return -1;
    *end = stop;
    return value;
}

bool ParseRate(const char* text, int* rate)
{
    for (int candidate : {16000, 22050, 44100}) {
        if (std::strcmp(text, std::to_string(candidate).c_str()) == 0) {
            *rate = candidate;
            return true;
        }
    }
    return false;
}

// The text of the option getopt_long stopped at, for messages.
std::string OffendingOption(char** argv, int index)
{
    const char* arg = argv[index];
    const char* equals = std::strchr(arg, '=');
    return equals ? std::string(arg, equals) : std::string(arg);
}

}  // namespace

bool ParseModeText(const char* text, DisplayMode* mode)
{
    const char* p = text;
    const long width = ReadNumber(p, &p);
    if (width < 1 || width > kMaxModeSide || *p != 'x') return false;
    const long height = ReadNumber(p + 1, &p);
    if (height < 1 || height > kMaxModeSide) return false;
    long bits = 0;
    if (*p == 'x') {
        bits = ReadNumber(p + 1, &p);
        if (bits != 16 && bits != 24 && bits != 32) return false;
    }
    if (*p != '\0') return false;
    mode->pelsWidth = static_cast<uint32_t>(width);
    mode->pelsHeight = static_cast<uint32_t>(height);
    mode->bitsPerPel = static_cast<uint32_t>(bits);
    mode->displayFrequency = 0;
    return true;
}

CommandLineResult ParseCommandLine(int argc, char** argv, ShowOptions* options, std::string* error)
{
    *options = ShowOptions();
    error->clear();
    // 0 restarts glibc's scanner from scratch, so that parsing can run more
    // than once in a process. The leading ':' reports a missing value apart
    // from an unknown option; the '+' stops at the first operand.
    optind = 0;
    opterr = 0;
    bool help = false;
    bool version = false;
    for (;;) {
        const int previous = optind ? optind : 1;
        const int c = getopt_long(argc, argv, "+:hV", kLongOptions, nullptr);
        if (c == -1) break;
        switch (c) {
        case 'h':
            help = true;
            break;
        case 'V':
            version = true;
            break;
        case kOptData:
            if (*optarg == '\0') {
                *error = "--data needs a file name";
                return CommandLineResult::Error;
            }
            options->dataPath = optarg;
            break;
        case kOptWindowed:
            options->fullscreen = 0;
            break;
        case kOptFullscreen:
            options->fullscreen = 1;
            break;
        case kOptMode:
            if (!ParseModeText(optarg, &options->mode)) {
                *error = std::string("invalid --mode '") + optarg +
                         "' (expected WIDTHxHEIGHT or WIDTHxHEIGHTxBITS, BITS 16, 24 or 32)";
                return CommandLineResult::Error;
            }
            break;
        case kOptRate:
            if (!ParseRate(optarg, &options->mixingRate)) {
                *error =
                    std::string("invalid --rate '") + optarg + "' (expected 44100, 22050 or 16000)";
                return CommandLineResult::Error;
            }
            break;
        case kOptNoDialog:
            options->noDialog = true;
            break;
        case ':':
            *error = "option '" + OffendingOption(argv, previous) + "' needs a value";
            return CommandLineResult::Error;
        default: {
            const bool longForm = std::strncmp(argv[previous], "--", 2) == 0;
            if (longForm && optopt != 0 && std::strchr(argv[previous], '='))
                *error = "option '" + OffendingOption(argv, previous) + "' takes no value";
            else if (longForm)
                *error = "unknown option '" + OffendingOption(argv, previous) + "'";
            else
                *error = std::string("unknown option '-") + static_cast<char>(optopt) + "'";
            return CommandLineResult::Error;
        }
        }
    }
    if (optind < argc) {
        *error = std::string("unexpected argument '") + argv[optind] + "'";
        return CommandLineResult::Error;
    }
    if (help) return CommandLineResult::Help;
    if (version) return CommandLineResult::Version;
    return CommandLineResult::Run;
}

void PrintUsage(std::FILE* to)
{
    std::fputs(
        "Usage: sunvale [OPTION]...\n"
        "Plays the real-time show Zentrope - Sunvale. Without options a small dialog\n"
        "asks for the screen mode, video mode and mixing rate first; the options\n"
        "below preselect its choices, or replace it with --no-dialog.\n"
        "\n"
        "  -h, --help           show this help and exit\n"
        "  -V, --version        show the version and exit\n"
        "      --data=PATH      read the show's data from PATH instead of searching\n"
        "                       ./data.rar, data.rar next to the program and the\n"
        "                       installed data folder, in that order\n"
        "      --windowed       show in a window\n"
        "      --fullscreen     show fullscreen (the dialog's default)\n"
        "      --mode=WxH[xBITS]\n"
        "                       video mode, e.g. 800x600 or 1024x768x32; fullscreen\n"
        "                       needs a mode the display offers, a window any size\n"
        "      --rate=HZ        sound mixing rate: 44100 (default), 22050 or 16000\n"
        "      --no-dialog      start at once with the given or the default choices\n"
        "\n"
        "Escape ends the show. Exit status: 0 after the show, 1 when the data or the\n"
        "mode cannot be used, 2 for a bad command line, 255 when the dialog is\n"
        "cancelled.\n",
        to);
}

void PrintVersion(std::FILE* to) { std::fprintf(to, "sunvale %s\n", SUNVALE_VERSION); }

}  // namespace sunvale
