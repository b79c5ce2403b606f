#pragma once
// A loopback HTTP/1.1 server on raw sockets that answers from scripted bodies
// or callables and records every request byte for byte (the tests of the
// readers and the claim engine, and the claim benchmark).
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#include <zlib.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "text/text_ops.h"

namespace quillet::testing {

// The few calls that differ between POSIX sockets and Winsock.
namespace scripted_socket {
#ifdef _WIN32
constexpr int kNoSignal = 0;
// Winsock is started once per process before any socket is made.
inline void start() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
inline void close(int fd) {
    ::closesocket(static_cast<SOCKET>(fd));
}
// Wakes the thread blocked accepting on, or reading from, fd; true when that
// closed fd (under wine a shutdown wakes neither).
inline bool wake(int fd) {
    close(fd);
    return true;
}
#else
constexpr int kNoSignal = MSG_NOSIGNAL;
inline void start() {}
inline void close(int fd) {
    ::close(fd);
}
inline bool wake(int fd) {
    ::shutdown(fd, SHUT_RDWR);
    return false;
}
#endif
inline void set_flag(int fd, int level, int name) {
    const int one = 1;
    ::setsockopt(fd, level, name, reinterpret_cast<const char*>(&one), sizeof one);
}
}  // namespace scripted_socket

// A request as the scripted server received it, header lines in their order.
struct Seen {
    std::string method, target, path, body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string raw_head;  // the request line and header lines, as received

    // The first header of that name (ASCII case ignored); empty when absent.
    std::string header(std::string_view name) const {
        for (const auto& [k, v] : headers)
            if (to_lower_ascii(k) == to_lower_ascii(name)) return v;
        return {};
    }
    // A parameter of the query string, as sent (not decoded); empty when absent.
    std::string query_param(std::string_view name) const {
        const size_t q = target.find('?');
        if (q == std::string::npos) return {};
        for (const std::string& pair : split(target.substr(q + 1), "&")) {
            const size_t eq = pair.find('=');
            if (pair.substr(0, eq) == name)
                return eq == std::string::npos ? std::string() : pair.substr(eq + 1);
        }
        return {};
    }
    int header_count(std::string_view name) const {
        return static_cast<int>(std::count_if(headers.begin(), headers.end(), [&](const auto& h) {
            return to_lower_ascii(h.first) == to_lower_ascii(name);
        }));
    }
};

// A loopback HTTP/1.1 server on raw sockets, so tests see the exact bytes a
// request carried. Answers by path prefix, from a queue of bodies (the last
// one repeats) or from a callable given the request; the longest matching
// prefix wins and an unknown path gets an empty 200. Keeps connections alive.
class ScriptedServer {
  public:
    using Answer = std::function<std::string(const Seen&)>;

    ScriptedServer() {
        scripted_socket::start();
        listen_fd_ = static_cast<int>(::socket(AF_INET, SOCK_STREAM, 0));
        scripted_socket::set_flag(listen_fd_, SOL_SOCKET, SO_REUSEADDR);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_fd_, 64);
        socklen_t len = sizeof addr;
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        acceptor_ = std::thread([this] { accept_loop(); });
    }
    ~ScriptedServer() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            for (int fd : clients_) clients_closed_ = scripted_socket::wake(fd);
        }
        const bool closed = scripted_socket::wake(listen_fd_);
        acceptor_.join();
        if (!closed) scripted_socket::close(listen_fd_);
        for (auto& t : workers_) t.join();
        if (!clients_closed_)
            for (int fd : clients_) scripted_socket::close(fd);
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int port() const { return port_; }
    size_t connections() const {
        std::lock_guard lock(mutex_);
        return clients_.size();
    }
    // Bodies for requests whose path starts with prefix, in order; the longest
    // matching prefix wins.
    void answer(const std::string& prefix, std::vector<std::string> bodies) {
        std::lock_guard lock(mutex_);
        answers_[prefix] = {std::deque<std::string>(bodies.begin(), bodies.end()), nullptr};
    }
    // The callable's text for every request whose path starts with prefix;
    // it runs on the connection's thread, outside the server's lock.
    void answer(const std::string& prefix, Answer call) {
        std::lock_guard lock(mutex_);
        answers_[prefix] = {{}, std::move(call)};
    }
    std::vector<Seen> seen(const std::string& prefix = "") const {
        std::lock_guard lock(mutex_);
        std::vector<Seen> out;
        for (const auto& s : seen_)
            if (s.path.rfind(prefix, 0) == 0) out.push_back(s);
        return out;
    }
    void forget() {
        std::lock_guard lock(mutex_);
        seen_.clear();
    }
    // Compresses answers (gzip) for requests that accept gzip, as the
    // services' front ends do.
    void gzip_when_asked(bool on) {
        std::lock_guard lock(mutex_);
        gzip_ = on;
    }

    static std::string gzip(const std::string& data) {
        z_stream z{};
        deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&z, data.size()) + 32, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, Z_FINISH);
        out.resize(z.total_out);
        deflateEnd(&z);
        return out;
    }

  private:
    void accept_loop() {
        for (;;) {
            int fd = static_cast<int>(::accept(listen_fd_, nullptr, nullptr));
            if (fd < 0) return;
            scripted_socket::set_flag(fd, IPPROTO_TCP, TCP_NODELAY);
            std::lock_guard lock(mutex_);
            if (stopping_) {
                scripted_socket::close(fd);
                return;
            }
            clients_.push_back(fd);
            workers_.emplace_back([this, fd] { serve(fd); });
        }
    }

    void serve(int fd) {
        std::string buffer;
        char chunk[4096];
        for (;;) {
            size_t head_end;
            while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
                ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0) return;
                buffer.append(chunk, static_cast<size_t>(n));
            }
            Seen seen;
            seen.raw_head = buffer.substr(0, head_end);
            auto lines = split(seen.raw_head, "\r\n");
            auto first = split(lines[0], " ");
            seen.method = first.size() > 0 ? first[0] : "";
            seen.target = first.size() > 1 ? first[1] : "";
            seen.path = seen.target.substr(0, seen.target.find('?'));
            size_t length = 0;
            for (size_t i = 1; i < lines.size(); ++i) {
                size_t colon = lines[i].find(':');
                if (colon == std::string::npos) continue;
                std::string name = lines[i].substr(0, colon);
                std::string value = trim(lines[i].substr(colon + 1));
                if (to_lower_ascii(name) == "content-length")
                    length = static_cast<size_t>(int_of_text(value));
                seen.headers.emplace_back(name, value);
            }
            buffer.erase(0, head_end + 4);
            while (buffer.size() < length) {
                ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0) return;
                buffer.append(chunk, static_cast<size_t>(n));
            }
            seen.body = buffer.substr(0, length);
            buffer.erase(0, length);

            std::string body;
            Answer call;
            bool compress = false;
            {
                std::lock_guard lock(mutex_);
                compress = gzip_ && contains(seen.header("Accept-Encoding"), "gzip");
                seen_.push_back(seen);
                const std::string* best = nullptr;
                for (auto& [prefix, script] : answers_)
                    if (seen.path.rfind(prefix, 0) == 0 && (!best || prefix.size() > best->size()))
                        best = &prefix;
                if (best) {
                    Script& script = answers_[*best];
                    call = script.call;
                    auto& queue = script.bodies;
                    if (!call && !queue.empty()) {
                        body = queue.front();
                        if (queue.size() > 1) queue.pop_front();
                    }
                }
            }
            if (call) body = call(seen);
            std::string extra;
            if (compress) {
                body = gzip(body);
                extra = "Content-Encoding: gzip\r\n";
            }
            std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n" + extra +
                                "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                                body;
            for (size_t sent = 0; sent < reply.size();) {
                ssize_t n = ::send(fd, reply.data() + sent, reply.size() - sent,
                                   scripted_socket::kNoSignal);
                if (n <= 0) return;
                sent += static_cast<size_t>(n);
            }
        }
    }

    int listen_fd_ = -1;
    int port_ = -1;
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<int> clients_;
    std::vector<std::thread> workers_;
    struct Script {
        std::deque<std::string> bodies;
        Answer call;
    };
    std::map<std::string, Script> answers_;
    std::vector<Seen> seen_;
    bool stopping_ = false;
    bool clients_closed_ = false;  // closed to wake their readers
    bool gzip_ = false;
};

}  // namespace quillet::testing
