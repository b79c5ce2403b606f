// The desktop program's speed as a player feels it: how long a cold start
// takes until the first window is painted, how long a worker takes to write
// a thousand log lines through the hand-off to the window, and whether the
// window keeps answering (and how much memory it holds) through a one-click
// pass against a slow network.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "main/application.h"
#include "net/cookie_jar.h"
#include "sandbox/sandbox.h"
#include "session/controls.h"
#include "ui/qt_view.h"
#include "ui/skin.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// quillet, offscreen, against a port nobody listens on, from the spawn until
// its version window has been painted.
void BM_ColdStartToVersionWindow(benchmark::State& state) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillet-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "runtime");
    std::filesystem::permissions(dir / "runtime", std::filesystem::perms::owner_all);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    const std::string config = (dir / "quillet.cfg").string();
    std::vector<std::string> args = {QUILLET_BINARY, "--config",      config,
                                     "--connect-to", "*=127.0.0.1:9", "--quit-after-first-paint"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        int out[2];
        if (pipe(out) != 0) {
            state.SkipWithError("no pipe");
            break;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const auto start = Clock::now();
        pid_t pid = 0;
        const int spawned =
            posix_spawn(&pid, QUILLET_BINARY, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (spawned != 0) {
            close(out[0]);
            state.SkipWithError("cannot start quillet");
            break;
        }
        // The clock stops when the first paint is reported; the program's
        // shutdown (joining the version check) is not part of the start.
        std::string seen;
        char buf[64];
        ssize_t n = 0;
        while (seen.find("painted") == std::string::npos && (n = read(out[0], buf, sizeof buf)) > 0)
            seen.append(buf, static_cast<size_t>(n));
        const auto painted = Clock::now();
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        if (seen.find("painted") == std::string::npos) {
            state.SkipWithError("quillet never painted its version window");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(painted - start).count());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ColdStartToVersionWindow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// A worker appends 1,000 lines; each returns once its line is in the box.
void BM_Log1000FromWorker(benchmark::State& state) {
    quillet::QtView view;
    for (auto _ : state) {
        view.show_window(quillet::Window::Main, false);
        std::atomic<bool> done = false;
        const auto start = Clock::now();
        std::thread worker([&] {
            for (int i = 0; i < 1000; ++i)
                view.append_log("[09:05:31]", "[\xcc\xe1\xca\xbe]line " + std::to_string(i),
                                quillet::colour::green);
            done = true;
        });
        while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        worker.join();
        QCoreApplication::processEvents();  // the paint of the last line
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        view.close_window(quillet::Window::Main);
    }
}
BENCHMARK(BM_Log1000FromWorker)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The resident set of this process in MiB (VmRSS of /proc/self/status).
double resident_mib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

// The application over the Qt windows and the built-in simulator, every
// answer 200 ms late: once MainWindow is ready, a click on 按钮_一键领取 runs
// the whole pass while a 1 ms timer notes each turn of the event loop. The
// figure is the longest gap between two turns; rss_mib is the process's
// resident set with MainWindow still shown after the pass.
void BM_ClaimPassSlowNetworkUiGap(benchmark::State& state) {
    namespace c = quillet::ctl::main;
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillet-bench-pass-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // The pass's ledger rows go to a folder of the benchmark's own.
    setenv("QUILLET_DATA_HOME", (dir / "data").c_str(), 1);
    double rss = 0;
    int run = 0;
    for (auto _ : state) {
        quillet::QtView view;
        // The pass's boxes (an entry asking for input, a message) answer at
        // once, as a player who cancels them would.
        view.set_box_hooks(quillet::BoxHooks::answered_at_once());
        quillet::MemoryCookieStore store;
        auto app = std::make_unique<quillet::Application>(view, store);
        quillet::AppOptions o;
        o.sandbox = true;
        o.config = (dir / ("quillet-" + std::to_string(++run) + ".cfg")).string();
        std::string error;
        if (!app->start(o, error)) {
            state.SkipWithError(("the application did not start: " + error).c_str());
            break;
        }
        auto log_text = [&view] {
            auto* log = qobject_cast<QTextEdit*>(view.widget(c::超级编辑框_日志));
            return log ? log->toPlainText() : QString();
        };
        auto ready = [&view] {
            return view.is_loaded(quillet::Window::Main) && view.enabled(c::按钮_更换账号);
        };
        qint64 longest_ms = -1;
        bool passed = false;
        QElapsedTimer clock;
        QTimer turns, poll, watchdog;
        qint64 last = 0;
        turns.setTimerType(Qt::PreciseTimer);
        QObject::connect(&turns, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest_ms = std::max(longest_ms, now - last);
            last = now;
        });
        qsizetype log_before = 0;
        bool clicked = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!ready()) return;
            if (!clicked) {
                app->simulator()->misbehave("/", quillet::sandbox::Misbehaviour::Delay, 200);
                log_before = log_text().size();
                clicked = true;
                clock.start();
                last = 0;
                turns.start(1);
                auto* button = qobject_cast<QPushButton*>(view.widget(c::按钮_一键领取));
                if (button) button->click();
                return;
            }
            const QString added = log_text().mid(log_before);
            if (!added.contains(QString::fromUtf8("一键领取结束"))) return;
            turns.stop();
            poll.stop();
            passed = true;
            QCoreApplication::processEvents();
            rss = resident_mib();
            view.close_window(quillet::Window::Main);
        });
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (view.is_loaded(quillet::Window::Main)) view.close_window(quillet::Window::Main);
        });
        view.set_shown_hook([&](quillet::Window w, quillet::FormWindow*) {
            if (w != quillet::Window::Main) return;
            poll.start(20);
            watchdog.start(60000);
        });
        app->run_signed_in();
        app.reset();
        if (!passed) {
            state.SkipWithError(clicked ? "the pass never ended"
                                        : "MainWindow never became ready for the pass");
            break;
        }
        state.SetIterationTime(static_cast<double>(longest_ms) / 1000.0);
    }
    state.counters["rss_mib"] = rss;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ClaimPassSlowNetworkUiGap)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // The pass benchmark opens and closes its windows again and again.
    QApplication::setQuitOnLastWindowClosed(false);
    quillet::apply_skin(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
