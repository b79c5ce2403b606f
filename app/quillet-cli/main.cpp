// quillet-cli: the headless twin of the main window. Parses the options,
// builds the session (clock, HTTP client with its routing, host table with
// the configuration file's overrides, an in-memory cookie store), signs in
// from a cookie file or the simulator's account, and runs one command.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/cli_view.h"
#include "main/login.h"
#include "net/cookie_jar.h"
#include "net/hosts.h"
#include "net/http_client.h"
#include "sandbox/sandbox.h"
#include "session/config_location.h"
#include "session/session.h"
#include "text/clock.h"
#include "text/gbk.h"
#include "text/ini_file.h"
#include "text/text_ops.h"

namespace {

using namespace quillet;

int usage_error(const std::string& message) {
    std::fprintf(stderr, "quillet-cli: %s\nTry 'quillet-cli --help'.\n", message.c_str());
    return 2;
}

const CliCommand* find_command(const std::string& name) {
    for (const CliCommand& c : cli_commands())
        if (name == c.name) return &c;
    return nullptr;
}

CliOutput output_mode(bool json) {
    if (json) return CliOutput::Json;
    const char* term = std::getenv("TERM");
    const bool terminal = ::isatty(STDOUT_FILENO) == 1 && std::getenv("NO_COLOR") == nullptr &&
                          !(term != nullptr && std::strcmp(term, "dumb") == 0);
    return terminal ? CliOutput::Coloured : CliOutput::Plain;
}

std::optional<std::string> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

int run(int argc, char** argv) {
    const CliParse parsed = parse_cli_options(std::vector<std::string>(argv, argv + argc));
    if (!parsed.error.empty()) return usage_error(parsed.error);
    const CliOptions& o = parsed.options;
    if (o.help) {
        std::fputs(cli_usage().c_str(), stdout);
        return 0;
    }
    const CliCommand* command = find_command(o.command);
    if (command == nullptr) return usage_error("unknown command '" + o.command + "'");

    // The cookie file holds credentials: read it, never echo it.
    std::string cookies;
    if (o.cookie_file) {
        auto text = read_file(*o.cookie_file);
        if (!text) return usage_error("cannot read the cookie file " + *o.cookie_file);
        cookies = trim(*text);
        if (cookies.empty())
            std::fprintf(stderr, "quillet-cli: the cookie file %s holds no cookies\n",
                         o.cookie_file->c_str());
    }

    const std::filesystem::path config_path =
        o.config ? std::filesystem::path(*o.config) : default_config_path();
    HostTable hosts;
    hosts.load_overrides(IniFile(config_path));

    HttpOptions http_options;
    load_network_settings(http_options, IniFile(config_path));
    for (const std::string& rule : o.connect_to) http_options.routing.add(rule);

    // Declared before the session so that it outlives the session's jobs.
    std::unique_ptr<sandbox::Sandbox> simulator;
    if (o.sandbox) {
        simulator = std::make_unique<sandbox::Sandbox>();
        const int port = simulator->start(0);
        if (port <= 0) {
            std::fprintf(stderr, "quillet-cli: the simulator could not start\n");
            return 1;
        }
        http_options.routing.add(RouteRule{"*", "127.0.0.1", port});
        if (!o.cookie_file) cookies = simulator->account_cookie();
    }

    SystemClock clock;
    HttpClient http(std::move(http_options));
    MemoryCookieStore store;
    CliView view(stdout, output_mode(o.json));
    std::optional<std::string> input;
    if (o.input) input = utf8_to_gbk(*o.input);
    view.set_default_input(input);

    Session session(view, clock, http, std::move(hosts), store, config_path);
    session.state.config_path = config_path.string();
    sign_in_from_cookie_text(session, cookies);

    CliContext context{session, o.args, input, o.json};
    const int status = command->run(context);
    session.jobs.join_all();
    std::fflush(stdout);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    return run(argc, argv);
}
