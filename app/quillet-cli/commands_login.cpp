// quillet-cli login [--account NAME | --cookie-file F]: the QQ login without a
// window. The login's QR code is drawn in the terminal (and saved as a
// picture); the player scans and confirms it with the QQ mobile app, and the
// login's cookie text is written where the account commands read it.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_interrupt.h"
#include "app/quillet-cli/cli_options.h"
#include "app/quillet-cli/cli_view.h"
#include "ledger/ledger.h"
#include "main/accounts.h"
#include "main/application.h"
#include "main/login.h"
#include "net/http_client.h"
#include "net/qr_login.h"
#include "net/stop_signal.h"
#include "platform/console.h"
#include "platform/folders.h"
#include "sandbox/login_page.h"
#include "sandbox/sandbox.h"
#include "session/session.h"

namespace quillet {

namespace {

namespace fs = std::filesystem;

constexpr const char* kScanLine = "请用QQ手机版扫描二维码";

// Prints the login's progress: plain lines and the drawing, or one JSON
// object per event.
class LoginPrinter : public QrLoginObserver {
  public:
    LoginPrinter(bool json, fs::path picture) : json_(json), picture_(std::move(picture)) {}

    void code(const std::string& png, const QrModules& modules, int number) override {
        bool saved = false;
        {
            std::ofstream out(picture_, std::ios::binary | std::ios::trunc);
            out << png;
            saved = static_cast<bool>(out.flush());
        }
        // The drawing is what matters; a picture that cannot be saved is
        // told, not fatal.
        if (!saved)
            std::fprintf(stderr, "quillet-cli login: cannot save the QR picture to %s\n",
                         platform::utf8_of_path(picture_).c_str());
        if (json_) {
            std::printf("{\"qr_file\":%s,\"code\":%d}\n",
                        saved ? json_string(platform::utf8_of_path(picture_)).c_str() : "null",
                        number);
            // Someone watching a terminal still gets a code to scan.
            if (platform::is_terminal(platform::Stream::Err))
                std::fputs(draw_qr_half_blocks(modules).c_str(), stderr);
        } else {
            if (number > 1) std::printf("the QR code expired; here is a new one (%d)\n", number);
            std::fputs(draw_qr_half_blocks(modules).c_str(), stdout);
            if (saved)
                std::printf("the QR code is also saved as %s\n",
                            platform::utf8_of_path(picture_).c_str());
        }
        std::fflush(stdout);
        shown_ = false;  // each new code is scanned afresh
    }

    void state(QrLoginState s, const std::string& qq, const std::string& nickname) override {
        if (s == QrLoginState::Waiting && shown_) return;
        shown_ = true;
        std::string text;
        const char* name = "waiting";
        switch (s) {
            case QrLoginState::Waiting:
                text = kScanLine;
                break;
            case QrLoginState::Scanned:
                name = "scanned";
                text = "scanned: confirm the login on the phone";
                break;
            case QrLoginState::SignedIn:
                name = "signed_in";
                text = "signed in as QQ " + qq + " (" + nickname + ")";
                break;
        }
        if (json_) {
            std::string line =
                std::string("{\"state\":\"") + name + "\",\"text\":" + json_string(text);
            if (s == QrLoginState::SignedIn)
                line += ",\"qq\":" + json_string(qq) + ",\"nickname\":" + json_string(nickname);
            std::printf("%s}\n", line.c_str());
        } else {
            std::printf("%s\n", text.c_str());
        }
        std::fflush(stdout);
    }

  private:
    bool json_;
    fs::path picture_;
    bool shown_ = false;
};

int usage(const std::string& why) {
    std::fprintf(stderr,
                 "quillet-cli login: %s\nusage: quillet-cli login --account NAME | --cookie-file "
                 "F\n",
                 why.c_str());
    return 2;
}

int run_login(CliContext& ctx) {
    if (!ctx.args.empty()) return usage("unexpected argument '" + ctx.args[0] + "'");
    const CliOptions* o = ctx.options;
    fs::path target;
    if (o != nullptr && o->account)
        target = account_cookie_path(*o->account);
    else if (o != nullptr && o->cookie_file)
        target = *o->cookie_file;
    else
        return usage("say where the login goes: --account NAME or --cookie-file F");

    Session& s = ctx.session;
    HttpClient* http = &s.http;
    std::unique_ptr<HttpClient> simulated;
    if (sandbox::Sandbox* sim = ctx.app.simulator()) {
        // The login server is HTTPS: send its hosts to the simulator's TLS
        // listener, trusting its test certificate. The simulator confirms the
        // demo account by itself after two polls.
        const int tls = sim->start_tls(0);
        if (tls > 0) {
            HttpOptions options = s.http.options();
            Routing routing;
            routing.add(RouteRule{s.hosts[Host::PTLOGIN_SSL], "127.0.0.1", tls});
            routing.add(RouteRule{s.hosts[Host::PTLOGIN_XLOGIN], "127.0.0.1", tls});
            for (const RouteRule& r : options.routing.rules()) routing.add(r);
            options.routing = std::move(routing);
            options.ca_file = (sandbox::default_certificate_dir() / "sandbox-cert.pem").string();
            simulated = std::make_unique<HttpClient>(std::move(options));
            http = simulated.get();
        }
        sim->set_qr_auto_confirm(sim->account_qq());
    }

    std::error_code ec;
    const fs::path data = default_data_folder();
    fs::create_directories(data, ec);
    LoginPrinter printer(ctx.json, data / "login-qr.png");

    StopSignal stop;
    QrLoginResult result;
    {
        StopOnInterrupt on_signal(stop);
        ScopedStopSignal scope(&stop);
        result = run_qr_login(*http, s.hosts, s.clock, printer);
    }
    if (interrupt_signal() != 0 || result.failure == QrLoginFailure::Stopped) {
        std::fprintf(stderr, "quillet-cli login: interrupted; nothing was written\n");
        ctx.interruption_told = true;
        return interrupt_signal() != 0 ? interrupted_status() : 130;
    }
    if (result.failure != QrLoginFailure::None) {
        if (ctx.json) std::printf("{\"error\":%s}\n", json_string(result.message).c_str());
        std::fprintf(stderr, "quillet-cli login: %s\n", result.message.c_str());
        return 1;
    }

    std::string error;
    if (!write_private_cookie_file(target, result.cookies, error)) {
        std::fprintf(stderr, "quillet-cli login: %s\n", error.c_str());
        return 1;
    }
    // The session takes the login as the account commands will (skey, g_tk,
    // the pt cookie).
    sign_in_with_cookies(s.state, result.cookies);
    const std::string use =
        o->account ? "--account " + *o->account : "--cookie-file " + platform::utf8_of_path(target);
    if (ctx.json) {
        std::printf("{\"cookie_file\":%s}\n", json_string(platform::utf8_of_path(target)).c_str());
    } else {
        std::printf("the login is saved in %s; try: quillet-cli %s info\n",
                    platform::utf8_of_path(target).c_str(), use.c_str());
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("login", "login --account NAME | --cookie-file F",
                    "sign in by scanning a QR code with the QQ mobile app", run_login, false, true,
                    true);

}  // namespace quillet
