// Running moxa and other command-line tools from the tests: the exit status
// and everything the command printed, standard error included unless asked
// to leave it out.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace moxatest {

struct Result {
    int status = -1;
    std::string out;  // standard output and standard error
};

inline Result RunShell(const std::string& command, bool withErrors = true)
{
    Result r;
    FILE* pipe = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!pipe) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

// A path in single quotes for the shell (the tests' folders hold no quote).
inline std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

}  // namespace moxatest
