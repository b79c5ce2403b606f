// quillet: the desktop program. Builds the application, its Qt windows, the
// embedded browsers and their shared cookie store, then runs the window
// sequence: the version check, the login and the main window (straight to the
// main window when signed in from a cookie file).
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "main/accounts.h"
#include "main/application.h"
#include "session/session.h"
#include "text/gbk.h"
#include "ui/desktop_notification.h"
#include "ui/first_paint.h"
#include "ui/qt_view.h"
#include "ui/screenshots.h"
#include "ui/skin.h"
#include "ui/web/web_browsers.h"
#include "ui/web/web_cookie_store.h"
#include "ui/web/web_engine.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillet [--cookie-file F | --account NAME | --sandbox] [--config F] "
    "[--connect-to HOST=ADDR:PORT]... [--save-login [F]]\n"
    "Shows the version check, the QQ login window and the main window, which claims\n"
    "the day's free CrossFire gifts in one click. With --sandbox the login window\n"
    "shows the built-in simulator's page: sign in there with its demo account, QQ\n"
    "358791246 and any password.\n"
    "\n"
    "  --cookie-file F   sign in with the cookie text a login left (name=value; ...)\n"
    "  --config F        the configuration file (default: next to the program)\n"
    "  --connect-to R    route a host (or * for every host) to ADDR:PORT\n"
    "  --sandbox         run against the built-in simulator (its demo account signs in\n"
    "                    on the login window's page)\n"
    "  --account NAME    sign in with the account profile NAME\n"
    "                    (~/.config/quillet/accounts/NAME.cookie)\n"
    "  --save-login [F]  show the login window only; write the cookie text the login\n"
    "                    leaves to F, or with --account to that profile (owner-only),\n"
    "                    then exit\n"
    "  --help            this text\n";

// The first-run box for a configuration without the vendor's address (UTF-8).
std::string vendor_host_hint(quillet::Application& app) {
    return "尚未设置厂商地址。请在配置文件 " + app.session().config.path().string() +
           " 的 [hosts] 一节写入 VENDOR_HOST=厂商的地址，然后重新启动；"
           "想先看看本软件，可用 quillet --sandbox 启动内置的模拟环境。";
}

int usage_error(const std::string& message) {
    std::fprintf(stderr, "quillet: %s\nTry 'quillet --help'.\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    quillet::AppOptions options;
    std::string screenshot_dir;
    std::optional<std::string> save_login_file;
    bool quit_after_first_paint = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--cookie-file") {
            if (!value(v)) return usage_error("--cookie-file needs a file");
            options.cookie_file = v;
        } else if (arg == "--config") {
            if (!value(v)) return usage_error("--config needs a file");
            options.config = v;
        } else if (arg == "--connect-to") {
            if (!value(v)) return usage_error("--connect-to needs HOST=ADDR:PORT");
            options.connect_to.push_back(v);
        } else if (arg == "--account") {
            if (!value(v) || !quillet::valid_account_name(v))
                return usage_error("--account needs a profile name (letters, digits, . _ -)");
            options.account = v;
        } else if (arg == "--save-login") {
            // The file may be left out when --account names the profile.
            save_login_file = std::string();
            if (i + 1 < argc && argv[i + 1][0] != '-') save_login_file = argv[++i];
        } else if (arg == "--sandbox") {
            options.sandbox = true;
        } else if (arg == "--screenshot-dir") {
            // Hidden: walks every window and panel and saves a picture of each.
            if (!value(screenshot_dir)) return usage_error("--screenshot-dir needs a folder");
        } else if (arg == "--quit-after-first-paint") {
            // Hidden: the start-up benchmark's end point.
            quit_after_first_paint = true;
        } else {
            return usage_error("unknown option " + arg);
        }
    }

    quillet::prepare_web_rendering();
    QApplication qt(argc, argv);
    quillet::restore_rendering_environment();
    QApplication::setQuitOnLastWindowClosed(false);
    quillet::apply_skin(qt);
    if (!quillet::has_chinese_face())
        std::fputs(
            "quillet: warning: no installed font has Chinese characters: the windows' "
            "text shows as empty boxes; install one (Debian: apt install fonts-noto-cjk)\n",
            stderr);

    // The store (the browser profile) outlives the windows' pages.
    if (save_login_file && save_login_file->empty()) {
        if (!options.account) return usage_error("--save-login needs a file or --account NAME");
        // Signing in again for a profile: its old cookie file is not read.
        const std::filesystem::path profile = quillet::account_cookie_path(*options.account);
        std::error_code ec;
        std::filesystem::create_directories(profile.parent_path(), ec);
        save_login_file = profile.string();
    }
    if (save_login_file) options.account.reset();

    quillet::WebCookieStore store;
    quillet::QtView view;
    quillet::Application app(view, store);
    std::string error;
    if (!app.start(options, error)) {
        std::fprintf(stderr, "quillet: %s\n", error.c_str());
        return 1;
    }
    // What would make the run fail later: on the terminal, and the vendor's
    // missing address in a box a player who started us from a menu sees.
    for (const quillet::SetupWarning& w : app.setup_warnings()) {
        std::fprintf(stderr, "quillet: warning: %s\n", w.text.c_str());
        if (w.kind == quillet::SetupWarning::Kind::PlaceholderVendorHost && !save_login_file)
            view.message_box(quillet::utf8_to_gbk(vendor_host_hint(app)), "");
    }
    // A pass that ends while the player looks elsewhere is told on the desktop.
    quillet::notify_passes_on_desktop(app, view);
    quillet::WebBrowsers browsers(app, view, store);
    if (!browsers.ok()) {
        std::fprintf(stderr, "quillet: %s\n", browsers.error().c_str());
        return 1;
    }
    if (save_login_file) {
        const int rc = quillet::save_login(app, view, *save_login_file, error);
        if (rc != 0)
            std::fprintf(stderr, "quillet: %s\n", error.c_str());
        else
            std::printf("quillet: the login was written to %s\n", save_login_file->c_str());
        app.stop_jobs();
        return rc;
    }
    if (quit_after_first_paint) quillet::close_version_window_after_first_paint(view);
    std::unique_ptr<quillet::ScreenshotTour> tour;
    if (!screenshot_dir.empty())
        tour = std::make_unique<quillet::ScreenshotTour>(view, app, screenshot_dir);

    // The simulator shows its own login page; the picture tour starts signed in.
    if (options.cookie_file || options.account || (options.sandbox && tour))
        app.run_signed_in();
    else
        app.run();
    app.stop_jobs();
    return tour && !tour->ok() ? 1 : 0;
}
