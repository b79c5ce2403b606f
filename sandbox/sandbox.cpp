// The transport of the sandbox: an HTTP server on loopback whose connections we
// run ourselves (so the request log keeps the header lines in the order they
// arrived, a stalled or idle connection never delays stop(), and a reset is a
// real one), with the HTTP parsing and answer writing left to the library.
#include "sandbox/sandbox.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "sandbox/login_page.h"
#include "sandbox/socket_io.h"
#include "sandbox/world.h"

namespace quillet::sandbox {

std::filesystem::path default_scenario_dir() {
    if (const char* env = std::getenv("QUILLET_SANDBOX_SCENARIO"); env && *env) return env;
    // An installed program reads the scenario installed beside it
    // (PREFIX/bin/.. /share/quillet/scenarios/default), not the source tree's.
    // The Windows zip keeps it beside the program (FOLDER\scenarios\default).
    std::error_code ec;
#ifdef _WIN32
    std::wstring module(32768, L'\0');
    module.resize(GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size())));
    const std::filesystem::path exe(module);
    if (module.empty()) ec = std::make_error_code(std::errc::no_such_file_or_directory);
    const auto beside = exe.parent_path() / "scenarios" / "default";
    if (!ec && std::filesystem::exists(beside / "scenario.json", ec)) return beside;
#else
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
#endif
    if (!ec) {
        const auto installed =
            exe.parent_path().parent_path() / "share" / "quillet" / "scenarios" / "default";
        if (std::filesystem::exists(installed / "scenario.json", ec)) return installed;
    }
#ifdef QUILLET_SANDBOX_SCENARIO_DIR
    return QUILLET_SANDBOX_SCENARIO_DIR;
#else
    return "sandbox/scenarios/default";
#endif
}

std::string RecordedRequest::header(std::string_view name) const {
    std::string want = ascii_lower(name);
    for (const auto& [k, v] : headers) {
        if (ascii_lower(k) == want) return v;
    }
    return {};
}

namespace {

constexpr int kKeepAliveMs = 5000;
constexpr int kIoTimeoutMs = 5000;

struct Connection {
    socket_t fd = INVALID_SOCKET;
    std::string capture;  // bytes of the current request as they were read
    bool reset = false;   // close with a reset instead of an orderly shutdown
};

thread_local Connection* t_connection = nullptr;

bool wait_for(socket_t fd, short events, int timeout_ms) {
    return socket_io::poll_one(fd, events, timeout_ms) > 0;
}

// The library reads a request through this stream; every byte handed over is
// also kept, so the raw request line and header lines can be recorded.
class CapturingStream : public httplib::Stream {
  public:
    explicit CapturingStream(Connection& c) : c_(c) {}

    bool is_readable() const override {
        return off_ < len_ || wait_for(c_.fd, POLLIN, kIoTimeoutMs);
    }
    bool is_writable() const override { return wait_for(c_.fd, POLLOUT, kIoTimeoutMs); }

    ssize_t read(char* ptr, size_t size) override {
        if (off_ >= len_) {
            if (!wait_for(c_.fd, POLLIN, kIoTimeoutMs)) return -1;
            auto n = socket_io::recv(c_.fd, buf_, sizeof buf_);
            if (n <= 0) return static_cast<ssize_t>(n);
            off_ = 0;
            len_ = static_cast<size_t>(n);
        }
        size_t k = std::min(size, len_ - off_);
        std::memcpy(ptr, buf_ + off_, k);
        c_.capture.append(buf_ + off_, k);
        off_ += k;
        return static_cast<ssize_t>(k);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!wait_for(c_.fd, POLLOUT, kIoTimeoutMs)) return -1;
        return static_cast<ssize_t>(socket_io::send(c_.fd, ptr, size));
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address(false, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address(true, ip, port);
    }
    socket_t socket() const override { return c_.fd; }

    bool has_buffered() const { return off_ < len_; }

  private:
    void address(bool local, std::string& ip, int& port) const {
        sockaddr_storage ss{};
        socklen_t len = sizeof ss;
        int r = local ? ::getsockname(c_.fd, reinterpret_cast<sockaddr*>(&ss), &len)
                      : ::getpeername(c_.fd, reinterpret_cast<sockaddr*>(&ss), &len);
        if (r != 0 || ss.ss_family != AF_INET) return;
        auto* in = reinterpret_cast<sockaddr_in*>(&ss);
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        ip = text;
        port = ntohs(in->sin_port);
    }

    Connection& c_;
    char buf_[8192];
    size_t off_ = 0, len_ = 0;
};

// One thread per connection: a stalled answer must not hold up the others.
class ThreadPerConnection : public httplib::TaskQueue {
  public:
    void enqueue(std::function<void()> fn) override {
        std::lock_guard lock(mutex_);
        reap_locked();
        uint64_t id = next_++;
        threads_.emplace(id, std::thread([this, id, fn = std::move(fn)] {
                             fn();
                             std::lock_guard l(mutex_);
                             finished_.push_back(id);
                         }));
    }
    void shutdown() override {
        std::map<uint64_t, std::thread> all;
        {
            std::lock_guard lock(mutex_);
            all.swap(threads_);
            finished_.clear();
        }
        for (auto& [id, t] : all) t.join();
    }

  private:
    void reap_locked() {
        for (uint64_t id : finished_) {
            auto it = threads_.find(id);
            if (it != threads_.end()) {
                it->second.join();
                threads_.erase(it);
            }
        }
        finished_.clear();
    }
    std::mutex mutex_;
    std::map<uint64_t, std::thread> threads_;
    std::vector<uint64_t> finished_;
    uint64_t next_ = 0;
};

struct Rule {
    std::string prefix, host;
    Misbehaviour m;
    int delay_ms;
};

std::string strip_port(std::string host) {
    if (!host.empty() && host[0] == '[') {
        size_t end = host.find(']');
        return end == std::string::npos ? host : host.substr(1, end - 1);
    }
    size_t colon = host.rfind(':');
    if (colon != std::string::npos) host.resize(colon);
    return host;
}

// Request line and header lines of a captured request, in order.
void parse_head(const std::string& raw, RecordedRequest& r) {
    size_t end = raw.find("\r\n\r\n");
    std::string head = raw.substr(0, end);
    size_t pos = 0;
    bool first = true;
    while (pos <= head.size()) {
        size_t eol = head.find("\r\n", pos);
        if (eol == std::string::npos) eol = head.size();
        std::string line = head.substr(pos, eol - pos);
        pos = eol + 2;
        if (first) {
            first = false;
            size_t a = line.find(' ');
            size_t b = line.rfind(' ');
            if (a != std::string::npos && b > a) {
                r.method = line.substr(0, a);
                r.target = line.substr(a + 1, b - a - 1);
            }
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 1);
        size_t vb = value.find_first_not_of(" \t");
        size_t ve = value.find_last_not_of(" \t");
        value = vb == std::string::npos ? "" : value.substr(vb, ve - vb + 1);
        r.headers.emplace_back(line.substr(0, colon), value);
    }
}

}  // namespace

struct Sandbox::Impl {
    class Server : public httplib::Server {
      public:
        explicit Server(Impl& owner) : owner_(owner) {}

      private:
        bool process_and_close_socket(socket_t sock) override {
            if (!owner_.adopt(sock)) {
                socket_io::close(sock);
                return false;
            }
            // Answers go out as several writes; without this, Nagle's algorithm
            // and the client's delayed ACK hold each answer back ~40 ms.
            socket_io::set_option(sock, IPPROTO_TCP, TCP_NODELAY, 1);
            Connection conn;
            conn.fd = sock;
            CapturingStream stream(conn);
            t_connection = &conn;
            for (int served = 0; served < 100000; ++served) {
                if (!stream.has_buffered() && !wait_for(sock, POLLIN, kKeepAliveMs)) break;
                if (owner_.stopping()) break;
                conn.capture.clear();
                bool closed = false;
                bool ok = process_request(stream, false, closed, nullptr);
                if (!ok || closed || conn.reset) break;
            }
            t_connection = nullptr;
            owner_.release(sock);
            if (conn.reset) socket_io::reset_on_close(sock);
            socket_io::close(sock);
            return true;
        }
        Impl& owner_;
    };

    explicit Impl(std::filesystem::path dir) : world(std::move(dir)) {}

    World world;
    std::unique_ptr<Server> server;
    std::unique_ptr<TlsListener> tls;
    std::thread listener;
    int port = -1;

    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stop_requested = false;
    std::set<socket_t> sockets;
    size_t accepted = 0;
    std::vector<RecordedRequest> log;
    std::vector<Rule> rules;
    size_t oversized = size_t{40} << 20;

    bool adopt(socket_t fd) {
        std::lock_guard lock(mutex);
        if (stop_requested) return false;
        sockets.insert(fd);
        ++accepted;
        return true;
    }
    void release(socket_t fd) {
        std::lock_guard lock(mutex);
        sockets.erase(fd);
    }
    bool stopping() const {
        std::lock_guard lock(mutex);
        return stop_requested;
    }
    // Waits ms (forever when negative) or until stop; false when stopped.
    bool sleep(int ms) {
        std::unique_lock lock(mutex);
        if (ms < 0) {
            wake.wait(lock, [&] { return stop_requested; });
            return false;
        }
        return !wake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stop_requested; });
    }

    void handle(const httplib::Request& req, httplib::Response& res);
};

void Sandbox::Impl::handle(const httplib::Request& req, httplib::Response& res) {
    RecordedRequest rec;
    Connection* conn = t_connection;
    if (conn) parse_head(conn->capture, rec);
    if (rec.method.empty()) {
        rec.method = req.method;
        rec.target = req.target;
        for (const auto& [k, v] : req.headers) rec.headers.emplace_back(k, v);
    }
    rec.body = req.body;
    rec.host = strip_port(rec.header("Host"));
    rec.path = rec.target.substr(0, rec.target.find('?'));

    Rule rule{"", "", Misbehaviour::None, 0};
    {
        std::lock_guard lock(mutex);
        log.push_back(rec);
        for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
            if (rec.path.compare(0, it->prefix.size(), it->prefix) == 0 &&
                (it->host.empty() || ascii_lower(it->host) == ascii_lower(rec.host))) {
                rule = *it;
                break;
            }
        }
    }

    Call call;
    call.method = rec.method;
    call.host = rec.host;
    call.target = rec.target;
    call.path = rec.path;
    size_t q = rec.target.find('?');
    if (q != std::string::npos) call.query = rec.target.substr(q + 1);
    call.headers = rec.headers;
    call.body = rec.body;

    switch (rule.m) {
        case Misbehaviour::None:
            break;
        case Misbehaviour::Delay:
            if (!sleep(rule.delay_ms)) return;
            break;
        case Misbehaviour::Stall:
            sleep(-1);
            res.status = 503;
            return;
        case Misbehaviour::Empty:
            res.status = 200;
            res.set_content("", "text/html");
            return;
        case Misbehaviour::Garbage: {
            std::string junk;
            uint64_t s = 0x2545F4914F6CDD1Dull ^ rec.target.size();
            for (int i = 0; i < 4096; ++i) {
                s ^= s << 13, s ^= s >> 7, s ^= s << 17;
                junk += static_cast<char>(s & 0xFF);
            }
            // Make sure the worst bytes are there: NULs, a lone GBK lead byte,
            // broken UTF-8 and script-breaking quotes.
            junk.replace(0, 12, std::string("\0\x81\xC3('\"}])\xFF\xFE", 12));
            res.status = 200;
            res.set_content(junk, "application/octet-stream");
            return;
        }
        case Misbehaviour::ErrorStatus:
            res.status = 500;
            res.set_content(
                "<html><head><title>500 Internal Server Error</title></head><body><center>"
                "<h1>500 Internal Server Error</h1></center></body></html>",
                "text/html");
            return;
        case Misbehaviour::Oversized: {
            size_t total = oversized;
            const std::string head = "{\"ret\":\"0\",\"msg\":\"";
            const std::string tail = "\"}";
            res.status = 200;
            res.set_content_provider(
                total, "text/html",
                [head, tail, total](size_t offset, size_t length, httplib::DataSink& sink) {
                    std::string chunk;
                    size_t n = std::min<size_t>(length, 64 * 1024);
                    chunk.reserve(n);
                    for (size_t i = offset; i < offset + n; ++i) {
                        if (i < head.size())
                            chunk += head[i];
                        else if (i >= total - tail.size())
                            chunk += tail[i - (total - tail.size())];
                        else
                            chunk += static_cast<char>('a' + i % 26);
                    }
                    return sink.write(chunk.data(), chunk.size());
                });
            return;
        }
        case Misbehaviour::Reset:
            break;
    }

    Answer a = world.serve(call);
    res.status = a.status;
    for (const auto& [k, v] : a.headers) res.headers.emplace(k, v);
    if (rule.m == Misbehaviour::Reset) {
        std::string body = a.body;
        if (body.size() < 512) body += std::string(2048, ' ');
        size_t half = body.size() / 2;
        res.set_content_provider(
            body.size(), a.content_type,
            [body, half, conn](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset < half) sink.write(body.data() + offset, half - offset);
                if (conn) conn->reset = true;
                return false;
            });
        return;
    }
    res.set_content(a.body, a.content_type);
}

// ---------------------------------------------------------------- Sandbox

Sandbox::Sandbox(std::filesystem::path scenario_dir)
    : impl_(std::make_unique<Impl>(std::move(scenario_dir))) {}

Sandbox::~Sandbox() {
    stop();
}

int Sandbox::start(int port) {
    socket_io::start();
    if (impl_->server) return impl_->port;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stop_requested = false;
    }
    auto server = std::make_unique<Impl::Server>(*impl_);
    server->new_task_queue = [] { return new ThreadPerConnection; };
    server->set_keep_alive_timeout(kKeepAliveMs / 1000);
    server->set_payload_max_length(size_t{64} << 20);
    Impl* impl = impl_.get();
    auto handler = [impl](const httplib::Request& req, httplib::Response& res) {
        impl->handle(req, res);
    };
    server->Get(".*", handler);
    server->Post(".*", handler);
    server->Put(".*", handler);
    server->Delete(".*", handler);
    server->Options(".*", handler);
    // The server library's default also sets SO_REUSEPORT, which lets a second
    // simulator listen on a port in use and split the requests between two
    // worlds: only SO_REUSEADDR (a restart may reuse a port in TIME_WAIT).
    server->set_socket_options([](socket_t sock) {
#ifdef _WIN32
        // Windows' SO_REUSEADDR would let a second server take the port: there
        // the port is claimed for this server alone.
        socket_io::set_option(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1);
#else
        socket_io::set_option(sock, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
    });
    int bound = port == 0 ? server->bind_to_any_port("127.0.0.1")
                          : (server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) return -1;
    impl_->port = bound;
    Impl::Server* raw = server.get();
    impl_->server = std::move(server);
    impl_->listener = std::thread([raw] { raw->listen_after_bind(); });
    // A stop() before the listener runs would be lost (the server only stops
    // once it is running), so start() returns only when it is.
    for (int i = 0; i < 5000 && !raw->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

void Sandbox::stop() {
    if (impl_->tls) impl_->tls->stop();
    if (!impl_->server) return;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stop_requested = true;
        // Wake idle keep-alive waits and stalled or slow answers at once.
        for (socket_t fd : impl_->sockets) ::shutdown(fd, socket_io::kShutBoth);
    }
    impl_->wake.notify_all();
    impl_->server->stop();
    if (impl_->listener.joinable()) impl_->listener.join();
    impl_->server.reset();
    impl_->port = -1;
}

int Sandbox::port() const {
    return impl_->port;
}

int Sandbox::start_tls(int port) {
    Impl* impl = impl_.get();
    if (!impl->tls)
        impl->tls = std::make_unique<TlsListener>(
            default_certificate_dir(), [impl](const httplib::Request& req, httplib::Response& res) {
                impl->handle(req, res);
            });
    return impl->tls->start(port);
}

int Sandbox::tls_port() const {
    return impl_->tls ? impl_->tls->port() : -1;
}

std::string Sandbox::tls_certificate_pem() const {
    return TlsListener(default_certificate_dir(), {}).certificate_pem();
}

std::vector<RecordedRequest> Sandbox::requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->log;
}

void Sandbox::clear_requests() {
    std::lock_guard lock(impl_->mutex);
    impl_->log.clear();
}

size_t Sandbox::connections_accepted() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->accepted;
}

void Sandbox::misbehave(const std::string& path_prefix, Misbehaviour m, int delay_ms,
                        const std::string& host) {
    std::lock_guard lock(impl_->mutex);
    auto& rules = impl_->rules;
    rules.erase(
        std::remove_if(rules.begin(), rules.end(),
                       [&](const Rule& r) { return r.prefix == path_prefix && r.host == host; }),
        rules.end());
    if (m != Misbehaviour::None) rules.push_back({path_prefix, host, m, delay_ms});
}

void Sandbox::clear_misbehaviour() {
    std::lock_guard lock(impl_->mutex);
    impl_->rules.clear();
}

void Sandbox::set_oversized_bytes(size_t bytes) {
    std::lock_guard lock(impl_->mutex);
    impl_->oversized = std::max<size_t>(bytes, 32);
}

void Sandbox::set_today(const quillet::DateTime& t) {
    impl_->world.set_today(t);
}
quillet::DateTime Sandbox::today() const {
    return impl_->world.today();
}

std::string Sandbox::account_cookie() const {
    return impl_->world.login_cookie("");
}
std::string Sandbox::account_qq() const {
    return impl_->world.demo_qq();
}

std::string Sandbox::account_skey() const {
    std::lock_guard lock(impl_->world.mutex());
    const Account* a = impl_->world.account("");
    return a ? a->skey : "";
}

std::string Sandbox::account_nickname() const {
    std::lock_guard lock(impl_->world.mutex());
    const Account* a = impl_->world.account("");
    return a ? a->nickname : "";
}

void Sandbox::reset() {
    impl_->world.load();
}
std::string Sandbox::scenario_error() const {
    return impl_->world.load_error();
}
void Sandbox::set_version(const std::string& v) {
    impl_->world.set_version(v);
}
void Sandbox::set_vendor_file(const std::string& name, const std::string& utf8_text) {
    impl_->world.set_vendor_file(name, utf8_text);
}

namespace {
template <typename F>
auto with_account(World& w, const std::string& qq, F f) {
    std::lock_guard lock(w.mutex());
    Account* a = w.account(qq);
    return f(a);
}
}  // namespace

void Sandbox::set_bound_area(const std::string& activity_id, int area_id, const std::string& qq) {
    with_account(impl_->world, qq, [&](Account* a) {
        if (a) a->ams_bound[activity_id] = area_id;
    });
}

int Sandbox::bound_area(const std::string& activity_id, const std::string& qq) const {
    return with_account(impl_->world, qq, [&](Account* a) {
        if (!a) return 0;
        auto it = a->ams_bound.find(activity_id);
        return it == a->ams_bound.end() ? 0 : it->second;
    });
}

void Sandbox::set_roles(const std::vector<RoleSpec>& roles, const std::string& qq) {
    std::lock_guard lock(impl_->world.mutex());
    Account* a = impl_->world.account(qq);
    if (!a) return;
    std::map<int, Role> fresh;
    for (const auto& r : roles) fresh[r.area_id] = impl_->world.make_role(a->qq, r.area_id, r.name);
    a->roles = std::move(fresh);
}

void Sandbox::set_vip(int level, int growth, int next_level_growth, const std::string& expiry,
                      int green_level, const std::string& qq) {
    with_account(impl_->world, qq, [&](Account* a) {
        if (!a) return;
        a->vip_level = level;
        a->vip_growth = growth;
        a->vip_next = next_level_growth;
        a->vip_expiry = expiry;
        a->green_level = green_level;
    });
}

void Sandbox::set_ban_end(int64_t unix_seconds_value, const std::string& qq) {
    with_account(impl_->world, qq, [&](Account* a) {
        if (a) a->ban_end = unix_seconds_value;
    });
}

void Sandbox::set_balances(int judou_value, int bangdou_value, const std::string& qq) {
    with_account(impl_->world, qq, [&](Account* a) {
        if (!a) return;
        a->judou = judou_value;
        a->bangdou = bangdou_value;
    });
}

int Sandbox::judou(const std::string& qq) const {
    return with_account(impl_->world, qq, [&](Account* a) { return a ? a->judou : 0; });
}

int Sandbox::bangdou(const std::string& qq) const {
    return with_account(impl_->world, qq, [&](Account* a) { return a ? a->bangdou : 0; });
}

int Sandbox::claims(const std::string& key, const std::string& qq) const {
    return with_account(impl_->world, qq, [&](Account* a) {
        if (!a) return 0;
        auto it = a->claims.find(key);
        return it == a->claims.end() ? 0 : it->second;
    });
}

void Sandbox::clear_claims(const std::string& qq) {
    with_account(impl_->world, qq, [&](Account* a) {
        if (a) a->claims.clear();
    });
}

std::string Sandbox::captcha_code() const {
    return impl_->world.captcha_code();
}
void Sandbox::set_captcha_code(const std::string& letters) {
    impl_->world.set_captcha_code(letters);
}

std::string Sandbox::working_cdkey() const {
    return impl_->world.working_cdkey();
}

void Sandbox::set_qr_lifetime(std::chrono::milliseconds lifetime) {
    impl_->world.set_qr_lifetime(lifetime);
}

void Sandbox::set_qr_auto_confirm(const std::string& qq) {
    impl_->world.set_qr_auto_confirm(qq);
}

bool Sandbox::confirm_qr(const std::string& code, const std::string& qq) {
    return impl_->world.confirm_qr(code, qq);
}

void Sandbox::set_qr_served_hook(std::function<void(const std::string& code)> hook) {
    impl_->world.set_qr_served_hook(std::move(hook));
}

std::vector<std::string> Sandbox::qr_codes() const {
    return impl_->world.qr_codes();
}

std::vector<std::vector<bool>> Sandbox::qr_modules(const std::string& code) const {
    return impl_->world.qr_modules(code);
}

}  // namespace quillet::sandbox
