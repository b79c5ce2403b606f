#include "app/quillet-cli/cli_command.h"

#include <cstring>

namespace quillet {

namespace {

// Built on first use: the command files register from their static
// initialisers, in whatever order the linker runs them.
std::vector<CliCommand>& table() {
    static std::vector<CliCommand> commands;
    return commands;
}

}  // namespace

bool register_cli_command(const CliCommand& command) {
    if (command.name == nullptr || command.run == nullptr) return false;
    for (const CliCommand& c : table())
        if (std::strcmp(c.name, command.name) == 0) return false;  // the first one stays
    table().push_back(command);
    return true;
}

const std::vector<CliCommand>& cli_commands() {
    return table();
}

}  // namespace quillet
