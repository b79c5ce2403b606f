// quillet-cli sandbox [--port N]: the built-in simulator, served until the user
// stops it, for pointing quillet-cli (or a browser) at by hand.
#include <cstdio>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "sandbox/sandbox.h"
#include "sandbox/serve.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

constexpr const char* kUsage =
    "usage: quillet-cli sandbox [--port N] [--cookie-file F]  (N: 1-65535, or 0 for a free "
    "port)\n"
    "Serves the simulated services on 127.0.0.1 until SIGINT or SIGTERM; --cookie-file F\n"
    "writes the demo account's login cookies to F (mode 0600) for --cookie-file runs.\n";

int usage(const std::string& why) {
    std::fprintf(stderr, "quillet-cli sandbox: %s\n%s", why.c_str(), kUsage);
    return 2;
}

int run_sandbox(CliContext& ctx) {
    sandbox::ServeOptions options;
    options.scenario = sandbox::default_scenario_dir();
    options.tls_port = 0;  // the login pages over HTTPS, for `quillet-cli login`
    const auto& a = ctx.args;
    for (size_t i = 0; i < a.size(); ++i) {
        if ((a[i] == "--port" || a[i] == "--cookie-file") && i + 1 >= a.size())
            return usage(a[i] + " needs a value");
        if (a[i] == "--help" || a[i] == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a[i] == "--port") {
            const std::string& text = a[++i];
            options.port = port_of_text(text);
            if (options.port < 0) return usage("--port takes a port number, not '" + text + "'");
        } else if (a[i] == "--cookie-file") {
            options.cookie_file = a[++i];
        } else {
            return usage("unknown argument '" + a[i] + "'");
        }
    }
    options.json = ctx.json;
    return sandbox::serve_until_stopped(options);
}

}  // namespace

QUILLET_CLI_COMMAND("sandbox", "sandbox [--port N] [--cookie-file F]",
                    "run the built-in simulator on 127.0.0.1 until interrupted", run_sandbox, false,
                    false);

}  // namespace quillet
