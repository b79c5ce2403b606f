// LoginWindow shown until the simulator's HTTPS login page has loaded in it,
// offscreen, the way the program starts it (the engine set up after the
// simulator, its certificate trusted). The first window of the process pays
// for the engine's start; it is measured apart from the windows after it.
#include <benchmark/benchmark.h>

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

#include "session/controls.h"
#include "ui/web/bench/bench_program.h"
#include "ui/web/web_engine.h"
#include "ui/web/web_login_browser.h"

namespace {

using quillet::bench::Program;
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
    quillet::bench::ScratchHome home("quillet-web-bench");
    if (!home.ok()) return 1;
    benchmark::Initialize(&argc, argv);
    quillet::prepare_web_rendering();
    QApplication qt(argc, argv);
    quillet::restore_rendering_environment();
    QApplication::setQuitOnLastWindowClosed(false);
    auto program = std::make_unique<Program>();
    if (!program->start()) {
        std::fprintf(stderr, "login_bench: %s\n", program->error.c_str());
        return 1;
    }
    g_program = program.get();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_program = nullptr;
    return 0;
}
