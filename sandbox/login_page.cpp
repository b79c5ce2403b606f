// The QQ web login of the simulator: a page with the QQ number and password
// fields; a POST for a known QQ (any non-empty password) sets the login
// domain's cookies and redirects to the landing address given as s_url. And
// the TLS listener that serves it over HTTPS.
#include "sandbox/login_page.h"

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "sandbox/world.h"

namespace quillet::sandbox {

namespace {

// Form fields arrive with spaces as "+".
std::string form_value(const Call& c, std::string_view name) {
    std::string raw = c.form(name);
    for (char& ch : raw)
        if (ch == '+') ch = ' ';
    return percent_decode_bytes(raw);
}

std::string trimmed(std::string s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string login_form(const std::string& query, const std::string& s_url, const std::string& qq,
                       const std::string& demo_qq, const std::string& error) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>QQ帐号安全登录</title>"
           "<style>body{font-family:sans-serif;background:#f3f6fb;margin:0}"
           "form{margin:24px auto;width:260px}h3{margin:0 0 10px;color:#333}"
           "input{display:block;box-sizing:border-box;width:100%;margin:6px 0;padding:6px}"
           "#login_button{background:#3a8ee6;color:#fff;border:0;padding:8px}"
           ".err{color:#d33;font-size:13px;min-height:16px;margin:4px 0}"
           ".hint{color:#888;font-size:12px}</style></head><body>"
           "<form id=\"loginform\" method=\"post\" action=\"/cgi-bin/xlogin?" +
           html_escape(query) +
           "\"><h3>QQ帐号密码登录</h3>"
           "<p class=\"err\" id=\"err\">" +
           html_escape(error) +
           "</p>"
           "<input name=\"u\" id=\"u\" value=\"" +
           html_escape(qq) +
           "\" placeholder=\"QQ号码\" autocomplete=\"off\">"
           "<input name=\"p\" id=\"p\" type=\"password\" value=\"\" placeholder=\"密码\">"
           "<input type=\"hidden\" name=\"s_url\" value=\"" +
           html_escape(s_url) +
           "\"><input type=\"submit\" id=\"login_button\" value=\"登 录\">"
           "<p class=\"hint\">模拟登录：演示帐号 " +
           html_escape(demo_qq) + "，密码任意</p></form></body></html>";
}

}  // namespace

std::filesystem::path default_certificate_dir() {
    if (const char* env = std::getenv("QUILLET_SANDBOX_CERTS"); env && *env) return env;
#ifdef QUILLET_SANDBOX_CERT_DIR
    return QUILLET_SANDBOX_CERT_DIR;
#else
    return "sandbox/certs";
#endif
}

std::vector<std::pair<std::string, std::string>> login_set_cookies(const Account& a,
                                                                   const std::string& host) {
    std::vector<std::pair<std::string, std::string>> out;
    const std::string o = "o" + std::string(a.qq.size() < 10 ? 10 - a.qq.size() : 0, '0') + a.qq;
    const std::string attrs = "; Path=/; Domain=" + main_domain(host);
    // The order of login_cookie(): pt2gguin, uin, skey, then the account's
    // other cookies.
    out.emplace_back("Set-Cookie", "pt2gguin=" + o + attrs);
    out.emplace_back("Set-Cookie", "uin=" + o + attrs);
    out.emplace_back("Set-Cookie", "skey=" + a.skey + attrs + "; HttpOnly");
    for (const auto& [k, v] : a.login_cookies) {
        const bool http_only = k == "p_skey" || k == "pt4_token";
        out.emplace_back("Set-Cookie", k + "=" + v + attrs + (http_only ? "; HttpOnly" : ""));
    }
    return out;
}

Answer World::xlogin(const Call& c) {
    std::string s_url = percent_decode_bytes(c.query_param("s_url"));
    if (c.method != "POST") {
        // The page's signature, which the QR login hands back with its polls.
        Answer page = text_answer(login_form(c.query, s_url, "", demo_qq_, ""));
        const std::string sig = hex_digest("login_sig" + std::to_string(++serial_), 24);
        login_sigs_.insert(sig);
        // Kept by the login page's own host: the login's cookie text, read
        // for the login domain, never carries it.
        page.headers.emplace_back("Set-Cookie", "pt_login_sig=" + sig + "; Path=/");
        return page;
    }

    if (s_url.empty()) s_url = form_value(c, "s_url");
    const std::string qq = trimmed(form_value(c, "u"));
    const std::string password = form_value(c, "p");
    Account* a = qq.empty() ? nullptr : account(qq);
    std::string error;
    if (qq.empty())
        error = "请输入QQ号码。";
    else if (!a)
        error = "您输入的帐号或密码不正确，请重新输入。";
    else if (password.empty())
        error = "请输入密码。";
    if (!error.empty()) return text_answer(login_form(c.query, s_url, qq, demo_qq_, error));

    Answer ans = text_answer("<html><body>登录成功，正在跳转...</body></html>");
    ans.status = 302;
    ans.headers = login_set_cookies(*a, c.host);
    ans.headers.emplace_back("Location", s_url.empty() ? "/check_sig" : s_url);
    return ans;
}

// ---------------------------------------------------------------- TLS

// A build without TLS (the Windows one: no OpenSSL there) has no HTTPS
// listener: start() fails, as it does when the certificate cannot be read.
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
using TlsServer = httplib::SSLServer;
#else
struct TlsServer {
    void stop() {}
};
#endif

struct TlsListener::Impl {
    std::filesystem::path dir;
    Handler handler;
    std::unique_ptr<TlsServer> server;
    std::thread thread;
};

TlsListener::TlsListener(std::filesystem::path certificate_dir, Handler handler)
    : impl_(std::make_unique<Impl>()) {
    impl_->dir = std::move(certificate_dir);
    impl_->handler = std::move(handler);
}

TlsListener::~TlsListener() {
    stop();
}

std::string TlsListener::certificate_pem() const {
    std::ifstream in(impl_->dir / "sandbox-cert.pem", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

int TlsListener::start(int port) {
    if (impl_->server) return port_;
#ifndef CPPHTTPLIB_OPENSSL_SUPPORT
    (void)port;
    return -1;
#else
    const std::string cert = (impl_->dir / "sandbox-cert.pem").string();
    const std::string key = (impl_->dir / "sandbox-key.pem").string();
    auto server = std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str());
    if (!server->is_valid()) return -1;
    // A browser keeps several connections open; idle ones must not starve new ones.
    server->new_task_queue = [] { return new httplib::ThreadPool(16); };
    server->set_keep_alive_timeout(2);
    Handler h = impl_->handler;
    auto route = [h](const httplib::Request& req, httplib::Response& res) { h(req, res); };
    server->Get(".*", route);
    server->Post(".*", route);
    int bound = port == 0 ? server->bind_to_any_port("127.0.0.1")
                          : (server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) return -1;
    httplib::SSLServer* raw = server.get();
    impl_->server = std::move(server);
    impl_->thread = std::thread([raw] { raw->listen_after_bind(); });
    for (int i = 0; i < 5000 && !raw->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    port_ = bound;
    return bound;
#endif
}

void TlsListener::stop() {
    if (!impl_->server) return;
    impl_->server->stop();
    if (impl_->thread.joinable()) impl_->thread.join();
    impl_->server.reset();
    port_ = -1;
}

}  // namespace quillet::sandbox
