#pragma once
// ActivityBrowserWindow's tab strip 选择夹 and its page browsers: one web view
// per tab, cloned from the window's template 超文本浏览框 (its place and
// size), on the shared profile so that the pages open signed in. Each
// finished load of page browser k is reported as the template's
// document-loaded event with index k. Texts cross over in GBK.
#include <QObject>
#include <QPointer>
#include <QWebEngineView>
#include <string>
#include <vector>

#include "vendor_services/browser_port.h"

class QTabWidget;
class QWidget;

namespace quillet {

class QtView;
class WebCookieStore;
class CertificatePolicy;

class WebBrowserPort : public QObject, public BrowserPort {
    Q_OBJECT
  public:
    WebBrowserPort(QtView& view, WebCookieStore& store, const CertificatePolicy& policy,
                   QObject* parent = nullptr);
    ~WebBrowserPort() override;

    int tab_count() override;
    std::string tab_title(int k) override;
    void set_tab_title(int k, const std::string& title) override;
    int add_tab(const std::string& title) override;
    int current_tab() override;
    void set_current_tab(int k) override;
    Size tab_strip_size() override;
    void set_tab_strip_size(Size size) override;

    int browser_count() override;
    void clear_browsers() override;
    int clone_browser(const std::string& url) override;
    void set_browser_visible(int k, bool visible) override;
    void set_browser_geometry(int k, int left, int top, int width, int height) override;
    std::string browser_tag(int k) override;
    void set_browser_tag(int k, const std::string& tag) override;
    bool has_document(int k) override;
    void run_script(int k, const std::string& script) override;

    // Page browser k (nullptr when k is out of range or its window closed).
    QWebEngineView* browser(int k) const;

  private:
    struct Page {
        QPointer<QWebEngineView> view;
        std::string tag;
        bool loaded = false;
    };
    QTabWidget* tabs() const;
    Page* page(int k);

    QtView& view_;
    WebCookieStore& store_;
    const CertificatePolicy& policy_;
    std::vector<Page> pages_;
};

}  // namespace quillet
