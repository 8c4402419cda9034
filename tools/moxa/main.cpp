// moxa: archive and asset tool of the show. Dispatches to the registered
// sub-commands ("a", "l", "x", "p", "t", ...).
#include <cstdio>
#include <cstring>

#include "CommandRegistry.h"

namespace {

void PrintHelp(FILE* to)
{
    std::fprintf(to, "usage: moxa COMMAND [ARGS...]\n\ncommands:\n");
    int count = 0;
    const moxa::CommandInfo* commands = moxa::RegisteredCommands(&count);
    for (int i = 0; i < count; ++i)
        std::fprintf(to, "  %-8s %s\n           moxa %s\n", commands[i].name, commands[i].summary,
                     commands[i].usage);
    std::fprintf(to,
                 "\nexit status:\n"
                 "  0  success\n"
                 "  1  some entries failed or were kept (existing files), or the archive could\n"
                 "     not be read or written; an archive that is not rewritten is left as it was\n"
                 "  2  usage error (unknown command or switch, missing arguments)\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        PrintHelp(stdout);
        return 0;
    }
    int count = 0;
    const moxa::CommandInfo* commands = moxa::RegisteredCommands(&count);
    for (int i = 0; i < count; ++i)
        if (!std::strcmp(commands[i].name, argv[1])) return commands[i].run(argc - 1, argv + 1);
    std::fprintf(stderr, "moxa: unknown command '%s' (moxa --help lists the commands)\n", argv[1]);
    return 2;
}
