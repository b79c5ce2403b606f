#include "ui/web/web_cookie_store.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "ui/web/web_engine.h"

namespace quillet {
namespace {

StoredCookie stored_of(const QNetworkCookie& c) {
    StoredCookie s;
    s.name = c.name().toStdString();
    s.value = c.value().toStdString();
    std::string domain = c.domain().toLower().toStdString();
    // The engine writes a domain cookie's domain with a leading dot and a
    // host-only cookie's as the bare host.
    s.host_only = domain.empty() || domain.front() != '.';
    while (!domain.empty() && domain.front() == '.') domain.erase(0, 1);
    s.domain = domain;
    s.path = c.path().isEmpty() ? "/" : c.path().toStdString();
    s.secure = c.isSecure();
    s.http_only = c.isHttpOnly();
    if (!c.isSessionCookie()) s.expires = c.expirationDate().toSecsSinceEpoch();
    return s;
}

}  // namespace

WebCookieStore::WebCookieStore(Clock& clock, QObject* parent) : QObject(parent), mirror_(clock) {}

WebCookieStore::~WebCookieStore() {
    delete profile_;
}

void WebCookieStore::open() {
    if (profile_) return;
    // Our own off-the-record profile: cookies, cache, history and the pages'
    // storage stay in memory and go with the process.
    profile_ = new QWebEngineProfile();
    web_engine_started();
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    QWebEngineCookieStore* engine = profile_->cookieStore();
    connect(engine, &QWebEngineCookieStore::cookieAdded, this, &WebCookieStore::on_added);
    connect(engine, &QWebEngineCookieStore::cookieRemoved, this, &WebCookieStore::on_removed);
    for (const StoredCookie& c : mirror_.all())
        to_engine(c, (c.secure ? "https://" : "http://") + c.domain);
}

QWebEnginePage* WebCookieStore::new_page(const CertificatePolicy& policy, QObject* parent) {
    open();
    auto* page = new QWebEnginePage(profile_, parent);
    policy.attach(page);
    return page;
}

QWebEngineView* WebCookieStore::new_view(const CertificatePolicy& policy, QWidget* parent,
                                         const QString& name, const QRect& geometry) {
    auto* web = new QWebEngineView(parent);
    web->setObjectName(name);
    web->setPage(new_page(policy, web));
    web->setGeometry(geometry);
    return web;
}

std::string WebCookieStore::read(std::string_view address, bool include_http_only) {
    return mirror_.read(address, include_http_only);
}

bool WebCookieStore::write(std::string_view address, std::string_view name, std::string_view data) {
    std::string line(name);
    line += "=";
    line += data;
    std::optional<StoredCookie> c = mirror_.parse_set_cookie(address, line);
    if (!c) return false;
    if (!mirror_.set_cookie(address, line)) return false;
    if (profile_) to_engine(*c, address);
    return true;
}

void WebCookieStore::to_engine(const StoredCookie& c, std::string_view address) {
    QNetworkCookie cookie(QByteArray::fromStdString(c.name), QByteArray::fromStdString(c.value));
    // An empty domain makes a host-only cookie of the origin's host.
    if (!c.host_only) cookie.setDomain(QString::fromStdString(c.domain));
    cookie.setPath(QString::fromStdString(c.path));
    cookie.setSecure(c.secure);
    cookie.setHttpOnly(c.http_only);
    if (c.expires) cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(*c.expires, Qt::UTC));
    const QUrl origin(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())));
    // An expiry in the past deletes the stored cookie of that name, domain
    // and path, HttpOnly or not.
    if (c.expires && *c.expires <= mirror_.now_utc())
        profile_->cookieStore()->deleteCookie(cookie, origin);
    else
        profile_->cookieStore()->setCookie(cookie, origin);
}

void WebCookieStore::on_added(const QNetworkCookie& c) {
    mirror_.added(stored_of(c));
}

void WebCookieStore::on_removed(const QNetworkCookie& c) {
    const StoredCookie s = stored_of(c);
    mirror_.removed(s.name, s.domain, s.host_only, s.path);
}

}  // namespace quillet
