#include "ui/web/web_browsers.h"

#include <QUrl>
#include <QWebEngineView>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "main/application.h"
#include "net/hosts.h"
#include "net/http_client.h"
#include "platform/folders.h"
#include "platform/private_files.h"
#include "sandbox/sandbox.h"
#include "session/controls.h"
#include "session/session.h"
#include "ui/qt_view.h"
#include "ui/web/web_browser_port.h"
#include "ui/web/web_cookie_store.h"
#include "ui/web/web_engine.h"
#include "ui/web/web_login_browser.h"

namespace quillet {

WebBrowsers::WebBrowsers(Application& app, QtView& view, WebCookieStore& store)
    : app_(app), policy_(std::make_unique<CertificatePolicy>()) {
    if (sandbox::Sandbox* sim = app.simulator()) {
        tls_port_ = sim->start_tls(0);
        if (tls_port_ <= 0) {
            tls_port_ = 0;
            error_ = "the simulator's HTTPS listener could not start";
        } else if (!policy_->trust_pem(sim->tls_certificate_pem())) {
            error_ = "the simulator's test certificate cannot be read";
        }
    }
    prepare_web_engine(host_resolver_rules(app.session().http.options().routing, tls_port_));
    login_ = std::make_unique<WebLoginBrowser>(view, store, *policy_);
    pages_ = std::make_unique<WebBrowserPort>(view, store, *policy_);
    app.set_login_browser(login_.get());
    app.set_browser_port(pages_.get());
    // The main window's 1 x 1 counter browser: a page of the vendor's that is
    // loaded once per main window and never shown. The view lives inside the
    // control and goes with the window.
    view.set_browser_loader([this, &store](Control c, QWidget* holder, const std::string& address) {
        if (!(c == ctl::main::超文本浏览框_统计) || address.empty()) return;
        store.new_view(*policy_, holder, QStringLiteral("counter"), holder->rect())
            ->load(QUrl(QString::fromStdString(address)));
    });
    view_ = &view;
}

WebBrowsers::~WebBrowsers() {
    if (view_) view_->set_browser_loader(nullptr);
    app_.set_login_browser(nullptr);
    app_.set_browser_port(nullptr);
}

bool write_private_file(const std::string& file, const std::string& text) {
    std::string error;
    return platform::write_private_file(platform::path_from_utf8(file), text, error);
}

int save_login(Application& app, QtView& view, const std::string& file, std::string& error) {
    // Modal: returns when the login has landed (or the user closed the window).
    view.show_window(Window::Login, true);
    Session& s = app.session();
    if (!s.state.logged_in) {
        error = "no login: the login window closed before the login landed";
        return 1;
    }
    if (!write_private_file(file, s.state.cookie.get())) {
        error = "cannot write " + file;
        return 1;
    }
    return 0;
}

}  // namespace quillet
