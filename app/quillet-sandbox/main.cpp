// quillet-sandbox [--port N] [--scenario DIR] [--cookie-file F] [--tls-port N]
// Serves the simulated services on 127.0.0.1 until SIGINT or SIGTERM.

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "sandbox/sandbox.h"
#include "sandbox/serve.h"
#include "text/text_ops.h"

namespace {

constexpr const char* kUsage =
    "usage: quillet-sandbox [--port N] [--scenario DIR] [--cookie-file F] [--tls-port N]\n";

constexpr const char* kHelp =
    "Serves the simulated services on 127.0.0.1 until SIGINT or SIGTERM.\n"
    "  --port N         the HTTP port (1-65535; 0, the default, for a free one)\n"
    "  --scenario DIR   the folder of scenario.json (default: the installed scenario)\n"
    "  --cookie-file F  write the demo account's login cookies to F (mode 0600)\n"
    "  --tls-port N     also serve the login page over HTTPS on port N (0: a free one)\n"
    "  -h, --help       this text\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::filesystem::path scenario = quillet::sandbox::default_scenario_dir();
    std::string cookie_file;
    int tls_port = -1;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if ((arg == "--port" || arg == "--scenario" || arg == "--cookie-file" ||
             arg == "--tls-port") &&
            i + 1 >= argc)
            return usage();
        if (arg == "--port" || arg == "--tls-port") {
            const int v = quillet::port_of_text(argv[++i]);
            if (v < 0) {
                std::fprintf(stderr,
                             "quillet-sandbox: %s takes a port number (1-65535, or 0 "
                             "for a free one), not '%s'\n",
                             std::string(arg).c_str(), argv[i]);
                return usage();
            }
            (arg == "--port" ? port : tls_port) = v;
        } else if (arg == "--scenario") {
            scenario = argv[++i];
        } else if (arg == "--cookie-file") {
            cookie_file = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        } else {
            return usage();
        }
    }
    return quillet::sandbox::serve_until_stopped({port, scenario, cookie_file, tls_port});
}
