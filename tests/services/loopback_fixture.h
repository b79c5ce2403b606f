#pragma once
// A small loopback HTTP server whose answers a test scripts per path, and a
// session whose every host is routed to it. The server records each request
// as it arrived (raw target, body, the headers the readers care about).
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/session_bed.h"

namespace quillet::testing {

struct SeenRequest {
    std::string method, target, path, body, cookie, referer;
};

class Loopback {
  public:
    using Answer = std::function<std::string(const httplib::Request&)>;

    Loopback() {
        auto handler = [this](const httplib::Request& req, httplib::Response& res) {
            Answer answer;
            {
                std::lock_guard lock(mutex_);
                seen_.push_back({req.method, req.target, req.path, req.body,
                                 req.get_header_value("Cookie"), req.get_header_value("Referer")});
                auto it = answers_.find(req.path);
                if (it != answers_.end()) answer = it->second;
            }
            res.set_content(answer ? answer(req) : std::string(), "text/html");
        };
        server_.Get(".*", handler);
        server_.Post(".*", handler);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() is a no-op until the server runs: wait for it, or a quick
        // test would leave the listener running and the join hanging.
        while (port_ > 0 && !server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Loopback() {
        server_.stop();
        thread_.join();
    }

    int port() const { return port_; }
    void answer(const std::string& path, Answer a) {
        std::lock_guard lock(mutex_);
        answers_[path] = std::move(a);
    }
    void answer(const std::string& path, std::string text) {
        answer(path, [text](const httplib::Request&) { return text; });
    }
    std::vector<SeenRequest> seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    void forget() {
        std::lock_guard lock(mutex_);
        seen_.clear();
    }

  private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = -1;
    mutable std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::vector<SeenRequest> seen_;
};

// Holds the server, so that it is up before the session bed routes to it.
struct LoopbackServerHolder {
    Loopback server;
};

inline BedOptions loopback_options(int port) {
    BedOptions o;
    o.port = port;
    o.connect_timeout_ms = 5000;
    o.stall_timeout_ms = 10000;
    return o;
}

// The session a reader runs in, every host routed to the loopback server.
struct LoopbackSession : LoopbackServerHolder, SessionBed {
    LoopbackSession() : SessionBed(loopback_options(server.port())) {
        s.state.cookie.set("uin=o0010001; skey=@abcdefgh; p_uin=o0010001");
        s.state.qq = "10001";
    }
};

}  // namespace quillet::testing
