#pragma once
// A loopback HTTPS server with a freshly made self-signed certificate for one
// host name: it records each request and answers "secure", so tests can check
// certificate verification and what a secure request puts on the wire.
#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

namespace quillet::testing {

class TlsServer {
  public:
    explicit TlsServer(const std::string& host_name);
    ~TlsServer();
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    bool ready() const { return ctx_ != nullptr; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    // The certificate in PEM, to be trusted as a CA bundle.
    std::string ca_file() const { return cert_path_.string(); }
    std::string last_request() const;

  private:
    void serve();

    void* ctx_ = nullptr;  // SSL_CTX
    int listen_fd_ = -1;
    int port_ = 0;
    std::filesystem::path cert_path_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::string last_request_;
    std::thread thread_;
};

}  // namespace quillet::testing
