#include "tests/net/wire_server.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace quillet::testing {
namespace {

#ifdef _WIN32
using socklen_t = int;
constexpr int MSG_NOSIGNAL = 0;
constexpr int SHUT_RDWR = SD_BOTH;
int poll(pollfd* fds, unsigned long n, int timeout_ms) {
    return WSAPoll(fds, n, timeout_ms);
}
void close(Socket fd) {
    ::closesocket(static_cast<SOCKET>(fd));
}
SOCKET raw(Socket fd) {
    return static_cast<SOCKET>(fd);
}
// Winsock is started once for the process's servers.
struct WinsockStart {
    WinsockStart() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};
#else
using ::close;
using ::poll;
int raw(Socket fd) {
    return static_cast<int>(fd);
}
#endif

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool send_all(Socket fd, std::string_view bytes) {
    while (!bytes.empty()) {
        auto n = ::send(raw(fd), bytes.data(), static_cast<int>(bytes.size()), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The declared body length of a request head; 0 when none.
size_t content_length(std::string_view head) {
    std::string l = lower(head);
    size_t at = l.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return static_cast<size_t>(std::strtoull(l.c_str() + at + 17, nullptr, 10));
}

}  // namespace

std::string http_answer(std::string_view body, std::string_view extra_headers, int status) {
    std::string out = "HTTP/1.1 " + std::to_string(status) +
                      " X\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    out += extra_headers;
    out += "\r\n";
    out += body;
    return out;
}

WireAction reply(std::string raw, bool close) {
    WireAction a;
    a.bytes = std::move(raw);
    a.close = close;
    return a;
}

WireServer::WireServer(Handler handler) : handler_(std::move(handler)) {
    if (!handler_) handler_ = [](const std::string&) { return reply(http_answer("ok")); };
#ifdef _WIN32
    static WinsockStart winsock;
#endif
    listen_fd_ = static_cast<Socket>(::socket(AF_INET, SOCK_STREAM, 0));
#ifndef _WIN32
    // (On Windows the same option would let a second server share the port.)
    int one = 1;
    ::setsockopt(raw(listen_fd_), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(raw(listen_fd_), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(raw(listen_fd_), 64);
    socklen_t len = sizeof addr;
    ::getsockname(raw(listen_fd_), reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { accept_loop(); });
}

WireServer::~WireServer() {
    stop();
}

std::string WireServer::url(std::string_view path) const {
    return "http://" + address() + std::string(path);
}

std::string WireServer::address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void WireServer::set_handler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<std::string> WireServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string WireServer::last_request() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? std::string() : requests_.back();
}

void WireServer::stop() {
    if (stopping_.exchange(true)) return;
    if (acceptor_.joinable()) acceptor_.join();
    close(listen_fd_);
    {
        std::lock_guard lock(mutex_);
        for (Socket fd : client_fds_) ::shutdown(raw(fd), SHUT_RDWR);
    }
    for (std::thread& t : workers_) t.join();
}

void WireServer::accept_loop() {
    while (!stopping_) {
        pollfd p{raw(listen_fd_), POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        auto accepted = ::accept(raw(listen_fd_), nullptr, nullptr);
        if (accepted == static_cast<decltype(accepted)>(-1)) continue;
        Socket fd = static_cast<Socket>(accepted);
        connections_++;
        std::lock_guard lock(mutex_);
        client_fds_.push_back(fd);
        workers_.emplace_back([this, fd] { serve(fd); });
    }
}

bool WireServer::read_request(Socket fd, std::string& buffer, std::string& request) {
    char chunk[16384];
    // A client may keep an idle connection for long (wine's WinHTTP keeps its
    // pool 30 s past the session's end): a stop ends the wait for its next request.
    auto readable = [&] {
        pollfd p{raw(fd), POLLIN, 0};
        while (!stopping_)
            if (poll(&p, 1, 50) != 0) return true;
        return false;
    };
    size_t head_end;
    while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!readable()) return false;
        auto n = ::recv(raw(fd), chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<size_t>(n));
    }
    size_t total = head_end + 4 + content_length(std::string_view(buffer).substr(0, head_end + 2));
    while (buffer.size() < total) {
        auto n = ::recv(raw(fd), chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<size_t>(n));
    }
    request = buffer.substr(0, total);
    buffer.erase(0, total);
    return true;
}

void WireServer::serve(Socket fd) {
    std::string buffer, request;
    bool open = true;
    while (open && !stopping_ && read_request(fd, buffer, request)) {
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            handler = handler_;
        }
        WireAction a = handler(request);
        switch (a.kind) {
            case WireAction::Kind::Reply:
                open = send_all(fd, a.bytes) && !a.close;
                break;
            case WireAction::Kind::NeverAnswer: {
                // Silent until the client gives up (or the server stops).
                char c;
                while (!stopping_ && ::recv(raw(fd), &c, 1, 0) > 0) {
                }
                open = false;
                break;
            }
            case WireAction::Kind::ResetAfter: {
                send_all(fd, a.bytes);
                linger l{1, 0};
                ::setsockopt(raw(fd), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l),
                             sizeof l);
                open = false;
                break;
            }
            case WireAction::Kind::Stream: {
                open = send_all(fd, a.bytes);
                std::string filler(64 * 1024, 'x');
                for (int64_t left = a.stream_bytes; open && left > 0 && !stopping_;) {
                    size_t n = static_cast<size_t>(std::min<int64_t>(left, filler.size()));
                    open = send_all(fd, std::string_view(filler).substr(0, n));
                    left -= static_cast<int64_t>(n);
                }
                break;
            }
        }
    }
    std::lock_guard lock(mutex_);
    client_fds_.erase(std::remove(client_fds_.begin(), client_fds_.end(), fd), client_fds_.end());
    close(fd);
}

}  // namespace quillet::testing
