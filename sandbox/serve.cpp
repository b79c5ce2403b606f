#include "sandbox/serve.h"

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <fstream>

#include "sandbox/login_page.h"
#include "sandbox/sandbox.h"

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

    // Block the stop signals before any thread starts, then wait for them here. A
    // shell that starts us in the background leaves SIGINT ignored, and an ignored
    // signal never reaches sigwait: take both back to their default first.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

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
    // Every QR code a login fetches, with the request that scans and confirms
    // it as the demo account (a phone's part in the real login).
    const std::string demo = sandbox.account_qq();
    sandbox.set_qr_served_hook([bound, demo](const std::string& code) {
        std::printf(
            "QR code %s served; confirm it as QQ %s with: curl -s "
            "'http://127.0.0.1:%d/sandbox/qr/confirm?code=%s&qq=%s'\n",
            code.c_str(), demo.c_str(), bound, code.c_str(), demo.c_str());
        std::fflush(stdout);
    });
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
    if (sandbox.tls_port() > 0) {
        std::printf(
            "QR login: put ca_file=%s under [net] in a configuration file F, then: "
            "quillet-cli --config F --connect-to 'ssl.ptlogin2.qq.com=127.0.0.1:%d' "
            "--connect-to 'xui.ptlogin2.qq.com=127.0.0.1:%d' --connect-to "
            "'*=127.0.0.1:%d' login --cookie-file NEW_FILE\n",
            (default_certificate_dir() / "sandbox-cert.pem").string().c_str(), sandbox.tls_port(),
            sandbox.tls_port(), bound);
    }
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stop_signals, &sig);
    sandbox.stop();
    std::printf("quillet-sandbox stopped\n");
    return 0;
}

}  // namespace quillet::sandbox
