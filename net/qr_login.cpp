#include "net/qr_login.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "net/cookie_jar.h"
#include "net/cookie_mirror.h"
#include "net/cookie_var.h"
#include "net/hosts.h"
#include "net/http_client.h"
#include "net/http_headers.h"
#include "net/stop_signal.h"
#include "text/clock.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {

std::string qr_token(std::string_view qrsig) {
    uint32_t h = 0;
    for (unsigned char c : qrsig) h = h + (h << 5) + c;
    return std::to_string(h & 0x7FFFFFFFu);
}

std::optional<QrPollAnswer> parse_qr_poll_answer(std::string_view body) {
    const size_t start = body.find("ptuiCB(");
    if (start == std::string_view::npos) return std::nullopt;
    std::vector<std::string> args;
    size_t i = start + 7;
    for (;;) {
        while (i < body.size() && (body[i] == ' ' || body[i] == ',' || body[i] == '\t')) ++i;
        if (i >= body.size()) return std::nullopt;  // the call never closes
        if (body[i] == ')') break;
        const char quote = body[i];
        if (quote != '\'' && quote != '"') return std::nullopt;
        std::string value;
        for (++i;; ++i) {
            if (i >= body.size()) return std::nullopt;
            if (body[i] == '\\' && i + 1 < body.size()) {
                value += body[++i];
                continue;
            }
            if (body[i] == quote) break;
            value += body[i];
        }
        ++i;
        args.push_back(std::move(value));
        if (args.size() > 16) return std::nullopt;
    }
    if (args.size() < 5 || args[0].empty() || args[0].size() > 8 ||
        args[0].find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    QrPollAnswer a;
    a.code = args[0];
    a.url = args[2];
    a.message = args[4];
    if (args.size() > 5) a.nickname = args[5];
    return a;
}

namespace {

// The page's encodeURIComponent: letters, digits and -_.!~*'() stay.
std::string uri_component(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) ||
            std::string_view("-_.!~*'()").find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// A server's text made fit for one terminal line: control bytes dropped.
std::string one_line(std::string_view text) {
    std::string out;
    for (unsigned char c : text)
        if (c >= 0x20 && c != 0x7F) out += static_cast<char>(c);
    return out.size() > 200 ? out.substr(0, 200) : out;
}

// A stop signal for the login's requests that trips when the caller's does,
// or when the request in flight has run past its time limit.
class RequestWatch {
  public:
    explicit RequestWatch(int limit_ms)
        : outer_(current_stop_signal()), limit_ms_(limit_ms), watcher_([this] { watch(); }) {}
    ~RequestWatch() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        watcher_.join();
    }
    RequestWatch(const RequestWatch&) = delete;
    RequestWatch& operator=(const RequestWatch&) = delete;

    // Runs one request under the limit; timed_out tells whether it tripped.
    HttpResponse run(HttpClient& http, const HttpRequest& request, bool& timed_out) {
        {
            std::lock_guard lock(mutex_);
            deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms_);
            armed_ = true;
            timed_out_ = false;
            if (!outer_stopped()) inner_.reset();
        }
        HttpResponse r;
        {
            ScopedStopSignal scope(&inner_);
            r = http.request(request);
        }
        std::lock_guard lock(mutex_);
        armed_ = false;
        timed_out = timed_out_;
        return r;
    }
    bool outer_stopped() const { return outer_ != nullptr && outer_->requested(); }

  private:
    void watch() {
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (done_) return;
                if (outer_stopped()) inner_.request();
                if (armed_ && std::chrono::steady_clock::now() > deadline_) {
                    timed_out_ = true;
                    inner_.request();
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    const StopSignal* outer_;
    int limit_ms_;
    StopSignal inner_;
    std::mutex mutex_;
    bool done_ = false, armed_ = false, timed_out_ = false;
    std::chrono::steady_clock::time_point deadline_;
    std::thread watcher_;
};

struct LoginRun {
    HttpClient& http;
    const HostTable& hosts;
    Clock& clock;
    QrLoginObserver& observer;
    const QrLoginSettings& settings;
    CookieMirror mirror;
    RequestWatch watch;
    QrLoginResult result;

    LoginRun(HttpClient& h, const HostTable& t, Clock& c, QrLoginObserver& o,
             const QrLoginSettings& s)
        : http(h),
          hosts(t),
          clock(c),
          observer(o),
          settings(s),
          mirror(c),
          watch(s.request_time_limit_ms) {}

    bool stopped() const { return watch.outer_stopped() || stop_requested_here(); }

    QrLoginResult& fail(QrLoginFailure kind, std::string message) {
        result.failure = kind;
        result.message = one_line(message);
        result.cookies.clear();
        return result;
    }

    // One GET as a browser would make it: the cookies the store gives for the
    // address, no redirect followed, the answer's cookies stored as they
    // came. Empty headers when nothing came back (or the caller stopped).
    struct Got {
        std::string body;
        std::string headers;
        bool timed_out = false;
    };
    Got get(const std::string& url) {
        CookieVar cookie(mirror.read(url, true));
        HttpRequest req;
        req.url = url;
        req.cookie = &cookie;
        req.no_redirect = true;
        Got got;
        HttpResponse r = watch.run(http, req, got.timed_out);
        got.body = std::move(r.body);
        got.headers = http::normalise_answer_headers(r.answer_headers);
        for (const std::string& line : split(got.headers, "\r\n")) {
            static const std::string_view kName = "Set-Cookie:";
            if (line.compare(0, kName.size(), kName) == 0)
                mirror.set_cookie(url, trim(std::string_view(line).substr(kName.size())));
        }
        return got;
    }

    // Waits ms in short steps; false when stopped meanwhile.
    bool pause(int ms) {
        const int64_t end = clock.steady_ms() + ms;
        while (clock.steady_ms() < end) {
            if (stopped()) return false;
            clock.sleep_ms(static_cast<int>(std::min<int64_t>(50, end - clock.steady_ms())));
        }
        return !stopped();
    }

    std::string ssl_base() const {
        return settings.secure_scheme + "://" + hosts[Host::PTLOGIN_SSL];
    }

    std::string random_fraction() {
        std::random_device device;
        std::mt19937_64 gen(device());
        std::uniform_int_distribution<uint64_t> d(1, 9999999999999999ull);
        std::string digits = std::to_string(d(gen));
        return "0." + std::string(16 - std::min<size_t>(16, digits.size()), '0') + digits;
    }

    QrLoginResult run();
    bool follow_check_sig(const std::string& url);
};

// The header block's status code and Location line (3xx only).
std::optional<std::string> location_of(const std::string& headers) {
    const std::vector<std::string> lines = split(headers, "\r\n");
    if (lines.empty()) return std::nullopt;
    const std::string& status_line = lines.front();
    const size_t sp = status_line.find(' ');
    if (sp == std::string::npos || status_line.compare(sp + 1, 1, "3") != 0) return std::nullopt;
    for (const std::string& line : lines) {
        const size_t colon = line.find(':');
        if (colon != std::string::npos && to_lower_ascii(trim(line.substr(0, colon))) == "location")
            return trim(line.substr(colon + 1));
    }
    return std::nullopt;
}

// Location resolved against the address it came from (absolute, or a path
// on the same scheme and host).
std::string resolve(const std::string& base, const std::string& location) {
    if (location.find("://") != std::string::npos) return location;
    const size_t scheme_end = base.find("://");
    if (scheme_end == std::string::npos || location.empty() || location[0] != '/') return {};
    if (location.size() > 1 && location[1] == '/') return base.substr(0, scheme_end + 1) + location;
    const size_t path = base.find('/', scheme_end + 3);
    return base.substr(0, path) + location;
}

QrLoginResult LoginRun::run() {
    // The login page: its answer carries the signature every poll hands back.
    const std::string page = settings.secure_scheme + "://" + hosts[Host::PTLOGIN_XLOGIN] +
                             "/cgi-bin/xlogin?appid=21000124&s_url=http://" +
                             hosts[Host::GAME_APPS] + "&style=34";
    const Got page_answer = get(page);
    if (stopped()) return fail(QrLoginFailure::Stopped, "stopped");
    std::string login_sig;
    for (const StoredCookie& c : mirror.cookies_for(page))
        if (c.name == "pt_login_sig") login_sig = c.value;
    if (page_answer.headers.empty())
        return fail(QrLoginFailure::LoginPage,
                    "cannot load the QQ login page from " + hosts[Host::PTLOGIN_XLOGIN]);
    if (login_sig.empty())
        return fail(QrLoginFailure::LoginPage,
                    "the QQ login page gave no pt_login_sig cookie: cannot poll a QR code");

    const int codes = 1 + std::max(0, settings.refreshes);
    for (int number = 1; number <= codes; ++number) {
        const std::string show =
            ssl_base() + "/ptqrshow?appid=21000124&e=2&l=M&s=3&d=72&v=4&t=" + random_fraction() +
            "&daid=8&pt_3rd_aid=0";
        const Got picture = get(show);
        if (stopped()) return fail(QrLoginFailure::Stopped, "stopped");
        std::string why;
        const auto image = read_png_grey(picture.body, &why);
        if (!image)
            return fail(QrLoginFailure::Picture,
                        "the login server sent no QR picture (" +
                            (picture.body.empty() ? std::string("an empty answer") : why) + ")");
        const auto modules = sample_qr_modules(*image);
        if (!modules)
            return fail(QrLoginFailure::Picture, "the login server's picture holds no QR code");
        std::string qrsig;
        for (const StoredCookie& c : mirror.cookies_for(show))
            if (c.name == "qrsig") qrsig = c.value;
        if (qrsig.empty())
            return fail(QrLoginFailure::Picture, "the QR picture came without its qrsig cookie");
        observer.code(picture.body, *modules, number);

        const std::string token = qr_token(qrsig);
        std::string last_code;
        int unanswered = 0;
        const int64_t shown_at = clock.steady_ms();
        bool expired = false;
        while (!expired) {
            if (!pause(settings.poll_interval_ms)) return fail(QrLoginFailure::Stopped, "stopped");
            if (clock.steady_ms() - shown_at > settings.code_time_limit_ms) {
                expired = true;
                break;
            }
            const std::string poll =
                ssl_base() + "/ptqrlogin?u1=" + uri_component("http://" + hosts[Host::GAME_APPS]) +
                "&ptqrtoken=" + token +
                "&ptredirect=0&h=1&t=1&g=1&from_ui=1&ptlang=2052&action=0-0-" +
                unix_time_text(clock) + "&js_type=1&login_sig=" + uri_component(login_sig) +
                "&pt_uistyle=40&aid=21000124";
            const Got answer = get(poll);
            if (stopped()) return fail(QrLoginFailure::Stopped, "stopped");
            if (answer.timed_out)
                return fail(QrLoginFailure::Answer,
                            "the login server's answer to a poll never ended (gave up after " +
                                std::to_string(settings.request_time_limit_ms / 1000) + " s)");
            if (answer.body.empty()) {
                // A lost poll or two are no reason to give up the code.
                if (++unanswered < 3) continue;
                return fail(QrLoginFailure::Answer, "the login server does not answer the polls");
            }
            unanswered = 0;
            const auto a = parse_qr_poll_answer(answer.body);
            if (!a)
                return fail(QrLoginFailure::Answer,
                            "the login server's answer to a poll is not understood");
            if (a->code == "65") {
                expired = true;
            } else if (a->code == "66" || a->code == "67") {
                if (a->code != last_code)
                    observer.state(a->code == "66" ? QrLoginState::Waiting : QrLoginState::Scanned,
                                   {}, {});
                last_code = a->code;
            } else if (a->code == "0") {
                if (!follow_check_sig(a->url)) return result;
                const std::string cookies =
                    mirror.read("http://" + hosts[Host::PTLOGIN] + "/", true);
                if (CookieJar::cookie_value_copy(cookies, "skey", true).empty())
                    return fail(
                        QrLoginFailure::NoSession,
                        "the login ended without an skey cookie for " + hosts[Host::PTLOGIN]);
                std::string uin = CookieJar::cookie_value_copy(cookies, "uin", true);
                size_t lead = 0;
                while (lead < uin.size() && (uin[lead] == 'o' || uin[lead] == '0')) ++lead;
                result.cookies = cookies;
                result.qq = uin.substr(lead);
                result.nickname = one_line(a->nickname);
                observer.state(QrLoginState::SignedIn, result.qq, result.nickname);
                return result;
            } else {
                return fail(QrLoginFailure::Refused,
                            "the login server refused: " +
                                (a->message.empty() ? "code " + a->code : a->message) + " (" +
                                a->code + ")");
            }
        }
    }
    return fail(QrLoginFailure::Expired, "the QR code expired " + std::to_string(codes) +
                                             " times without being confirmed; run the login again");
}

bool LoginRun::follow_check_sig(const std::string& first) {
    // Only the login's own hosts take part; the walk ends at the game site's
    // landing address, which the login does not need to load.
    const std::set<std::string> own = {to_lower_ascii(hosts[Host::PTLOGIN_GAME]),
                                       to_lower_ascii(hosts[Host::PTLOGIN]),
                                       to_lower_ascii(hosts[Host::PTLOGIN_SSL])};
    const std::string landing = to_lower_ascii(hosts[Host::GAME_APPS]);
    std::set<std::string> seen;
    std::string url = first;
    for (int hop = 0;; ++hop) {
        const http::Target t = http::target_of(url);
        const std::string host = to_lower_ascii(t.host);
        if (!t.ok) {
            fail(QrLoginFailure::Redirect, "the login named no usable address to go on to");
            return false;
        }
        if (host == landing) return true;
        if (own.count(host) == 0) {
            fail(QrLoginFailure::Redirect,
                 "the login sent us to a foreign host (" + t.host + "); not followed");
            return false;
        }
        if (!seen.insert(url).second || hop >= settings.max_redirects) {
            fail(QrLoginFailure::Redirect, "the login's redirects go round in a loop");
            return false;
        }
        const Got got = get(url);
        if (stopped()) {
            fail(QrLoginFailure::Stopped, "stopped");
            return false;
        }
        if (got.headers.empty()) {
            fail(QrLoginFailure::Redirect, "no answer from " + t.host + " after the confirmation");
            return false;
        }
        const auto location = location_of(got.headers);
        if (!location) return true;  // the end of the chain
        url = resolve(url, *location);
    }
}

}  // namespace

QrLoginResult run_qr_login(HttpClient& http, const HostTable& hosts, Clock& clock,
                           QrLoginObserver& observer, const QrLoginSettings& settings) {
    LoginRun run(http, hosts, clock, observer, settings);
    return run.run();
}

}  // namespace quillet
