#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <thread>

#include "platform/child_process.h"

extern char** environ;

namespace quillet::platform {
namespace {

int64_t now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Writes text to fd without blocking past the deadline; a reader that has
// gone (or never reads) just ends the writing.
void feed(int fd, const std::string& text, int64_t deadline) {
    size_t done = 0;
    while (done < text.size()) {
        const int64_t left = deadline - now_ms();
        if (left <= 0) return;
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || (p.revents & (POLLERR | POLLHUP)) != 0) return;
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return;  // EPIPE: the command does not read its input
        }
        done += static_cast<size_t>(n);
    }
}

void read_all(int fd, std::string& out) {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        out.append(buf, static_cast<size_t>(n));
    }
}

}  // namespace

ChildResult run_shell_command(const std::string& command, const std::string& text, int limit_ms) {
    ChildResult result;
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
        result.error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return result;
    }
    // A command that exits without reading must not kill us with SIGPIPE:
    // block it on this thread while writing and drop what is pending after.
    sigset_t pipe_set, old_set;
    sigemptyset(&pipe_set);
    sigaddset(&pipe_set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_set, &old_set);

    // Built before the fork: the child of a threaded program may not allocate.
    char sh[] = "sh";
    char dash_c[] = "-c";
    std::string command_copy = command;
    char* argv[] = {sh, dash_c, command_copy.data(), nullptr};
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = std::string("cannot start the command: ") + std::strerror(errno);
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        pthread_sigmask(SIG_SETMASK, &old_set, nullptr);
        return result;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls until exec.
        ::setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(pipe_fds[0], STDIN_FILENO);
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        ::close_range(3, ~0U, 0);
        ::execv("/bin/sh", argv);
        ::_exit(127);
    }
    // Both sides set the group so that a kill can never miss it.
    ::setpgid(pid, pid);
    result.started = true;
    ::close(pipe_fds[0]);
    ::fcntl(pipe_fds[1], F_SETFL, O_NONBLOCK);
    const int64_t deadline = now_ms() + limit_ms;
    feed(pipe_fds[1], text, deadline);
    ::close(pipe_fds[1]);
    {
        timespec zero{0, 0};
        while (sigtimedwait(&pipe_set, nullptr, &zero) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old_set, nullptr);

    int wstatus = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &wstatus, WNOHANG);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) return result;
        if (now_ms() >= deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &wstatus, 0);
            result.timed_out = true;
            return result;
        }
        timespec nap{0, 20 * 1000 * 1000};
        ::nanosleep(&nap, nullptr);
    }
    if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    return result;
}

ChildResult run_program(const ProgramRun& run) {
    ChildResult result;
    if (run.argv.empty()) {
        result.error = "no program";
        return result;
    }
    int out_fds[2] = {-1, -1};
    int report_fds[2] = {-1, -1};
    const auto close_all = [&] {
        for (int fd : {out_fds[0], out_fds[1], report_fds[0], report_fds[1]})
            if (fd >= 0) ::close(fd);
    };
    if ((run.output == ProgramRun::Output::Capture && ::pipe2(out_fds, O_CLOEXEC) != 0) ||
        (!run.report_variable.empty() && ::pipe2(report_fds, O_CLOEXEC) != 0)) {
        result.error = std::string("cannot make a pipe: ") + std::strerror(errno);
        close_all();
        return result;
    }
    // Everything the child needs is built before the fork: the child of a
    // threaded program may not allocate.
    std::vector<std::string> words = run.argv;
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_texts;
    if (!run.report_variable.empty()) {
        const std::string prefix = run.report_variable + "=";
        env_texts.push_back(prefix + std::to_string(report_fds[1]));
        for (char** e = environ; *e != nullptr; ++e)
            if (std::string_view(*e).substr(0, prefix.size()) != prefix) env_texts.emplace_back(*e);
    } else {
        for (char** e = environ; *e != nullptr; ++e) env_texts.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : env_texts) envp.push_back(e.data());
    envp.push_back(nullptr);
    const bool to_stderr = run.output == ProgramRun::Output::ToStderr;
    const bool discard = run.output == ProgramRun::Output::Discard;
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = std::string("cannot start ") + run.argv[0] + ": " + std::strerror(errno);
        close_all();
        return result;
    }
    if (pid == 0) {
        const int null = (discard || run.quiet) ? ::open("/dev/null", O_WRONLY) : -1;
        if (to_stderr)
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
        else
            ::dup2(discard ? null : out_fds[1], STDOUT_FILENO);
        if (run.quiet) ::dup2(null, STDERR_FILENO);
        if (report_fds[1] >= 0) ::fcntl(report_fds[1], F_SETFD, 0);  // survives exec
        // A fresh program's signals: the parent may block SIGINT and SIGTERM
        // for a watching thread of its own.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    result.started = true;
    if (out_fds[1] >= 0) ::close(out_fds[1]);
    if (report_fds[1] >= 0) ::close(report_fds[1]);
    out_fds[1] = report_fds[1] = -1;
    // Both pipes are drained at once: a child filling one while we wait on
    // the other would hang us both.
    std::thread report_reader;
    if (report_fds[0] >= 0)
        report_reader = std::thread(read_all, report_fds[0], std::ref(result.report));
    if (out_fds[0] >= 0) read_all(out_fds[0], result.output);
    if (report_reader.joinable()) report_reader.join();
    close_all();
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return result;
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

bool send_report(const char* variable, const std::string& text) {
    const char* fd_text = std::getenv(variable);
    if (fd_text == nullptr) return false;
    char* end = nullptr;
    const long fd = std::strtol(fd_text, &end, 10);
    const bool usable = end != fd_text && *end == '\0' && fd > 2 && fd < 65536;
    ::unsetenv(variable);
    if (!usable) return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(static_cast<int>(fd), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(static_cast<int>(fd));
    return done == text.size();
}

}  // namespace quillet::platform
