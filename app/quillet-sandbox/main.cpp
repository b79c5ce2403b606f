// quillet-sandbox [--port N] [--scenario DIR] [--cookie-file F] [--tls-port N]
// Serves the simulated services on 127.0.0.1 until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "sandbox/sandbox.h"
#include "sandbox/serve.h"

namespace {

int usage() {
    std::fprintf(
        stderr,
        "usage: quillet-sandbox [--port N] [--scenario DIR] [--cookie-file F] [--tls-port N]\n");
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
            char* end = nullptr;
            long v = std::strtol(argv[++i], &end, 10);
            if (!end || *end || v < 0 || v > 65535) return usage();
            (arg == "--port" ? port : tls_port) = static_cast<int>(v);
        } else if (arg == "--scenario") {
            scenario = argv[++i];
        } else if (arg == "--cookie-file") {
            cookie_file = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            usage();
            return 0;
        } else {
            return usage();
        }
    }
    return quillet::sandbox::serve_until_stopped({port, scenario, cookie_file, tls_port});
}
