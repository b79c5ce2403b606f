#include "tests/net/tls_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

namespace quillet::testing {
namespace {

// A self-signed certificate for host_name (subject and alternative name).
X509* make_certificate(EVP_PKEY* key, const std::string& host_name) {
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(host_name.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(cert, name);
    X509V3_CTX v3;
    X509V3_set_ctx_nodb(&v3);
    X509V3_set_ctx(&v3, cert, cert, nullptr, nullptr, 0);
    const std::pair<int, std::string> extensions[] = {
        {NID_subject_alt_name, "DNS:" + host_name},
        {NID_basic_constraints, "critical,CA:TRUE"},
    };
    for (const auto& [nid, value] : extensions) {
        X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &v3, nid, value.c_str());
        if (ext) {
            X509_add_ext(cert, ext, -1);
            X509_EXTENSION_free(ext);
        }
    }
    X509_sign(cert, key, EVP_sha256());
    return cert;
}

}  // namespace

TlsServer::TlsServer(const std::string& host_name) {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key) return;
    X509* cert = make_certificate(key, host_name);
    static std::atomic<int> serial{0};
    cert_path_ =
        std::filesystem::temp_directory_path() /
        ("quillet_tls_" + std::to_string(::getpid()) + "_" + std::to_string(serial++) + ".pem");
    if (FILE* f = std::fopen(cert_path_.c_str(), "w")) {
        PEM_write_X509(f, cert);
        std::fclose(f);
    }
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (ctx && SSL_CTX_use_certificate(ctx, cert) == 1 && SSL_CTX_use_PrivateKey(ctx, key) == 1) {
        ctx_ = ctx;
    } else if (ctx) {
        SSL_CTX_free(ctx);
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    if (!ctx_) return;

    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listen_fd_, 16);
    socklen_t len = sizeof addr;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
}

TlsServer::~TlsServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listen_fd_ >= 0) ::close(listen_fd_);
    if (ctx_) SSL_CTX_free(static_cast<SSL_CTX*>(ctx_));
    std::error_code ignored;
    if (!cert_path_.empty()) std::filesystem::remove(cert_path_, ignored);
}

std::string TlsServer::last_request() const {
    std::lock_guard lock(mutex_);
    return last_request_;
}

// One connection at a time: handshake, read a request head, answer, close.
void TlsServer::serve() {
    while (!stopping_) {
        pollfd p{listen_fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int fd = ::accept(listen_fd_, nullptr, nullptr);
        if (fd < 0) continue;
        timeval tv{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        SSL* ssl = SSL_new(static_cast<SSL_CTX*>(ctx_));
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1) {
            std::string request;
            char buf[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                int n = SSL_read(ssl, buf, sizeof buf);
                if (n <= 0) break;
                request.append(buf, static_cast<size_t>(n));
            }
            {
                std::lock_guard lock(mutex_);
                last_request_ = request;
            }
            const std::string answer =
                "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\nsecure";
            SSL_write(ssl, answer.data(), static_cast<int>(answer.size()));
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        ::close(fd);
    }
}

}  // namespace quillet::testing
