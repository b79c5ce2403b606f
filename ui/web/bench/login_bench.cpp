// LoginWindow shown until the simulator's HTTPS login page has loaded in it,
// offscreen, the way the program starts it (the engine set up after the
// simulator, its certificate trusted). The first window of the process pays
// for the engine's start; it is measured apart from the windows after it.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "main/application.h"
#include "session/controls.h"
#include "ui/qt_view.h"
#include "ui/web/web_browsers.h"
#include "ui/web/web_cookie_store.h"
#include "ui/web/web_engine.h"
#include "ui/web/web_login_browser.h"

namespace {

struct Program {
    quillet::WebCookieStore store;
    quillet::QtView view;
    quillet::Application app{view, store};
    std::unique_ptr<quillet::WebBrowsers> browsers;
};
Program* g_program = nullptr;

// Shows LoginWindow and waits for its page; the seconds it took, or -1.
double login_window_to_page() {
    Program& p = *g_program;
    QElapsedTimer t;
    t.start();
    p.view.show_window(quillet::Window::Login, false);
    QWebEngineView* web = p.browsers->login().web_view();
    if (!web) return -1;
    bool done = false, ok = false;
    auto c = QObject::connect(web->page(), &QWebEnginePage::loadFinished, [&](bool r) {
        done = true;
        ok = r;
    });
    while (!done && t.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!done) QThread::usleep(200);
    }
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    QObject::disconnect(c);
    p.view.close_window(quillet::Window::Login);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done && ok ? seconds : -1;
}

void BM_LoginWindowFirstPage(benchmark::State& state) {
    static double first = login_window_to_page();
    for (auto _ : state) {
        if (first < 0) {
            state.SkipWithError("the login page did not load");
            break;
        }
        state.SetIterationTime(first);
    }
}
BENCHMARK(BM_LoginWindowFirstPage)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LoginWindowToLoginPage(benchmark::State& state) {
    for (auto _ : state) {
        const double s = login_window_to_page();
        if (s < 0) {
            state.SkipWithError("the login page did not load");
            break;
        }
        state.SetIterationTime(s);
    }
}
BENCHMARK(BM_LoginWindowToLoginPage)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The engine's profile, runtime files and caches go to a folder of our own.
    char tmpl[] = "/tmp/quillet-web-bench-XXXXXX";
    const char* home = ::mkdtemp(tmpl);
    if (!home) return 1;
    const std::string h = home;
    ::setenv("HOME", home, 1);
    ::setenv("XDG_RUNTIME_DIR", home, 1);
    ::setenv("XDG_DATA_HOME", (h + "/data").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    quillet::prepare_web_rendering();
    QApplication qt(argc, argv);
    quillet::restore_rendering_environment();
    QApplication::setQuitOnLastWindowClosed(false);
    auto program = std::make_unique<Program>();
    quillet::AppOptions options;
    options.sandbox = true;
    std::string error;
    if (!program->app.start(options, error)) {
        std::fprintf(stderr, "login_bench: %s\n", error.c_str());
        return 1;
    }
    program->browsers =
        std::make_unique<quillet::WebBrowsers>(program->app, program->view, program->store);
    if (!program->browsers->ok()) {
        std::fprintf(stderr, "login_bench: %s\n", program->browsers->error().c_str());
        return 1;
    }
    g_program = program.get();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_program = nullptr;
    program->browsers.reset();
    program->app.stop_jobs();
    program.reset();
    std::error_code ignored;
    std::filesystem::remove_all(h, ignored);
    return 0;
}
