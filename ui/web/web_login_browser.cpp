#include "ui/web/web_login_browser.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "session/controls.h"
#include "session/events.h"
#include "ui/qt_view.h"
#include "ui/web/web_cookie_store.h"

namespace quillet {

WebLoginBrowser::WebLoginBrowser(QtView& view, WebCookieStore& store,
                                 const CertificatePolicy& policy, QObject* parent)
    : QObject(parent), view_(view), store_(store), policy_(policy) {}

WebLoginBrowser::~WebLoginBrowser() {
    // The page must go before the profile it was made on.
    delete web_.data();
}

QWebEngineView* WebLoginBrowser::ensure_view() {
    QWidget* holder = view_.widget(ctl::login::超文本浏览框);
    if (!holder) return nullptr;
    if (web_ && web_->parentWidget() == holder) return web_;
    // A new LoginWindow: the view lives inside its browser control and goes
    // with the window.
    QWebEngineView* web = store_.new_view(policy_, holder, QStringLiteral("web"), holder->rect());
    connect(web->page(), &QWebEnginePage::urlChanged, this, &WebLoginBrowser::reached);
    web->show();
    web_ = web;
    return web;
}

void WebLoginBrowser::navigate(const std::string& address) {
    QWebEngineView* web = ensure_view();
    if (!web) return;
    web->load(QUrl(QString::fromStdString(address)));
}

std::string WebLoginBrowser::current_address() {
    return current_;
}

void WebLoginBrowser::reached(const QUrl& url) {
    if (sender() != (web_ ? web_->page() : nullptr)) return;  // an older window's view
    current_ = url.toString(QUrl::FullyEncoded).toStdString();
    EventArgs args;
    args.text = current_;
    view_.report(ctl::login::超文本浏览框, Event::NavigationComplete, args);
}

}  // namespace quillet
