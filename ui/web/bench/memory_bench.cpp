// The memory the program takes as a player leaves it most of the day: signed
// in to the simulator's demo account, MainWindow ready, one activity page
// open in the activity browser. The figure is the proportional set size
// (PSS) of this process and every process below it (the browser engine's
// helpers), so memory two processes share is counted once. Each repetition
// opens the two windows again in the same program, so what the windows fail
// to give back shows as growth from one repetition to the next.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "session/controls.h"
#include "session/view.h"
#include "ui/skin.h"
#include "ui/web/bench/bench_program.h"
#include "ui/web/web_browser_port.h"
#include "ui/web/web_engine.h"

namespace {

namespace fs = std::filesystem;

// Parent of every process, read from /proc/PID/stat (the field after the
// command name, which may itself hold blanks and parentheses).
std::map<int, int> parents() {
    std::map<int, int> out;
    for (const auto& entry :
         fs::directory_iterator("/proc", fs::directory_options::skip_permission_denied)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        int ppid = 0;
        if (rest >> state >> ppid) out[std::stoi(name)] = ppid;
    }
    return out;
}

// A process's PSS in KiB (0 when it has gone).
long pss_kib(int pid) {
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line))
        if (line.rfind("Pss:", 0) == 0) return std::stol(line.substr(4));
    return 0;
}

struct TreeMemory {
    double total_mib = 0;
    double main_mib = 0;
    int processes = 0;
};

TreeMemory tree_memory() {
    const std::map<int, int> ppid = parents();
    std::vector<int> tree{static_cast<int>(::getpid())};
    for (std::size_t i = 0; i < tree.size(); ++i)
        for (const auto& [pid, parent] : ppid)
            if (parent == tree[i]) tree.push_back(pid);
    TreeMemory m;
    for (int pid : tree) {
        const double mib = static_cast<double>(pss_kib(pid)) / 1024.0;
        if (pid == tree.front()) m.main_mib = mib;
        m.total_mib += mib;
    }
    m.processes = static_cast<int>(tree.size());
    return m;
}

using quillet::bench::Program;
std::unique_ptr<Program> g_program;

void BM_MainWindowAndOneActivityTabPss(benchmark::State& state) {
    namespace c = quillet::ctl::main;
    namespace m = quillet::ctl::menu;
    // One program for every repetition: the engine reads its host rules
    // once per process, so the simulator they point at must stay.
    if (!g_program) {
        g_program = std::make_unique<Program>();
        g_program->view.set_box_hooks(quillet::BoxHooks::answered_at_once());
        if (!g_program->start()) {
            state.SkipWithError(g_program->error.c_str());
            return;
        }
    }
    Program* program = g_program.get();
    quillet::QtView& view = program->view;
    quillet::Application& app = program->app;
    quillet::WebBrowsers& browsers = *program->browsers;
    for (auto _ : state) {
        std::optional<TreeMemory> measured;
        std::string failure = "MainWindow never became ready";
        enum class Step { Ready, MenuOpened, PageOpened, Settling } step = Step::Ready;
        QElapsedTimer since;
        QTimer poll, watchdog;
        auto end = [&] {
            poll.stop();
            if (view.is_loaded(quillet::Window::ActivityBrowser))
                view.close_window(quillet::Window::ActivityBrowser);
            if (view.is_loaded(quillet::Window::Main)) view.close_window(quillet::Window::Main);
        };
        QObject::connect(&poll, &QTimer::timeout, [&] {
            quillet::WebBrowserPort& pages = browsers.pages();
            switch (step) {
                case Step::Ready:
                    if (!view.is_loaded(quillet::Window::Main) || !view.enabled(c::按钮_更换账号))
                        return;
                    // The manual menu, as the player opens it: read, then popped up.
                    app.control_event(c::按钮_手动活动, quillet::Event::Clicked);
                    step = Step::MenuOpened;
                    failure = "the manual menu was never read";
                    return;
                case Step::MenuOpened:
                    if (!view.enabled(c::按钮_手动活动) ||
                        view.caption(m::manual_slot(1, 1)).empty())
                        return;
                    if (view.menu(m::manual)) view.menu(m::manual)->hide();
                    app.control_event(m::manual_slot(1, 1), quillet::Event::Clicked);
                    step = Step::PageOpened;
                    failure = "the activity page never loaded";
                    return;
                case Step::PageOpened:
                    if (!view.is_loaded(quillet::Window::ActivityBrowser) ||
                        pages.browser_count() < 1 || !pages.has_document(pages.current_tab()))
                        return;
                    // The engine frees and compacts for a while after a load.
                    step = Step::Settling;
                    since.start();
                    return;
                case Step::Settling:
                    if (since.elapsed() < 3000) return;
                    measured = tree_memory();
                    end();
                    return;
            }
        });
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, end);
        poll.start(20);
        watchdog.start(60000);
        app.run_signed_in();
        if (!measured) {
            state.SkipWithError(failure.c_str());
            break;
        }
        state.counters["pss_mib"] = measured->total_mib;
        state.counters["main_pss_mib"] = measured->main_mib;
        state.counters["processes"] = measured->processes;
    }
}
BENCHMARK(BM_MainWindowAndOneActivityTabPss)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    quillet::bench::ScratchHome home("quillet-memory-bench");
    if (!home.ok()) return 1;
    benchmark::Initialize(&argc, argv);
    quillet::prepare_web_rendering();
    QApplication qt(argc, argv);
    quillet::restore_rendering_environment();
    QApplication::setQuitOnLastWindowClosed(false);
    quillet::apply_skin(qt);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_program.reset();
    return 0;
}
