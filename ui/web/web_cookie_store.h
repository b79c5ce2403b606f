#pragma once
// The platform cookie store on the embedded browser's profile: the login
// browser and the activity browser's pages share it. The engine's store can
// only be read asynchronously, so a mirror kept from its change signals
// answers reads at once (HttpOnly cookies included); writes go to the engine
// and into the mirror.
#include <QObject>
#include <string>
#include <string_view>

#include "net/cookie_mirror.h"

class QNetworkCookie;
class QWebEngineProfile;
class QWebEnginePage;
class QWebEngineView;
class QWidget;
class QRect;
class QString;

namespace quillet {

class CertificatePolicy;

class WebCookieStore : public QObject, public PlatformCookieStore {
    Q_OBJECT
  public:
    explicit WebCookieStore(Clock& clock = system_clock(), QObject* parent = nullptr);
    ~WebCookieStore() override;

    // Makes the profile: the program's own, off the record, so that nothing
    // of a login (cookies, history, the pages' storage) reaches the disk.
    // The engine's switches must be set before. Cookies written before this
    // go into the engine now.
    void open();
    bool is_open() const { return profile_ != nullptr; }
    QWebEngineProfile* profile() const { return profile_; }
    const CookieMirror& mirror() const { return mirror_; }

    // A page on this profile whose certificate errors policy answers; opens
    // the profile first when it is not open yet (the engine starts then, not
    // with the program).
    QWebEnginePage* new_page(const CertificatePolicy& policy, QObject* parent);
    // A web view inside parent, named name and placed at geometry, showing
    // such a page.
    QWebEngineView* new_view(const CertificatePolicy& policy, QWidget* parent, const QString& name,
                             const QRect& geometry);

    std::string read(std::string_view address, bool include_http_only) override;
    bool write(std::string_view address, std::string_view name, std::string_view data) override;

  private:
    void to_engine(const StoredCookie& c, std::string_view address);
    void on_added(const QNetworkCookie& c);
    void on_removed(const QNetworkCookie& c);

    CookieMirror mirror_;
    QWebEngineProfile* profile_ = nullptr;
};

}  // namespace quillet
