// The desktop program's speed as a player feels it: how long a cold start
// takes until the first window is painted, and how long a worker takes to
// write a thousand log lines through the hand-off to the window.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    quillet::apply_skin(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
