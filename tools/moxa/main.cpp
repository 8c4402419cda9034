// moxa: archive and asset tool of the show. Dispatches to the registered
// sub-commands ("a", "l", "x", "p", "t", ...). A build may hold only some
// commands and hand the others to a companion executable in its own folder
// (MOXA_DELEGATE), which takes the same arguments.
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "CommandRegistry.h"
#include "InterruptCleanup.h"

namespace {

// Lists the commands this executable holds.
void PrintCommands(FILE* to)
{
    int count = 0;
    const moxa::CommandInfo* commands = moxa::RegisteredCommands(&count);
    for (int i = 0; i < count; ++i)
        std::fprintf(to, "  %-8s %s\n           moxa %s\n", commands[i].name, commands[i].summary,
                     commands[i].usage);
}

#ifdef MOXA_DELEGATE
// The companion's path: beside this executable.
std::string DelegatePath()
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return MOXA_DELEGATE;
    std::string path(self, size_t(n));
    const size_t slash = path.rfind('/');
    return path.substr(0, slash + 1) + MOXA_DELEGATE;
}

// Runs the companion with `argv` in place of this process; returns only when
// it cannot be run.
void RunDelegate(char** argv)
{
    const std::string path = DelegatePath();
    argv[0] = const_cast<char*>(path.c_str());
    execv(path.c_str(), argv);
}

// The companion's command list, appended to this one's.
void PrintDelegateCommands(FILE* to)
{
    std::fflush(to);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(to), STDOUT_FILENO);
        char list[] = "--commands";
        char* args[] = {nullptr, list, nullptr};
        RunDelegate(args);
        _exit(127);
    }
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
}
#endif

void PrintHelp(FILE* to)
{
    std::fprintf(to, "usage: moxa COMMAND [ARGS...]\n\ncommands:\n");
    PrintCommands(to);
#ifdef MOXA_DELEGATE
    PrintDelegateCommands(to);
#endif
    std::fprintf(to,
                 "\nexit status:\n"
                 "  0  success\n"
                 "  1  some entries failed or were kept (existing files), or the archive could\n"
                 "     not be read or written; an archive that is not rewritten is left as it was\n"
                 "  2  usage error (unknown command or switch, missing arguments)\n"
                 "  130, 143  interrupted by SIGINT or SIGTERM; the file being written is\n"
                 "     removed\n");
}

}  // namespace

int main(int argc, char** argv)
{
    // SIGINT/SIGTERM remove what was being written, then end the run (130/143).
    sunvale::InstallInterruptCleanup();
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        PrintHelp(stdout);
        return 0;
    }
    if (!std::strcmp(argv[1], "--commands")) {
        PrintCommands(stdout);
        return 0;
    }
    int count = 0;
    const moxa::CommandInfo* commands = moxa::RegisteredCommands(&count);
    for (int i = 0; i < count; ++i)
        if (!std::strcmp(commands[i].name, argv[1])) return commands[i].run(argc - 1, argv + 1);
#ifdef MOXA_DELEGATE
    RunDelegate(argv);
#endif
    std::fprintf(stderr, "moxa: unknown command '%s' (moxa --help lists the commands)\n", argv[1]);
    return 2;
}
