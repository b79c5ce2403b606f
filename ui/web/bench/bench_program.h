#pragma once
// What the browser benchmarks share: a home folder of their own for the
// engine's profile, runtime files, caches and our data, and the desktop
// program over the built-in simulator as app/quillet builds it.
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "main/application.h"
#include "ui/qt_view.h"
#include "ui/web/web_browsers.h"
#include "ui/web/web_cookie_store.h"

namespace quillet::bench {

// Made before the QApplication: points HOME, the XDG folders and our data
// folder at a fresh temporary folder, removed again when it goes.
class ScratchHome {
  public:
    explicit ScratchHome(const std::string& name) {
        std::string tmpl = "/tmp/" + name + "-XXXXXX";
        if (!::mkdtemp(tmpl.data())) return;
        path_ = tmpl;
        ::setenv("HOME", path_.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (path_ + "/data").c_str(), 1);
        ::setenv("QUILLET_DATA_HOME", (path_ + "/quillet").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    ~ScratchHome() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;
    bool ok() const { return !path_.empty(); }

  private:
    std::string path_;
};

// The application, its Qt windows and both browsers over the simulator.
struct Program {
    WebCookieStore store;
    QtView view;
    Application app{view, store};
    std::unique_ptr<WebBrowsers> browsers;
    std::string error;

    // False with error set when the program cannot start.
    bool start() {
        AppOptions options;
        options.sandbox = true;
        if (!app.start(options, error)) {
            error = "the application did not start: " + error;
            return false;
        }
        browsers = std::make_unique<WebBrowsers>(app, view, store);
        if (!browsers->ok()) error = browsers->error();
        return browsers->ok();
    }
    // The pages go before the store they were made on.
    ~Program() {
        browsers.reset();
        app.stop_jobs();
    }
};

}  // namespace quillet::bench
