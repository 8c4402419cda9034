// Table of moxa's sub-commands, filled by the static registrations in each
// Cmd*.cpp before main runs.
#include "CommandRegistry.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace moxa {

namespace {

// Function-local so that registrations from any translation unit find it
// constructed, whatever the order of static initialisation.
std::vector<CommandInfo>& Commands()
{
    static std::vector<CommandInfo> commands;
    return commands;
}

}  // namespace

bool RegisterCommand(const CommandInfo& info)
{
    std::vector<CommandInfo>& commands = Commands();
    auto at = std::lower_bound(
        commands.begin(), commands.end(), info,
        [](const CommandInfo& a, const CommandInfo& b) { return std::strcmp(a.name, b.name) < 0; });
    commands.insert(at, info);
    return true;
}

const CommandInfo* RegisteredCommands(int* count)
{
    *count = static_cast<int>(Commands().size());
    return Commands().data();
}

}  // namespace moxa
