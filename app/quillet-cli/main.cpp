// quillet-cli: the headless twin of the main window. Parses the options, lets
// the application object build the session (configuration, hosts, routing,
// the simulator, the sign-in from a cookie file) over a printing view and an
// in-memory cookie store, and runs one command.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_interrupt.h"
#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/cli_view.h"
#include "main/application.h"
#include "net/cookie_jar.h"
#include "net/hosts.h"
#include "platform/console.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/ini_file.h"

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
    const bool terminal = platform::is_terminal(platform::Stream::Out) &&
                          std::getenv("NO_COLOR") == nullptr &&
                          !(term != nullptr && std::strcmp(term, "dumb") == 0);
    return terminal ? CliOutput::Coloured : CliOutput::Plain;
}

// Settings that make a real run fail later, told as one line each on stderr
// (the command still runs: the rest may work, and the user sees why not).
void warn_about_setup(const Application& app, const CliCommand& command) {
    for (const SetupWarning& w : app.setup_warnings()) {
        // Only a command that sends requests needs the vendor's host.
        if (w.kind == SetupWarning::Kind::PlaceholderVendorHost && !command.requests) continue;
        std::fprintf(stderr, "quillet-cli: warning: %s\n", w.text.c_str());
    }
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

    // What a real run needs, said before any request.
    if (command->account && !o.cookie_file && !o.sandbox && !o.account && !o.all_accounts) {
        std::fprintf(stderr,
                     "quillet-cli: %s signs in with the cookie text of a QQ login: give it with "
                     "--cookie-file F (README, \"Signing in\", tells how to get one; `quillet "
                     "--save-login F` writes one), or try --sandbox\n",
                     command->name);
        return 2;
    }

    // The simulator's command waits for the signals itself; the commands
    // that only read or write local files end at once.
    std::optional<InterruptWatch> interrupts;
    if (command->requests) interrupts.emplace();

    MemoryCookieStore store;
    CliView view(stdout, output_mode(o.json), o.verbose);
    std::optional<std::string> input;
    if (o.input) input = utf8_to_gbk(*o.input);
    view.set_default_input(input);
    view.set_default_confirm(o.yes);

    AppOptions options;
    if (!command->writes_login) {
        options.cookie_file = o.cookie_file;
        options.account = o.account;
    }
    options.config = o.config;
    options.connect_to = o.connect_to;
    options.sandbox = o.sandbox;
    Application app(view, store);
    std::string error;
    bool bad_options = false;
    if (!app.start(options, error, &bad_options)) {
        if (bad_options) {  // a local problem, not the machine's
            std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
            return 2;
        }
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }

    if (interrupts) interrupts->stop_jobs_of(&app.session().jobs);
    warn_about_setup(app, *command);
    // Progress lines go to a terminal only, never into a file or a pipe; an
    // interruption tells how far the work got.
    const bool terminal = platform::is_terminal(platform::Stream::Err);
    if (terminal) view.set_progress_stream(stderr);
    app.session().progress = [&view, terminal](int done, int total) {
        note_progress(done, total);
        if (terminal) view.show_progress(done, total);
    };

    CliContext context{app, app.session(), o.args, input, o.json, &o, command->name};
    int status = command->run(context);
    app.stop_jobs();
    if (interrupts) interrupts->stop_jobs_of(nullptr);  // the runner goes with app
    if (const int sig = interrupt_signal(); sig != 0) {
        if (!context.interruption_told)
            std::fprintf(stderr, "%s\n", interrupted_line(command->name).c_str());
        status = interrupted_status();
    }
    std::fflush(stdout);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    quillet::platform::prepare_console();
    return run(argc, argv);
}
