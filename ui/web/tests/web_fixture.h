#pragma once
// A started application with the real browsers, routed to the shared
// simulator, and the waiting helpers the engine's asynchronous work needs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <memory>
#include <string>

#include "main/application.h"
#include "sandbox/sandbox.h"
#include "ui/qt_view.h"
#include "ui/tests/ui_fixture.h"
#include "ui/web/web_browsers.h"
#include "ui/web/web_cookie_store.h"
#include "ui/web/web_engine.h"

namespace quillet::webtest {

sandbox::Sandbox& simulator();

// Processes events until done() holds; false after timeout_ms.
inline bool wait_until(const std::function<bool()>& done, int timeout_ms = 20000) {
    return testing::spin_until(done, timeout_ms);
}

inline void pump_for(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

// The value of a script run in page (invalid after a timeout).
inline QVariant js(QWebEnginePage* page, const QString& script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    wait_until([&] { return done; }, 10000);
    return result;
}

class WebFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        box().reset();
        box().clear_requests();
        store_ = std::make_unique<WebCookieStore>();
        view_ = std::make_unique<QtView>();
        BoxHooks hooks = BoxHooks::answered_at_once();
        hooks.message = [this](const std::string& text, const std::string&) {
            messages_.push_back(text);
        };
        view_->set_box_hooks(hooks);
        app_ = std::make_unique<Application>(*view_, *store_);
        AppOptions options;
        options.connect_to.push_back("*=127.0.0.1:" + std::to_string(box().port()));
        std::string error;
        ASSERT_TRUE(app_->start(options, error)) << error;
        browsers_ = std::make_unique<WebBrowsers>(*app_, *view_, *store_);
        ASSERT_TRUE(browsers_->ok()) << browsers_->error();
        ASSERT_TRUE(browsers_->policy().trust_pem(box().tls_certificate_pem()));
    }

    void TearDown() override {
        browsers_.reset();
        if (app_) app_->stop_jobs();
        app_.reset();
        view_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        pump_for(20);
        store_.reset();
    }

    static sandbox::Sandbox& box() { return simulator(); }

    std::unique_ptr<WebCookieStore> store_;
    std::unique_ptr<QtView> view_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<WebBrowsers> browsers_;
    std::vector<std::string> messages_;
};

}  // namespace quillet::webtest
