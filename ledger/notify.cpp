#include "ledger/notify.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace quillet {
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

}  // namespace

NotifyResult run_notify_command(const std::string& command, const std::string& text, int limit_ms) {
    NotifyResult result;
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

}  // namespace quillet
