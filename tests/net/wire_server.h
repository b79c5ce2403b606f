#pragma once
// A loopback HTTP server for wire tests: it records the raw bytes of every
// request it receives and answers with scripted raw bytes, or misbehaves on
// purpose (never answers, resets mid-answer, streams without end).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quillet::testing {

// A socket: a descriptor here, a SOCKET handle on Windows.
using Socket = std::intptr_t;

struct WireAction {
    enum class Kind {
        Reply,        // send bytes; keep the connection unless close
        NeverAnswer,  // read the request, then stay silent until the client leaves
        ResetAfter,   // send bytes, then reset the connection
        Stream,       // send bytes, then stream_bytes filler bytes
    };
    Kind kind = Kind::Reply;
    std::string bytes;
    int64_t stream_bytes = 0;
    bool close = false;
};

// "HTTP/1.1 <status> X\r\nContent-Length: n\r\n<extra>\r\n<body>"; extra is
// raw header lines, each ending in CR LF.
std::string http_answer(std::string_view body, std::string_view extra_headers = "",
                        int status = 200);
WireAction reply(std::string raw, bool close = false);

class WireServer {
  public:
    using Handler = std::function<WireAction(const std::string& request)>;

    // Answers "ok" to everything unless given a handler.
    explicit WireServer(Handler handler = {});
    ~WireServer();
    WireServer(const WireServer&) = delete;
    WireServer& operator=(const WireServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" + path
    std::string url(std::string_view path = "/") const;
    // "127.0.0.1:<port>"
    std::string address() const;

    void set_handler(Handler handler);
    std::vector<std::string> requests() const;  // raw bytes, one per request
    std::string last_request() const;
    int connections() const { return connections_.load(); }

    void stop();

  private:
    void accept_loop();
    void serve(Socket fd);
    bool read_request(Socket fd, std::string& buffer, std::string& request);

    Socket listen_fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    Handler handler_;
    std::vector<std::string> requests_;
    std::vector<Socket> client_fds_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace quillet::testing
