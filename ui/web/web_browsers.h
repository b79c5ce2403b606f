#pragma once
// The desktop program's two embedded browsers, installed into a started
// Application: the engine set up from the HTTP engine's routing, the shared
// profile opened, the simulator's HTTPS login page served and its test
// certificate trusted in sandbox mode, then the login browser and the
// activity browser's port handed to the application.
#include <memory>
#include <string>

namespace quillet {

class Application;
class QtView;
class WebCookieStore;
class WebLoginBrowser;
class WebBrowserPort;
class CertificatePolicy;

class WebBrowsers {
  public:
    // After app.start() and before app.run(); store is the application's
    // cookie store, not yet open: it opens with the first page. False from ok() when the
    // simulator's HTTPS listener could not start (error() says why).
    WebBrowsers(Application& app, QtView& view, WebCookieStore& store);
    ~WebBrowsers();  // takes the browsers back from the application
    WebBrowsers(const WebBrowsers&) = delete;
    WebBrowsers& operator=(const WebBrowsers&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    WebLoginBrowser& login() { return *login_; }
    WebBrowserPort& pages() { return *pages_; }
    // The certificates the pages accept (the simulator's in sandbox mode).
    // A page takes the policy as it stands when the page is made.
    CertificatePolicy& policy() { return *policy_; }
    int tls_port() const { return tls_port_; }

  private:
    Application& app_;
    std::unique_ptr<CertificatePolicy> policy_;
    std::unique_ptr<WebLoginBrowser> login_;
    std::unique_ptr<WebBrowserPort> pages_;
    int tls_port_ = 0;
    std::string error_;
    QtView* view_ = nullptr;
};

// quillet --save-login FILE: shows LoginWindow alone; when the login lands,
// writes the session's cookie text to file (owner-only, replacing it
// atomically). 0 when written; 1 (with a message in error) otherwise.
int save_login(Application& app, QtView& view, const std::string& file, std::string& error);

// Writes text to file with mode 0600 through a temporary file beside it and a
// rename, so that a reader never sees half a file. False when it cannot.
bool write_private_file(const std::string& file, const std::string& text);

}  // namespace quillet
