#pragma once
// The command table of quillet-cli. Each command file registers its commands
// with QUILLET_CLI_COMMAND; the main program parses the options, builds the
// session and runs the command.
#include <optional>
#include <string>
#include <vector>

namespace quillet {

struct Session;
class Application;
struct CliOptions;

struct CliContext {
    Application& app;
    Session& session;
    std::vector<std::string> args;     // the command's arguments (as typed, UTF-8)
    std::optional<std::string> input;  // --input TEXT, GBK; answers the input box
    bool json = false;
    const CliOptions* options = nullptr;  // every global option, when the caller gives them
};

struct CliCommand {
    const char* name;
    const char* usage;    // "bind AREA_ID"
    const char* summary;  // one line for --help
    // Exit status: 0 ran, 1 the account could not be initialised (or the
    // command's work could not start: no catalogue, version not accepted),
    // 2 a usage error or a local problem (options, files), 3 the QQ login has
    // expired.
    int (*run)(CliContext&);
    // Signs an account in: needs a cookie file (or --sandbox's demo account).
    bool account = true;
    // Writes the cookie file or profile (--cookie-file, --account) rather
    // than signing in with it.
    bool writes_login = false;
};

bool register_cli_command(const CliCommand& command);
const std::vector<CliCommand>& cli_commands();

}  // namespace quillet

#define QUILLET_CLI_CONCAT2(a, b) a##b
#define QUILLET_CLI_CONCAT(a, b) QUILLET_CLI_CONCAT2(a, b)
#define QUILLET_CLI_COMMAND(...)                                              \
    static const bool QUILLET_CLI_CONCAT(quillet_cli_registered_, __LINE__) = \
        ::quillet::register_cli_command(::quillet::CliCommand{__VA_ARGS__})
