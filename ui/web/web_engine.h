#pragma once
// The embedded browser engine's process-wide set-up: how host names are routed (the same rules the
// HTTP engine follows) and which certificate errors may be passed over (the simulator's own
// certificate, by fingerprint, and nothing else).
#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <string>
#include <vector>

class QWebEnginePage;
class QObject;

namespace quillet {

class Routing;

// Chromium host-resolver rules for the HTTP engine's routing rules, first
// match first: "MAP host addr:port" for every port; with a TLS port, plain
// connections ("host:80") go to the rule's port and secure ones
// ("host:443") to tls_port at the rule's address. Rules whose names could
// break the switch are left out. Empty when there is no rule.
std::string host_resolver_rules(const Routing& routing, int tls_port = 0);

// Sets the engine's switches (host rules, its log level, and the no-sandbox
// switch when the program runs as root, where the engine's sandbox cannot
// start). Must run before the first web profile is made; the engine reads
// them then, once per process, so only the first call counts.
void prepare_web_engine(const std::string& resolver_rules);
// Once the first profile exists: gives the switches' variable back as the
// user had it, so that the programs ours start (a link's browser) never see
// our host rules.
void web_engine_started();

// Before the QApplication is made: the windows and the browsers' pages are
// drawn by the processor, without OpenGL. Composited through OpenGL, a page
// makes the main process load the GL driver (some 80 MiB under a software GL)
// for pages that are plain activity forms. QUILLET_GPU=1 keeps the GPU, and
// so does any of Qt's own drawing variables the user set (QT_QUICK_BACKEND,
// QSG_RHI_BACKEND, QT_XCB_GL_INTEGRATION): Qt then draws as he chose. The
// environment children inherit is left as it was: call
// restore_rendering_environment() once the QApplication exists.
void prepare_web_rendering();
void restore_rendering_environment();

class CertificatePolicy {
  public:
    // Trusts a certificate by the SHA-256 of its DER form. False when the PEM
    // text holds no certificate.
    bool trust_pem(const std::string& pem);
    void trust(const QByteArray& sha256) { trusted_.push_back(sha256); }
    // Whether a chain whose first (the server's) certificate is trusted.
    bool accepts(const QList<QSslCertificate>& chain) const;
    // Answers every certificate error of page: accepted exactly for a
    // trusted certificate, refused otherwise.
    void attach(QWebEnginePage* page) const;

  private:
    std::vector<QByteArray> trusted_;
};

}  // namespace quillet
