// moxa's sub-commands register themselves here, one Cmd*.cpp file each, so
// that a new command is one new file.
#pragma once

namespace moxa {

// argv[0] is the command's own name; returns the process exit status.
using CommandFn = int (*)(int argc, char** argv);

struct CommandInfo {
    const char* name;     // "a", "l", "image", ...
    const char* usage;    // "a [-m0..-m5] [-s] [-mm|-mm-] ARCHIVE FILE|FOLDER..."
    const char* summary;  // one line for --help
    CommandFn run;
};

bool RegisterCommand(const CommandInfo& info);

// Registered commands in name order; count receives their number.
const CommandInfo* RegisteredCommands(int* count);

}  // namespace moxa

#define MOXA_REGISTER_COMMAND(ident, name, usage, summary, fn) \
    static const bool ident = ::moxa::RegisterCommand(::moxa::CommandInfo{name, usage, summary, fn})
