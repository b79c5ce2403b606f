#include "ui/web/web_browser_port.h"

#include <QTabWidget>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "session/controls.h"
#include "session/events.h"
#include "ui/qt_text.h"
#include "ui/qt_view.h"
#include "ui/web/web_cookie_store.h"

namespace quillet {

WebBrowserPort::WebBrowserPort(QtView& view, WebCookieStore& store, const CertificatePolicy& policy,
                               QObject* parent)
    : QObject(parent), view_(view), store_(store), policy_(policy) {}

WebBrowserPort::~WebBrowserPort() {
    // Pages go before the profile they were made on.
    for (Page& p : pages_) delete p.view.data();
}

QTabWidget* WebBrowserPort::tabs() const {
    return qobject_cast<QTabWidget*>(view_.widget(ctl::browser::选择夹));
}

WebBrowserPort::Page* WebBrowserPort::page(int k) {
    if (k < 0 || k >= static_cast<int>(pages_.size())) return nullptr;
    return &pages_[static_cast<size_t>(k)];
}

QWebEngineView* WebBrowserPort::browser(int k) const {
    if (k < 0 || k >= static_cast<int>(pages_.size())) return nullptr;
    return pages_[static_cast<size_t>(k)].view;
}

int WebBrowserPort::tab_count() {
    QTabWidget* t = tabs();
    return t ? t->count() : 0;
}

std::string WebBrowserPort::tab_title(int k) {
    QTabWidget* t = tabs();
    return t && k >= 0 && k < t->count() ? gbk_text(t->tabText(k)) : std::string();
}

void WebBrowserPort::set_tab_title(int k, const std::string& title) {
    if (QTabWidget* t = tabs(); t && k >= 0 && k < t->count()) t->setTabText(k, qt_text(title));
}

int WebBrowserPort::add_tab(const std::string& title) {
    QTabWidget* t = tabs();
    if (!t) return -1;
    // The tab's own page stays empty: the page browsers lie over it.
    return t->addTab(new QWidget, qt_text(title));
}

int WebBrowserPort::current_tab() {
    QTabWidget* t = tabs();
    return t ? t->currentIndex() : -1;
}

void WebBrowserPort::set_current_tab(int k) {
    if (QTabWidget* t = tabs(); t && k >= 0 && k < t->count()) t->setCurrentIndex(k);
}

Size WebBrowserPort::tab_strip_size() {
    QTabWidget* t = tabs();
    return t ? Size{t->width(), t->height()} : Size{};
}

void WebBrowserPort::set_tab_strip_size(Size size) {
    if (QTabWidget* t = tabs()) t->resize(size.width, size.height);
}

int WebBrowserPort::browser_count() {
    return static_cast<int>(pages_.size());
}

void WebBrowserPort::clear_browsers() {
    for (Page& p : pages_) {
        if (!p.view) continue;
        p.view->page()->disconnect(this);
        p.view->deleteLater();
    }
    pages_.clear();
}

int WebBrowserPort::clone_browser(const std::string& url) {
    const int k = static_cast<int>(pages_.size());
    pages_.push_back({});
    QWidget* templ = view_.widget(ctl::browser::超文本浏览框);
    if (!templ || !templ->parentWidget()) return k;
    QWebEngineView* web =
        store_.new_view(policy_, templ->parentWidget(), QStringLiteral("超文本浏览框_%1").arg(k),
                        templ->geometry());
    web->hide();
    QPointer<QWebEngineView> guard(web);
    connect(web->page(), &QWebEnginePage::loadFinished, this, [this, guard, k](bool ok) {
        Page* p = page(k);
        if (!p || p->view != guard) return;  // a browser of an earlier window
        p->loaded = p->loaded || ok;
        EventArgs args;
        args.index = k;
        view_.report(ctl::browser::超文本浏览框, Event::DocumentLoaded, args);
    });
    pages_.back().view = web;
    web->load(QUrl(qt_text(url)));
    return k;
}

void WebBrowserPort::set_browser_visible(int k, bool visible) {
    Page* p = page(k);
    if (!p || !p->view) return;
    p->view->setVisible(visible);
    if (visible) p->view->raise();
}

void WebBrowserPort::set_browser_geometry(int k, int left, int top, int width, int height) {
    if (Page* p = page(k); p && p->view) p->view->setGeometry(left, top, width, height);
}

std::string WebBrowserPort::browser_tag(int k) {
    Page* p = page(k);
    return p ? p->tag : std::string();
}

void WebBrowserPort::set_browser_tag(int k, const std::string& tag) {
    if (Page* p = page(k)) p->tag = tag;
}

bool WebBrowserPort::has_document(int k) {
    Page* p = page(k);
    return p && p->view && p->loaded;
}

void WebBrowserPort::run_script(int k, const std::string& script) {
    Page* p = page(k);
    if (!p || !p->view) return;
    p->view->page()->runJavaScript(qt_text(script));
}

}  // namespace quillet
