// The QR login of the simulator: ptqrshow hands out a code (a real QR picture
// and its qrsig cookie), ptqrlogin answers each poll from the code's state
// (66 not scanned, 67 scanned, 0 signed in with the login cookies, 65 once
// the code has lived too long), and a request to /sandbox/qr/confirm scans and
// confirms a code as an account, as a phone would.
#include <algorithm>
#include <cstdint>

#include "sandbox/qr_code.h"
#include "sandbox/world.h"

namespace quillet::sandbox {

namespace {

// "ssl.ptlogin2.qq.com" -> "ptlogin2.qq.com": the login cookies' domain.
std::string parent_domain(const std::string& host) {
    const size_t dot = host.find('.');
    if (dot == std::string::npos || host.find('.', dot + 1) == std::string::npos) return host;
    return host.substr(dot + 1);
}

// The poll token the page computes from qrsig.
std::string token_of(const std::string& qrsig) {
    uint64_t h = 0;
    for (unsigned char ch : qrsig) h = (h + (h << 5) + ch) & 0xFFFFFFFFull;
    return std::to_string(h & 0x7FFFFFFF);
}

Answer callback(const std::string& code, const std::string& url, const std::string& message,
                const std::string& nickname) {
    return text_answer(
        "ptuiCB('" + code + "','0','" + url + "','0','" + message + "', '" + nickname + "')\n",
        "application/javascript; charset=utf-8");
}

int bounded_int(const std::string& text, int low, int high, int fallback) {
    if (text.empty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return fallback;
    return std::clamp(std::stoi(text), low, high);
}

}  // namespace

Answer World::ptqrshow(const Call& c) {
    QrCode code;
    code.id = hex_digest("qr" + std::to_string(++serial_), 8);
    // qrsig carries '-' and '*' as the real ones do: the token hashes bytes,
    // not just letters and digits.
    code.qrsig = hex_digest("qrsig" + code.id, 38) + "-*";
    auto modules = encode_qr("http://sandbox.invalid/qr/" + code.id);
    if (!modules) return text_answer("", "image/png");
    code.modules = *modules;
    code.served = std::chrono::steady_clock::now();
    // s: pixels a module (the real page asks for 3).
    const int scale = bounded_int(c.query_param("s"), 1, 12, 3);
    Answer a;
    a.content_type = "image/png";
    a.body = qr_png(code.modules, scale, 2);
    a.headers.emplace_back("Set-Cookie",
                           "qrsig=" + code.qrsig + "; Path=/; Domain=" + parent_domain(c.host));
    qr_codes_.push_back(code);
    if (qr_served_hook_) qr_served_hook_(code.id);
    return a;
}

Answer World::ptqrlogin(const Call& c) {
    const std::string qrsig = c.cookie("qrsig");
    auto it = std::find_if(qr_codes_.begin(), qr_codes_.end(),
                           [&](const QrCode& q) { return !qrsig.empty() && q.qrsig == qrsig; });
    if (it == qr_codes_.end() || c.query_param("ptqrtoken") != token_of(qrsig))
        return callback("10009", "", "二维码校验失败，请刷新页面后重试。", "");
    if (login_sigs_.count(c.query_param("login_sig")) == 0)
        return callback("10010", "", "登录签名无效，请刷新页面后重试。", "");
    QrCode& q = *it;
    ++q.polls;
    if (q.signed_in || std::chrono::steady_clock::now() - q.served > qr_lifetime_)
        return callback("65", "", "二维码已失效。", "");
    if (q.confirmed_qq.empty() && !qr_auto_qq_.empty() && q.polls >= 2)
        q.confirmed_qq = qr_auto_qq_;
    if (q.confirmed_qq.empty()) return callback("66", "", "二维码未失效。", "");
    if (++q.polls_since_confirm == 1) return callback("67", "", "二维码认证中。", "");

    const Account* a = account(q.confirmed_qq);
    if (!a) return callback("10005", "", "帐号不存在。", "");
    q.signed_in = true;
    const std::string url =
        "http://ptlogin2.game.qq.com/check_sig?pttype=1&uin=" + a->qq +
        "&service=ptqrlogin&nodirect=0&ptsigx=" + hex_digest("ptsigx" + q.id, 32) +
        "&s_url=" + c.query_param("u1") + "&f_url=&ptlang=2052&ptredirect=100&aid=21000124&daid=8";
    Answer ans = callback("0", url, "登录成功！", a->nickname);
    ans.headers = login_set_cookies(*a, c.host);
    return ans;
}

Answer World::qr_confirm(const Call& c) {
    const std::string code = c.query_param("code");
    std::string qq = c.query_param("qq");
    if (qq.empty()) qq = demo_qq_;
    auto it = std::find_if(qr_codes_.begin(), qr_codes_.end(),
                           [&](const QrCode& q) { return q.id == code; });
    Answer a;
    a.content_type = "text/plain; charset=utf-8";
    if (it == qr_codes_.end() || account(qq) == nullptr) {
        a.status = 404;
        a.body = "no such code or account\n";
        return a;
    }
    it->confirmed_qq = qq;
    a.body = "code " + code + " confirmed as QQ " + qq + "\n";
    return a;
}

void World::set_qr_lifetime(std::chrono::milliseconds lifetime) {
    std::lock_guard lock(mutex_);
    qr_lifetime_ = lifetime;
}

void World::set_qr_auto_confirm(const std::string& qq) {
    std::lock_guard lock(mutex_);
    qr_auto_qq_ = qq;
}

bool World::confirm_qr(const std::string& code, const std::string& qq) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(qr_codes_.begin(), qr_codes_.end(),
                           [&](const QrCode& q) { return q.id == code; });
    const std::string who = qq.empty() ? demo_qq_ : qq;
    if (it == qr_codes_.end() || account(who) == nullptr) return false;
    it->confirmed_qq = who;
    return true;
}

void World::set_qr_served_hook(std::function<void(const std::string&)> hook) {
    std::lock_guard lock(mutex_);
    qr_served_hook_ = std::move(hook);
}

std::vector<std::vector<bool>> World::qr_modules(const std::string& code) const {
    std::lock_guard lock(mutex_);
    for (const QrCode& q : qr_codes_)
        if (q.id == code) return q.modules;
    return {};
}

std::vector<std::string> World::qr_codes() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const QrCode& q : qr_codes_) out.push_back(q.id);
    return out;
}

}  // namespace quillet::sandbox
