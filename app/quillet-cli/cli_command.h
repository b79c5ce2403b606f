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
    const char* command = "";             // the command's name
    // Set once the command has told of an interruption itself (the claim
    // pass's summary does); else the program's closing line tells it.
    bool interruption_told = false;
};

struct CliCommand {
    const char* name;
    const char* usage;    // "bind AREA_ID"
    const char* summary;  // one line for --help
    // Exit status: 0 ran, 1 a request failed or the services refused it
    // (the reason printed), 2 a usage error or a local problem (options,
    // files, profiles), 3 the QQ login has expired; 130 / 143 when SIGINT /
    // SIGTERM stopped it (see cli_interrupt.h).
    int (*run)(CliContext&);
    // Signs an account in: needs a cookie file (or --sandbox's demo account).
    bool account = true;
    // Sends requests to the services (the vendor's host among them): the
    // ledger, the profiles, the configuration and the timer need none.
    bool requests = true;
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
