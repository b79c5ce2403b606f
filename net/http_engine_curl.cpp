// The HTTP engine over libcurl (every system but Windows).
#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <vector>

#include "net/http_headers.h"
#include "net/http_transfer.h"
#include "net/stop_signal.h"

namespace quillet {
namespace {

using SteadyClock = std::chrono::steady_clock;

void global_init_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

using http::kMaxHeaderBlock;

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistFree>;

Slist make_slist(const std::vector<std::string>& lines) {
    curl_slist* list = nullptr;
    for (const std::string& line : lines) {
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (!grown) {
            curl_slist_free_all(list);
            return nullptr;
        }
        list = grown;
    }
    return Slist(list);
}

// What one transfer collects, and what it watches to give up on a stalled or
// oversized answer.
struct Transfer {
    std::string body;
    std::string header_block;
    std::string redirect_headers;  // the Set-Cookie lines of the answers before
    int64_t max_body = 0;
    int stall_ms = 0;
    SteadyClock::time_point last_activity = SteadyClock::now();
    curl_off_t seen_down = 0, seen_up = 0;
    bool too_big = false;
    // A HEAD that sends a body cannot tell the transfer that its answer has
    // none: the transfer is ended once the answer's header block is complete.
    bool head_with_body = false;
    bool head_complete = false;
    // The stop request of the job that runs the transfer (null: none).
    const StopSignal* stop = nullptr;

    bool stopping() const { return stop && stop->requested(); }

    void touch() { last_activity = SteadyClock::now(); }
};

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    t->touch();
    if (t->max_body > 0 && static_cast<int64_t>(t->body.size() + n) > t->max_body) {
        t->too_big = true;
        return 0;  // aborts the transfer
    }
    t->body.append(data, n);
    return n;
}

// Appends the Set-Cookie lines (any letter case) of a header block to out.
void keep_cookie_lines(std::string_view block, std::string& out) {
    static constexpr std::string_view kName = "set-cookie:";
    while (!block.empty()) {
        size_t end = block.find('\n');
        std::string_view line =
            block.substr(0, end == std::string_view::npos ? block.size() : end + 1);
        block.remove_prefix(line.size());
        if (line.size() < kName.size() || out.size() + line.size() > kMaxHeaderBlock) continue;
        bool same = true;
        for (size_t i = 0; i < kName.size() && same; ++i) {
            char c = line[i];
            same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == kName[i];
        }
        if (same) out.append(line);
    }
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    t->touch();
    std::string_view line(data, n);
    // Each answer of a redirect chain (and an interim 100) starts a new block:
    // only the final answer's headers are kept, and the cookies of the others.
    if (line.substr(0, 5) == "HTTP/") {
        keep_cookie_lines(t->header_block, t->redirect_headers);
        t->header_block.clear();
    }
    if (t->header_block.size() + n > kMaxHeaderBlock) return 0;
    t->header_block.append(line);
    if (t->head_with_body && (line == "\r\n" || line == "\n") &&
        t->header_block.substr(0, 5) == "HTTP/") {
        size_t space = t->header_block.find(' ');
        bool interim = space != std::string::npos && t->header_block.size() > space + 1 &&
                       t->header_block[space + 1] == '1';
        if (!interim) {
            t->head_complete = true;
            return 0;
        }
    }
    return n;
}

int on_progress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* t = static_cast<Transfer*>(user);
    if (t->stopping()) return 1;  // aborts the transfer: an empty answer, like a reset
    if (down != t->seen_down || up != t->seen_up) {
        t->seen_down = down;
        t->seen_up = up;
        t->touch();
        return 0;
    }
    auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() -
                                                                      t->last_activity);
    return idle.count() > t->stall_ms ? 1 : 0;
}

}  // namespace

struct HttpClient::Impl {
    HttpOptions options;
    CURLSH* share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
    Slist connect_to;
    std::mutex pool_mutex;
    // Idle handles, each with the multi handle that drives it; their
    // connections live in the share.
    struct Handle {
        CURL* easy = nullptr;
        CURLM* multi = nullptr;
    };
    std::vector<Handle> pool;

    explicit Impl(HttpOptions o) : options(std::move(o)) {
        global_init_once();
        share = curl_share_init();
        if (share) {
            curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Impl::lock);
            curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Impl::unlock);
            curl_share_setopt(share, CURLSHOPT_USERDATA, this);
            curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
            curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
            curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        }
        // Routing rules as connect-to entries: any port of the named host (or of
        // every host for "*") goes to the rule's address; the first match wins.
        std::vector<std::string> entries;
        for (const RouteRule& r : options.routing.rules()) {
            std::string host = r.host == "*" ? "" : r.host;
            entries.push_back(host + "::" + r.address + ":" + std::to_string(r.port));
        }
        connect_to = make_slist(entries);
    }

    ~Impl() {
        for (Handle& h : pool) {
            curl_multi_cleanup(h.multi);
            curl_easy_cleanup(h.easy);
        }
        if (share) curl_share_cleanup(share);
    }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Impl*>(user)->locks[static_cast<size_t>(data) % CURL_LOCK_DATA_LAST].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Impl*>(user)->locks[static_cast<size_t>(data) % CURL_LOCK_DATA_LAST].unlock();
    }

    Handle acquire() {
        {
            std::lock_guard guard(pool_mutex);
            if (!pool.empty()) {
                Handle h = pool.back();
                pool.pop_back();
                return h;
            }
        }
        Handle h{curl_easy_init(), curl_multi_init()};
        if (!h.easy || !h.multi) {
            if (h.easy) curl_easy_cleanup(h.easy);
            if (h.multi) curl_multi_cleanup(h.multi);
            return {};
        }
        // A reset keeps the share, so it is attached once per handle.
        if (share) curl_easy_setopt(h.easy, CURLOPT_SHARE, share);
        // The shared pool is limited by the multi handle that returns a
        // connection to it: room for a connection per thread, as below.
        curl_multi_setopt(h.multi, CURLMOPT_MAXCONNECTS, 64L);
        return h;
    }

    void release(Handle h) {
        curl_easy_reset(h.easy);
        std::lock_guard guard(pool_mutex);
        pool.push_back(h);
    }

    // Drives one transfer to its end. The wait for the socket is short, so a
    // stop request is seen within a fraction of a second even while the
    // server says nothing (the progress callback alone may be called only
    // once a second then).
    static CURLcode run(const Handle& handle, const Transfer& t) {
        constexpr int kWaitMs = 50;
        CURL* h = handle.easy;
        CURLM* m = handle.multi;
        if (curl_multi_add_handle(m, h) != CURLM_OK) return CURLE_FAILED_INIT;
        CURLcode rc = CURLE_RECV_ERROR;
        for (;;) {
            int running = 0;
            if (curl_multi_perform(m, &running) != CURLM_OK) break;
            bool done = false;
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(m, &queued)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) {
                    rc = msg->data.result;
                    done = true;
                }
            }
            if (done || running == 0) break;
            if (t.stopping()) {
                rc = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (curl_multi_poll(m, nullptr, 0, kWaitMs, nullptr) != CURLM_OK) break;
        }
        curl_multi_remove_handle(m, h);
        return rc;
    }

    // Runs one transfer; false when it failed (nothing usable was answered).
    bool perform(const http::Plan& plan, curl_slist* headers, Transfer& t, long& status) {
        t.stop = current_stop_signal();
        if (t.stopping()) return false;
        Handle handle = acquire();
        if (!handle.easy) return false;
        CURL* h = handle.easy;
        t.max_body = options.max_body_bytes;
        t.stall_ms = std::max(plan.stall_ms, 1);
        t.touch();

        curl_easy_setopt(h, CURLOPT_URL, plan.url.c_str());
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, plan.no_redirect ? 0L : 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::max(plan.connect_ms, 1)));
        // Two guards against a server that stops talking: no byte at all for
        // the stall time (progress callback), and a trickle below one byte a
        // second over that time.
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>((t.stall_ms + 999) / 1000));
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &on_progress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &on_body);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &on_header);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        curl_easy_setopt(h, CURLOPT_TCP_NODELAY, 1L);
        // The pool is shared by every thread: room for a connection each.
        curl_easy_setopt(h, CURLOPT_MAXCONNECTS, 64L);
        if (plan.agent) curl_easy_setopt(h, CURLOPT_USERAGENT, plan.agent->c_str());
        // A caller that names encodings it accepts gets the answer decoded; its
        // own line is the only Accept-Encoding line sent.
        if (plan.decode) curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
        // No proxy unless asked: an empty text also overrides the environment.
        std::string proxy = plan.proxy.empty() ? "" : "http://" + plan.proxy;
        curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());
        if (!plan.proxy.empty() && !plan.proxy_user.empty()) {
            if (plan.server_credentials) {
                curl_easy_setopt(h, CURLOPT_USERNAME, plan.proxy_user.c_str());
                curl_easy_setopt(h, CURLOPT_PASSWORD, plan.proxy_password.c_str());
            } else {
                curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, plan.proxy_user.c_str());
                curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, plan.proxy_password.c_str());
            }
        }
        if (connect_to) curl_easy_setopt(h, CURLOPT_CONNECT_TO, connect_to.get());
        if (!options.ca_file.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, options.ca_file.c_str());

        const int method = http::normalised_method(plan.method);
        t.head_with_body = method == 2 && plan.send_body;
        if (method == 2 && !plan.send_body) {
            // HEAD: the answer has no body; a body of ours may still go out.
            curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        } else if (options.max_body_bytes > 0 && method != 2) {
            curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE,
                             static_cast<curl_off_t>(options.max_body_bytes));
        }
        if (method == 1 || plan.send_body) {
            static const std::string kEmpty;
            const std::string& b = plan.send_body ? *plan.send_body : kEmpty;
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(b.size()));
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, b.data());
            if (method != 1)
                curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, http::method_text(method).data());
        } else if (method == 0) {
            curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        }

        CURLcode rc = run(handle, t);
        long code = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
        release(handle);
        status = code;
        if (t.head_complete) return true;
        return rc == CURLE_OK && !t.too_big;
    }
};

HttpClient::HttpClient(HttpOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}
HttpClient::~HttpClient() = default;

const HttpOptions& HttpClient::options() const {
    return impl_->options;
}

bool HttpClient::perform(const http::Plan& plan, http::Answer& answer) {
    std::vector<std::string> lines = plan.lines;
    // curl adds none of its own defaults: every line sent is one of ours.
    for (const char* own : {"Accept:", "Content-Type:", "Expect:"}) lines.emplace_back(own);
    Slist list = make_slist(lines);
    if (!list) return false;
    Transfer t;
    long status = 0;
    if (!impl_->perform(plan, list.get(), t, status)) return false;
    answer.status = status;
    answer.body = std::move(t.body);
    answer.header_block = std::move(t.header_block);
    answer.redirect_headers = std::move(t.redirect_headers);
    return true;
}

}  // namespace quillet
