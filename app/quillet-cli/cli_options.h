#pragma once
// The command line of quillet-cli: COMMAND and its arguments, with the options
// before or after them ("--" ends the options); the simulator command reads
// the options that follow it itself ("sandbox --port N").
#include <optional>
#include <string>
#include <vector>

namespace quillet {

struct CliOptions {
    std::optional<std::string> cookie_file;
    std::optional<std::string> config;
    std::vector<std::string> connect_to;  // "HOST=ADDR:PORT", checked
    bool json = false;
    bool verbose = false;              // control changes in plain output too
    std::optional<std::string> input;  // UTF-8, as typed
    bool sandbox = false;
    bool yes = false;                        // confirmation boxes answered OK (else refused)
    std::optional<std::string> account;      // a profile: accounts/NAME.cookie
    std::optional<std::string> ledger_file;  // else the data folder's ledger.sqlite3
    std::optional<std::string> notify_cmd;   // handed each pass's summary
    // Options of single commands: claim --all-accounts, history --days N,
    // schedule --at HH:MM | --show | --remove.
    bool all_accounts = false;
    std::optional<int> days;
    std::optional<std::string> at;
    bool show = false;
    bool remove = false;
    bool help = false;
    std::string command;  // empty with help
    std::vector<std::string> args;
};

struct CliParse {
    CliOptions options;
    std::string error;  // a usage error when not empty
};

// argv[0] is the program; options take their value as the next argument or
// after "=" ("--config=F").
CliParse parse_cli_options(const std::vector<std::string>& argv);

// The usage text: the options and every command, one line each.
std::string cli_usage();

}  // namespace quillet
