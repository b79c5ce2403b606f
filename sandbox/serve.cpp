#include "sandbox/serve.h"

#include <cstdio>
#include <fstream>

#include "sandbox/sandbox.h"
#include "sandbox/stop_wait.h"

namespace quillet::sandbox {

int serve_until_stopped(const ServeOptions& options) {
    const int port = options.port;
    const std::filesystem::path& scenario = options.scenario;
    const std::string& cookie_file = options.cookie_file;
    if (!std::filesystem::exists(scenario / "scenario.json")) {
        std::fprintf(stderr, "quillet-sandbox: no scenario.json in %s\n",
                     scenario.string().c_str());
        return 1;
    }

    StopWait stop_request;  // before any thread starts

    Sandbox sandbox(scenario);
    if (const std::string why = sandbox.scenario_error(); !why.empty()) {
        std::fprintf(stderr, "quillet-sandbox: %s\n", why.c_str());
        return 1;
    }
    int bound = sandbox.start(port);
    if (bound < 0) {
        std::fprintf(stderr,
                     "quillet-sandbox: cannot listen on 127.0.0.1:%d: the port is in use (or "
                     "not allowed); choose another with --port N, or --port 0 for a free one\n",
                     port);
        return 1;
    }
    if (options.tls_port >= 0) {
        const int tls = sandbox.start_tls(options.tls_port);
        if (tls < 0) {
            std::fprintf(stderr, "quillet-sandbox: cannot serve HTTPS on 127.0.0.1:%d\n",
                         options.tls_port);
            return 1;
        }
        std::printf("quillet-sandbox serving the login page over HTTPS on 127.0.0.1:%d\n", tls);
    }
    if (!cookie_file.empty()) {
        std::ofstream out(cookie_file, std::ios::binary | std::ios::trunc);
        out << sandbox.account_cookie();
        if (!out) {
            std::fprintf(stderr, "quillet-sandbox: cannot write %s\n", cookie_file.c_str());
            return 1;
        }
    }
    std::printf("quillet-sandbox listening on 127.0.0.1:%d (scenario %s)\n", bound,
                scenario.string().c_str());
    std::printf("demo account: QQ %s\n", sandbox.account_qq().c_str());
    if (cookie_file.empty()) {
        std::printf(
            "account cookie: run with --cookie-file F to write the demo account's login cookies to "
            "F\n");
    } else {
        std::printf("account cookie file: %s\n", cookie_file.c_str());
    }
    std::printf("try: quillet-cli --connect-to '*=127.0.0.1:%d' --cookie-file %s info\n", bound,
                cookie_file.empty() ? "F" : cookie_file.c_str());
    std::fflush(stdout);

    stop_request.wait();
    sandbox.stop();
    std::printf("quillet-sandbox stopped\n");
    return 0;
}

}  // namespace quillet::sandbox
