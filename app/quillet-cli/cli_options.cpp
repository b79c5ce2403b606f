#include "app/quillet-cli/cli_options.h"

#include <cstring>

#include "app/quillet-cli/cli_command.h"
#include "main/accounts.h"
#include "net/hosts.h"
#include "text/text_ops.h"

namespace quillet {

CliParse parse_cli_options(const std::vector<std::string>& argv) {
    CliParse result;
    CliOptions& o = result.options;
    bool options_end = false;
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        // The simulator command reads its own options.
        const bool to_command = options_end || (!o.command.empty() && o.command == "sandbox");
        if (to_command || arg.size() < 2 || arg[0] != '-') {
            if (o.command.empty())
                o.command = arg;
            else
                o.args.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_end = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            continue;
        }
        if (arg == "--json") {
            o.json = true;
            continue;
        }
        if (arg == "--verbose" || arg == "-v") {
            o.verbose = true;
            continue;
        }
        if (arg == "--sandbox") {
            o.sandbox = true;
            continue;
        }
        if (arg == "--yes") {
            o.yes = true;
            continue;
        }
        if (arg == "--all-accounts" || arg == "--show" || arg == "--remove") {
            (arg == "--all-accounts" ? o.all_accounts : arg == "--show" ? o.show : o.remove) = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--cookie-file" && name != "--config" && name != "--connect-to" &&
            name != "--input" && name != "--account" && name != "--ledger-file" &&
            name != "--notify-cmd" && name != "--days" && name != "--at") {
            result.error = "unknown option " + arg;
            return result;
        }
        if (!value) {
            if (i + 1 >= argv.size()) {
                result.error = name + " needs a value";
                return result;
            }
            value = argv[++i];
        }
        if (name == "--cookie-file") {
            o.cookie_file = *value;
        } else if (name == "--config") {
            o.config = *value;
        } else if (name == "--input") {
            o.input = *value;
        } else if (name == "--account") {
            if (!valid_account_name(*value)) {
                result.error = "--account takes a profile name, not " + *value;
                return result;
            }
            o.account = *value;
        } else if (name == "--ledger-file") {
            o.ledger_file = *value;
        } else if (name == "--notify-cmd") {
            o.notify_cmd = *value;
        } else if (name == "--days") {
            const int64_t days = value->size() <= 5 ? int_of_text(*value) : 0;
            if (days < 1 || std::to_string(days) != *value) {
                result.error = "--days takes a number of days (1 or more), not " + *value;
                return result;
            }
            o.days = static_cast<int>(days);
        } else if (name == "--at") {
            o.at = *value;
        } else {
            Routing check;
            if (!check.add(*value)) {
                result.error = "--connect-to takes HOST=ADDR:PORT, not " + *value;
                return result;
            }
            o.connect_to.push_back(*value);
        }
    }
    if (o.command.empty() && !o.help) result.error = "no command given";
    if (!result.error.empty()) return result;
    if (o.account && o.cookie_file)
        result.error = "--account and --cookie-file exclude each other";
    else if (o.all_accounts && (o.account || o.cookie_file))
        result.error = std::string("--all-accounts claims every profile: it excludes ") +
                       (o.account ? "--account" : "--cookie-file");
    else if (o.json && o.verbose)
        result.error =
            "--json and --verbose exclude each other (JSON carries every control "
            "change already)";
    return result;
}

namespace {

struct Contract {
    const char* name;
    const char* usage;
    const char* summary;
};

// The commands every build is meant to offer.
const Contract kContract[] = {
    {"version", "version", "check the running version against the vendor's version file"},
    {"info", "info", "show the account's QQ, CF and CF-VIP information"},
    {"claim", "claim", "claim every free gift on offer today (one-click claim)"},
    {"bind", "bind AREA_ID", "bind the account to another region"},
    {"scan", "scan", "list the regions in which the account has a role"},
    {"assets", "assets [1-4]", "list the weapon assets of one class"},
    {"spend", "spend", "show the consumption records of the last 7 days"},
    {"stats", "stats", "show the overall and today's war statistics"},
    {"ban", "ban", "show whether and until when the account is banned"},
    {"activities", "activities", "list the publisher's current activities"},
    {"vouchers", "vouchers", "show the voucher, 聚豆 and 帮豆 balances and offers"},
    {"cdk", "cdk KEY AREA_ID", "redeem a CDKEY in a region (the captcha's letters on stdin)"},
    {"sandbox", "sandbox [--port N]", "run the built-in simulator until interrupted"},
};

const CliCommand* registered(const char* name) {
    for (const CliCommand& c : cli_commands())
        if (std::strcmp(c.name, name) == 0) return &c;
    return nullptr;
}

void add_line(std::string& out, const std::string& usage, const std::string& summary) {
    std::string line = "  " + usage;
    if (line.size() < 28)
        line.resize(28, ' ');
    else
        line += "  ";
    out += line + summary + "\n";
}

}  // namespace

std::string cli_usage() {
    std::string out =
        "usage: quillet-cli [--cookie-file F | --account NAME] [--config F]\n"
        "                   [--connect-to HOST=ADDR:PORT]... [--json | --verbose] [--input TEXT]\n"
        "                   [--yes] [--sandbox] [--ledger-file F] [--notify-cmd CMD]\n"
        "                   COMMAND [ARGS]   (options may also follow the command)\n"
        "\n"
        "options:\n"
        "  --cookie-file F             sign in with the cookie text of a login kept in F\n"
        "  --config F                  the configuration file (default: quillet.cfg beside\n"
        "                              the program, else ~/.config/quillet/quillet.cfg)\n"
        "  --connect-to HOST=ADDR:PORT send HOST's connections to ADDR:PORT, keeping the\n"
        "                              Host header; \"*\" for every host; repeatable\n"
        "  --json                      one JSON object per line, control changes included\n"
        "  -v, --verbose               also print every control change the command makes\n"
        "  --input TEXT                the answer to an input box (else it is cancelled)\n"
        "  --yes                       answer confirmation boxes OK (else they are refused)\n"
        "  --sandbox                   start the built-in simulator and route every host\n"
        "                              to it; signs in with its account unless\n"
        "                              --cookie-file is given\n"
        "  --account NAME              sign in with the profile\n"
        "                              $XDG_CONFIG_HOME/quillet/accounts/NAME.cookie\n"
        "  --ledger-file F             the claim ledger (default: ledger.sqlite3 in\n"
        "                              $XDG_DATA_HOME/quillet)\n"
        "  --notify-cmd CMD            run CMD (sh -c) with each claim pass's summary as\n"
        "                              one JSON object on its standard input\n"
        "  -h, --help                  this text\n"
        "\n"
        "commands:\n";
    for (const Contract& c : kContract) {
        if (const CliCommand* cmd = registered(c.name))
            add_line(out, cmd->usage, cmd->summary);
        else
            add_line(out, c.usage, std::string(c.summary) + " (not in this build)");
    }
    for (const CliCommand& cmd : cli_commands()) {
        bool in_contract = false;
        for (const Contract& c : kContract)
            in_contract = in_contract || std::strcmp(c.name, cmd.name) == 0;
        if (!in_contract) add_line(out, cmd.usage, cmd.summary);
    }
    out +=
        "\n"
        "exit status: 0 the command did what was asked; 1 a request failed or the\n"
        "services refused it (the reason printed); 2 a usage error or a local problem\n"
        "(options, a cookie file or profile, an item not on offer, a configuration that\n"
        "cannot be written); 3 the QQ login has expired (sign in again); 130 / 143\n"
        "interrupted by SIGINT / SIGTERM (the work stops between two requests).\n";
    return out;
}

}  // namespace quillet
