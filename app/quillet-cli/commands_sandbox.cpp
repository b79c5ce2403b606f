// quillet-cli sandbox [--port N]: the built-in simulator, served until the user
// stops it, for pointing quillet-cli (or a browser) at by hand.
#include <cstdlib>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "sandbox/sandbox.h"
#include "sandbox/serve.h"

namespace quillet {
namespace {

int run_sandbox(CliContext& ctx) {
    sandbox::ServeOptions options;
    options.scenario = sandbox::default_scenario_dir();
    const auto& a = ctx.args;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--port" && i + 1 < a.size()) {
            char* end = nullptr;
            long v = std::strtol(a[++i].c_str(), &end, 10);
            if (!end || *end || v < 0 || v > 65535) return 2;
            options.port = static_cast<int>(v);
        } else if (a[i] == "--cookie-file" && i + 1 < a.size()) {
            options.cookie_file = a[++i];
        } else {
            return 2;
        }
    }
    return sandbox::serve_until_stopped(options);
}

}  // namespace

QUILLET_CLI_COMMAND("sandbox", "sandbox [--port N] [--cookie-file F]",
                    "run the built-in simulator on 127.0.0.1 until interrupted", run_sandbox);

}  // namespace quillet
