#include "ui/web/web_engine.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <cstdio>
#include <optional>

#include "net/hosts.h"
#include "platform/system.h"

namespace quillet {
namespace {

// Host names and addresses as the switch can carry them: no blanks, commas
// or quotes that would split or end it.
bool plain_name(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' || c == '*' ||
                        c == ':' || c == '[' || c == ']';
        if (!ok) return false;
    }
    return true;
}

// Whether prepare_web_rendering() set the xcb GL integration itself.
bool g_set_gl_integration = false;
// The engine's switches as the user had them, given back once it has read ours.
std::optional<QByteArray> g_user_flags;
bool g_flags_changed = false;

}  // namespace

void prepare_web_rendering() {
    // The engine's start-up report (its GL type and switches) is not for users.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    // The GPU when asked for, or when the user chose how Qt draws himself.
    if (qEnvironmentVariableIntValue("QUILLET_GPU") != 0 ||
        qEnvironmentVariableIsSet("QT_QUICK_BACKEND") ||
        qEnvironmentVariableIsSet("QSG_RHI_BACKEND") ||
        qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
        // The embedded browser shares its rendering contexts with the windows.
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        return;
    }
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // Without this the X11 platform opens a GL context for the widgets anyway.
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    g_set_gl_integration = true;
}

void restore_rendering_environment() {
    if (g_set_gl_integration) qunsetenv("QT_XCB_GL_INTEGRATION");
    g_set_gl_integration = false;
}

std::string host_resolver_rules(const Routing& routing, int tls_port) {
    std::string out;
    auto add = [&](const std::string& pattern, const std::string& to) {
        if (!out.empty()) out += ", ";
        out += "MAP " + pattern + " " + to;
    };
    for (const RouteRule& r : routing.rules()) {
        if (!plain_name(r.host) || !plain_name(r.address) || r.port <= 0 || r.port > 65535)
            continue;
        const std::string to = r.address + ":" + std::to_string(r.port);
        if (tls_port > 0 && tls_port <= 65535) {
            add(r.host + ":80", to);
            add(r.host + ":443", r.address + ":" + std::to_string(tls_port));
        } else {
            add(r.host, to);
        }
    }
    return out;
}

void prepare_web_engine(const std::string& resolver_rules) {
    // The engine reads its switches once per process: the first call decides.
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    if (platform::running_as_root() && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        std::fputs("quillet: running as root: the embedded browser runs without its sandbox\n",
                   stderr);
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS")) g_user_flags = flags;
    g_flags_changed = true;
    auto add = [&flags](const QByteArray& flag) {
        if (!flags.isEmpty()) flags += ' ';
        flags += flag;
    };
    // The engine's own log lines (each certificate check, each handshake) are
    // for its developers; --log-level in the variable shows them again.
    if (!flags.contains("--log-level")) add("--log-level=3");
    // The engine splits this variable at blanks outside double quotes.
    if (!resolver_rules.empty())
        add("--host-resolver-rules=\"" + QByteArray::fromStdString(resolver_rules) + "\"");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

void web_engine_started() {
    if (!g_flags_changed) return;
    g_flags_changed = false;
    if (g_user_flags)
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", *g_user_flags);
    else
        qunsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
}

bool CertificatePolicy::trust_pem(const std::string& pem) {
    const QList<QSslCertificate> certs =
        QSslCertificate::fromData(QByteArray::fromStdString(pem), QSsl::Pem);
    if (certs.isEmpty() || certs.first().isNull()) return false;
    trusted_.push_back(certs.first().digest(QCryptographicHash::Sha256));
    return true;
}

bool CertificatePolicy::accepts(const QList<QSslCertificate>& chain) const {
    if (chain.isEmpty() || chain.first().isNull()) return false;
    const QByteArray digest = chain.first().digest(QCryptographicHash::Sha256);
    for (const QByteArray& t : trusted_)
        if (t == digest) return true;
    return false;
}

void CertificatePolicy::attach(QWebEnginePage* page) const {
    const CertificatePolicy copy = *this;
    QObject::connect(page, &QWebEnginePage::certificateError, page,
                     [copy](const QWebEngineCertificateError& e) {
                         QWebEngineCertificateError error = e;
                         if (error.isOverridable() && copy.accepts(error.certificateChain()))
                             error.acceptCertificate();
                         else
                             error.rejectCertificate();
                     });
}

}  // namespace quillet
