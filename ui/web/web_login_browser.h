#pragma once
// LoginWindow's embedded browser: a web view in place of the window's
// 超文本浏览框, on the shared profile. Every address the view reaches is
// reported to the program as that control's navigation-complete event; the
// program decides whether the login has landed.
#include <QObject>
#include <QPointer>
#include <QWebEngineView>
#include <string>

#include "main/login.h"
class QUrl;

namespace quillet {

class QtView;
class WebCookieStore;
class CertificatePolicy;

class WebLoginBrowser : public QObject, public LoginBrowser {
    Q_OBJECT
  public:
    // store (open) and policy outlive the browser.
    WebLoginBrowser(QtView& view, WebCookieStore& store, const CertificatePolicy& policy,
                    QObject* parent = nullptr);
    ~WebLoginBrowser() override;

    void navigate(const std::string& address) override;
    std::string current_address() override;

    // The view inside the open LoginWindow; nullptr when it has none.
    QWebEngineView* web_view() const { return web_; }

  private:
    QWebEngineView* ensure_view();
    void reached(const QUrl& url);

    QtView& view_;
    WebCookieStore& store_;
    const CertificatePolicy& policy_;
    QPointer<QWebEngineView> web_;
    std::string current_;
};

}  // namespace quillet
