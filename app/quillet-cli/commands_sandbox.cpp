// quillet-cli sandbox [--port N]: the built-in simulator, served until the user
// stops it, for pointing quillet-cli (or a browser) at by hand.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "sandbox/sandbox.h"
#include "sandbox/serve.h"

namespace quillet {
namespace {

int usage(const std::string& why) {
    std::fprintf(stderr,
                 "quillet-cli sandbox: %s\nusage: quillet-cli sandbox [--port N] "
                 "[--cookie-file F]  (N: 1-65535, or 0 for a free port)\n",
                 why.c_str());
    return 2;
}

int run_sandbox(CliContext& ctx) {
    sandbox::ServeOptions options;
    options.scenario = sandbox::default_scenario_dir();
    const auto& a = ctx.args;
    for (size_t i = 0; i < a.size(); ++i) {
        if ((a[i] == "--port" || a[i] == "--cookie-file") && i + 1 >= a.size())
            return usage(a[i] + " needs a value");
        if (a[i] == "--port") {
            const std::string& text = a[++i];
            const bool digits = !text.empty() && text.size() <= 5 &&
                                text.find_first_not_of("0123456789") == std::string::npos;
            const long v = digits ? std::strtol(text.c_str(), nullptr, 10) : -1;
            if (v < 0 || v > 65535) return usage("--port takes a port number, not '" + text + "'");
            options.port = static_cast<int>(v);
        } else if (a[i] == "--cookie-file") {
            options.cookie_file = a[++i];
        } else {
            return usage("unknown argument '" + a[i] + "'");
        }
    }
    return sandbox::serve_until_stopped(options);
}

}  // namespace

QUILLET_CLI_COMMAND("sandbox", "sandbox [--port N] [--cookie-file F]",
                    "run the built-in simulator on 127.0.0.1 until interrupted", run_sandbox,
                    false);

}  // namespace quillet
