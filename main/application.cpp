#include "main/application.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string_view>

#include "main/accounts.h"
#include "main/login.h"
#include "main/start_sequence.h"
#include "main/window_controllers.h"
#include "net/cookie_jar.h"
#include "net/hosts.h"
#include "net/http_client.h"
#include "sandbox/sandbox.h"
#include "session/config_location.h"
#include "session/session.h"
#include "text/clock.h"
#include "text/ini_file.h"
#include "text/text_ops.h"
#include "vendor_services/activity_browser.h"

namespace quillet {

struct Application::Impl {
    Impl(View& v, PlatformCookieStore& st, Clock* c) : view(v), store(st), clock(c) {
        if (!clock) {
            own_clock = std::make_unique<SystemClock>();
            clock = own_clock.get();
        }
    }

    View& view;
    PlatformCookieStore& store;
    Clock* clock;
    std::unique_ptr<SystemClock> own_clock;
    // Declared before the session: the simulator and the HTTP client outlive
    // every job the session runs.
    std::unique_ptr<sandbox::Sandbox> simulator;
    std::unique_ptr<HttpClient> http;
    std::unique_ptr<Session> session;
    std::unique_ptr<Program> program;
    std::unique_ptr<VersionWindowController> version_window;
    std::unique_ptr<LoginWindowController> login_window;
    std::unique_ptr<MainWindowController> main_window;
    std::unique_ptr<ActivityBrowserWindowController> browser_window;
    std::unique_ptr<NoticeWindowController> notice_window;
    // Whether the simulator or a routing rule answers for the vendor's host.
    bool vendor_stood_in = false;

    WindowController* controller(Window w) {
        switch (w) {
            case Window::Version:
                return version_window.get();
            case Window::Login:
                return login_window.get();
            case Window::Main:
                return main_window.get();
            case Window::ActivityBrowser:
                return browser_window.get();
            case Window::Notice:
                return notice_window.get();
        }
        return nullptr;
    }
};

namespace {

// A cookie file far larger than any login's cookie text is not one.
constexpr std::uintmax_t kMaxCookieFileBytes = 16 * 1024;

// At most limit + 1 bytes of a file (a device such as /dev/zero never ends).
std::optional<std::string> read_file_start(const std::string& path, size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(limit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return std::nullopt;
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

}  // namespace

Application::Application(View& view, PlatformCookieStore& store, Clock* clock)
    : impl_(std::make_unique<Impl>(view, store, clock)) {}

Application::~Application() {
    if (impl_->session) {
        impl_->view.set_event_sink(nullptr);
        impl_->session->jobs.join_all();
    }
}

bool Application::start(const AppOptions& o, std::string& error, bool* usage_error) {
    Impl& d = *impl_;
    bool ignored = false;
    bool& usage = usage_error ? *usage_error : ignored;
    usage = false;
    // The cookie file holds credentials: read it, never echo it.
    std::string cookies;
    if (o.cookie_file) {
        std::error_code ec;
        auto text = read_file_start(*o.cookie_file, kMaxCookieFileBytes);
        if (!text || std::filesystem::is_directory(*o.cookie_file, ec)) {
            error = "cannot read the cookie file " + *o.cookie_file;
            usage = true;
            return false;
        }
        // Checked before any request: a text that is no login's, or one that
        // could add header lines of its own, never goes out.
        if (auto why = cookie_file_problem(*text)) {
            error = "the cookie file " + *o.cookie_file + " " + *why;
            usage = true;
            return false;
        }
        cookies = trim(*text);
    } else if (o.account) {
        // A profile's cookie file must be the user's alone.
        auto text = read_account_cookie(*o.account, error);
        if (!text) {
            usage = true;  // a local problem, said before any request
            return false;
        }
        cookies = trim(*text);
    }

    const std::filesystem::path config_path =
        o.config ? std::filesystem::path(*o.config) : default_config_path();
    const IniFile config(config_path);
    HostTable hosts;
    hosts.load_overrides(config);

    HttpOptions http_options;
    load_network_settings(http_options, config);
    for (const std::string& rule : o.connect_to) {
        if (!http_options.routing.add(rule)) {
            error = "malformed routing rule '" + rule + "' (HOST=ADDR:PORT)";
            usage = true;
            return false;
        }
    }

    if (o.sandbox) {
        d.simulator = std::make_unique<sandbox::Sandbox>();
        const int port = d.simulator->start(0);
        if (port <= 0) {
            error = "the simulator could not start";
            return false;
        }
        http_options.routing.add(RouteRule{"*", "127.0.0.1", port});
        if (!o.cookie_file && !o.account) cookies = d.simulator->account_cookie();
    }

    d.http = std::make_unique<HttpClient>(std::move(http_options));
    d.session = std::make_unique<Session>(d.view, *d.clock, *d.http, std::move(hosts), d.store,
                                          config_path);
    Session& s = *d.session;
    s.state.config_path = config_path.string();
    d.program = std::make_unique<Program>(s);
    // The simulator's demo passes keep a ledger apart from the player's.
    if (o.sandbox) d.program->ledger_file = default_data_folder() / "sandbox-ledger.sqlite3";
    if (o.account) d.program->account = *o.account;
    d.version_window = std::make_unique<VersionWindowController>(*d.program);
    d.login_window = std::make_unique<LoginWindowController>(*d.program);
    d.main_window = std::make_unique<MainWindowController>(*d.program);
    d.browser_window = std::make_unique<ActivityBrowserWindowController>(*d.program);
    d.notice_window = std::make_unique<NoticeWindowController>(*d.program);
    d.view.set_event_sink(this);

    d.vendor_stood_in = o.sandbox || !o.connect_to.empty();
    if (!cookies.empty()) sign_in_from_cookie_text(s, cookies);
    return true;
}

std::vector<SetupWarning> Application::setup_warnings() const {
    std::vector<SetupWarning> out;
    if (!impl_->session) return out;
    const Session& s = *impl_->session;
    const IniFile& config = s.config;
    const std::string path = config.path().string();
    if (config.exists() && !config.readable())
        out.push_back({SetupWarning::Kind::UnreadableConfig,
                       "cannot read the configuration file " + path + "; using the defaults"});
    else if (config.exists() && !config.looks_like_ini())
        out.push_back({SetupWarning::Kind::NotIniConfig,
                       "the configuration file " + path +
                           " is not an INI file ([section] lines and key=value entries); its "
                           "settings may be ignored"});
    if (!impl_->vendor_stood_in && s.hosts[Host::VENDOR] == HostTable::default_of(Host::VENDOR))
        out.push_back({SetupWarning::Kind::PlaceholderVendorHost,
                       "the vendor's host is still the placeholder " +
                           std::string(HostTable::default_of(Host::VENDOR)) +
                           ": set [hosts] VENDOR_HOST=... in the configuration file " + path});
    return out;
}

void Application::run() {
    run_program(session());
    stop_jobs();
}

void Application::run_signed_in() {
    StartHooks hooks;
    hooks.signed_in = true;
    run_program(session(), hooks);
    stop_jobs();
}

void Application::set_browser_port(BrowserPort* port) {
    Program& p = *impl_->program;
    p.browser_port = port;
    p.activity_browser = port ? std::make_unique<ActivityBrowser>(p.s, p.menu, *port) : nullptr;
}

void Application::set_login_browser(LoginBrowser* browser) {
    impl_->program->login_browser = browser;
}

void Application::window_event(Window w, WindowEvent e, int width, int height) {
    WindowController* c = impl_->controller(w);
    if (!c) return;
    switch (e) {
        case WindowEvent::Created:
            c->created();
            break;
        case WindowEvent::FirstActivated:
            c->first_activated();
            break;
        case WindowEvent::BeingDestroyed:
            c->being_destroyed();
            break;
        case WindowEvent::SizeChanged:
            c->size_changed(width, height);
            break;
    }
}

void Application::control_event(Control c, Event e, const EventArgs& args) {
    if (WindowController* w = impl_->controller(c.window)) w->on(c, e, args);
}

void Application::stop_jobs() {
    if (impl_->program) impl_->program->stop_jobs();
}

Session& Application::session() {
    return *impl_->session;
}
Program& Application::program() {
    return *impl_->program;
}
GameServiceClient& Application::client() {
    return impl_->program->client;
}
std::vector<ActivityEntry>& Application::catalogue() {
    return impl_->program->catalogue;
}
MessageCleaner& Application::cleaner() {
    return impl_->program->cleaner;
}
RemoteMenu& Application::menu() {
    return impl_->program->menu;
}
ScrollConfig& Application::scroll() {
    return impl_->program->scroll;
}
Guarded<VoucherOffers>& Application::offers() {
    return impl_->program->offers;
}
VersionCheck& Application::version_check() {
    return impl_->program->version;
}
int Application::sandbox_port() const {
    return impl_->simulator ? impl_->simulator->port() : 0;
}
sandbox::Sandbox* Application::simulator() {
    return impl_->simulator.get();
}

}  // namespace quillet
