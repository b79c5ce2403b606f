#pragma once
// The simulator's HTTPS side: the QQ web-login page is served over TLS with
// the test certificate of sandbox/certs (a loopback-only test key), beside the
// plain HTTP listener, answering from the same world.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace quillet::sandbox {

// $QUILLET_SANDBOX_CERTS when set, otherwise the sandbox/certs folder of the
// source tree: sandbox-cert.pem and sandbox-key.pem.
std::filesystem::path default_certificate_dir();

class TlsListener {
  public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    TlsListener(std::filesystem::path certificate_dir, Handler handler);
    ~TlsListener();  // stops
    TlsListener(const TlsListener&) = delete;
    TlsListener& operator=(const TlsListener&) = delete;

    // Binds 127.0.0.1 (0 = a free port) and serves on its own threads; the port,
    // or -1 when the certificate cannot be read or the port not bound.
    int start(int port);
    void stop();
    int port() const { return port_; }
    // The certificate served, PEM text (empty when it cannot be read).
    std::string certificate_pem() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int port_ = -1;
};

}  // namespace quillet::sandbox
