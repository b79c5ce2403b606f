#include "sandbox/serve.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/folders.h"
#include "platform/private_files.h"
#include "sandbox/json.h"
#include "sandbox/login_page.h"
#include "sandbox/sandbox.h"
#include "sandbox/stop_wait.h"

namespace quillet::sandbox {

namespace {

// Where it listens and how to point quillet-cli at it, for a person.
void print_listening(int bound, int tls_port, const std::string& scenario, const std::string& qq,
                     const std::string& cookie_file);

}  // namespace

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
        if (options.json)
            std::printf("{\"tls_port\":%d}\n", tls);
        else
            std::printf("quillet-sandbox serving the login page over HTTPS on 127.0.0.1:%d\n", tls);
    }
    if (!cookie_file.empty()) {
        // Cookies are credentials: the file is the user's alone, whole or not at all.
        std::string why;
        if (!platform::write_private_file(platform::path_from_utf8(cookie_file),
                                          sandbox.account_cookie(), why)) {
            std::fprintf(stderr, "quillet-sandbox: %s\n", why.c_str());
            return 1;
        }
    }
    // Every QR code a login fetches, with the request that scans and confirms
    // it as the demo account (a phone's part in the real login).
    const std::string demo = sandbox.account_qq();
    const bool json = options.json;
    sandbox.set_qr_served_hook([bound, demo, json](const std::string& code) {
        const std::string confirm = "curl -s 'http://127.0.0.1:" + std::to_string(bound) +
                                    "/sandbox/qr/confirm?code=" + code + "&qq=" + demo + "'";
        if (json)
            std::printf("{\"qr_code\":%s,\"confirm\":%s}\n", json_quote(code).c_str(),
                        json_quote(confirm).c_str());
        else
            std::printf("QR code %s served; confirm it as QQ %s with: %s\n", code.c_str(),
                        demo.c_str(), confirm.c_str());
        std::fflush(stdout);
    });
    if (options.json) {
        std::printf("{\"port\":%d,\"scenario\":%s,\"qq\":%s,\"cookie_file\":%s}\n", bound,
                    json_quote(scenario.string()).c_str(), json_quote(sandbox.account_qq()).c_str(),
                    json_quote(cookie_file).c_str());
        std::fflush(stdout);
    } else {
        print_listening(bound, sandbox.tls_port(), scenario.string(), sandbox.account_qq(),
                        cookie_file);
    }

    stop_request.wait();
    sandbox.stop();
    std::printf(options.json ? "{\"stopped\":true}\n" : "quillet-sandbox stopped\n");
    return 0;
}

namespace {

void print_listening(int bound, int tls_port, const std::string& scenario, const std::string& qq,
                     const std::string& cookie_file) {
    std::printf("quillet-sandbox listening on 127.0.0.1:%d (scenario %s)\n", bound,
                scenario.c_str());
    std::printf("demo account: QQ %s\n", qq.c_str());
    if (cookie_file.empty()) {
        std::printf(
            "account cookie: run with --cookie-file F to write the demo account's login cookies to "
            "F\n");
    } else {
        std::printf("account cookie file: %s\n", cookie_file.c_str());
    }
    std::printf("try: quillet-cli --connect-to '*=127.0.0.1:%d' --cookie-file %s info\n", bound,
                cookie_file.empty() ? "F" : cookie_file.c_str());
    if (tls_port > 0) {
        std::printf(
            "QR login: put ca_file=%s under [net] in a configuration file F, then: "
            "quillet-cli --config F --connect-to 'ssl.ptlogin2.qq.com=127.0.0.1:%d' "
            "--connect-to 'xui.ptlogin2.qq.com=127.0.0.1:%d' --connect-to "
            "'*=127.0.0.1:%d' login --cookie-file NEW_FILE\n",
            (default_certificate_dir() / "sandbox-cert.pem").string().c_str(), tls_port, tls_port,
            bound);
    }
    std::fflush(stdout);
}

}  // namespace

}  // namespace quillet::sandbox
