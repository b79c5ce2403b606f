#include "tests/e2e/cli_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace quillet::e2e {

std::vector<std::string> CliRun::log_texts() const {
    std::vector<std::string> out;
    for (const auto& e : events)
        if (!e["text"].is_null() && !e["time"].is_null()) out.push_back(e.str("text"));
    return out;
}

bool CliRun::has_log(const std::string& text, const std::string& colour) const {
    for (const auto& e : events)
        if (!e["time"].is_null() && e.str("text") == text &&
            (colour.empty() || e.str("colour") == colour))
            return true;
    return false;
}

bool CliRun::has_log_containing(const std::string& part) const {
    for (const auto& t : log_texts())
        if (t.find(part) != std::string::npos) return true;
    return false;
}

std::vector<sandbox::Json> CliRun::control_events(const std::string& control) const {
    std::vector<sandbox::Json> out;
    for (const auto& e : events)
        if (e.str("control") == control) out.push_back(e);
    return out;
}

std::string CliRun::dump() const {
    std::string out = "status " + std::to_string(status) + (timed_out ? " (timed out)" : "") +
                      ", " + std::to_string(seconds) + " s\n";
    for (const auto& l : lines) out += l + "\n";
    if (!err.empty()) out += "stderr: " + err;
    return out;
}

CliRun run_cli(const std::vector<std::string>& args, int bound_seconds, const CliSetup& setup) {
    CliRun run;
    // A process that ends before reading its input must not end the test.
    signal(SIGPIPE, SIG_IGN);
    const bool feeds = setup.input || setup.answer;
    int out_pipe[2], err_pipe[2], in_pipe[2] = {-1, -1};
    if (pipe(out_pipe) != 0 || (feeds && pipe(in_pipe) != 0)) return run;
    std::string terminal;  // the pseudo-terminal's name when stderr is one
    if (setup.stderr_terminal) {
        // The reading end is the terminal's master; the child opens the other end.
        err_pipe[0] = posix_openpt(O_RDWR | O_NOCTTY);
        if (err_pipe[0] < 0 || grantpt(err_pipe[0]) != 0 || unlockpt(err_pipe[0]) != 0) return run;
        terminal = ptsname(err_pipe[0]);
        err_pipe[1] = open(terminal.c_str(), O_RDWR | O_NOCTTY);  // kept open until spawned
    } else if (pipe(err_pipe) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, out_pipe[0]);
    posix_spawn_file_actions_addclose(&actions, err_pipe[0]);
    if (feeds) {
        posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
        posix_spawn_file_actions_addclose(&actions, in_pipe[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    if (!setup.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, setup.cwd.c_str());
    std::vector<std::string> argv_text{setup.program};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    auto start = std::chrono::steady_clock::now();
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    int in_fd = -1;
    if (feeds) {
        close(in_pipe[0]);
        in_fd = in_pipe[1];
    }
    auto feed = [&in_fd](const std::string& text) {
        for (size_t at = 0; at < text.size();) {
            const ssize_t n = write(in_fd, text.data() + at, text.size() - at);
            if (n <= 0) break;
            at += static_cast<size_t>(n);
        }
        close(in_fd);
        in_fd = -1;
    };
    if (rc != 0) {
        if (in_fd >= 0) close(in_fd);
        close(out_pipe[0]);
        close(err_pipe[0]);
        run.err = std::string("spawn failed: ") + std::strerror(rc);
        return run;
    }
    std::string out, err;
    if (in_fd >= 0 && setup.input && !setup.answer) feed(*setup.input);
    auto deadline = start + std::chrono::seconds(bound_seconds);
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    int open_fds = 2;
    bool interrupted = false;
    while (open_fds > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            run.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(left)) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[65536];
            // A terminal's master reads EIO once the child's end is closed.
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_fds;
            } else {
                (i == 0 ? out : err).append(buf, static_cast<size_t>(n));
                if (setup.interrupt && !interrupted && setup.interrupt(out, err)) {
                    kill(pid, SIGINT);
                    interrupted = true;
                }
                if (in_fd >= 0 && setup.answer)
                    if (auto text = setup.answer(out, err)) feed(*text);
            }
        }
    }
    if (in_fd >= 0) close(in_fd);
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!run.timed_out && WIFEXITED(wstatus)) run.status = WEXITSTATUS(wstatus);
    run.err = err;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t eol = out.find('\n', pos);
        if (eol == std::string::npos) eol = out.size();
        std::string line = out.substr(pos, eol - pos);
        pos = eol + 1;
        if (line.empty()) continue;
        run.lines.push_back(line);
        if (auto j = sandbox::Json::parse(line))
            run.events.push_back(*j);
        else
            run.unparsed.push_back(line);
    }
    return run;
}

}  // namespace quillet::e2e
