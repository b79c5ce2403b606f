#include "main/daily_timer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quillet {

namespace fs = std::filesystem;

namespace {

std::string two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// One word of an ExecStart line: quoted, with systemd's specifier and
// variable characters doubled so that they reach the program as typed.
std::string exec_word(const std::string& word) {
    std::string out = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        if (c == '$') out += '$';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::optional<std::string> slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool write_file(const fs::path& p, const std::string& text, std::string& error) {
    const fs::path tmp = p.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            error = "cannot write " + p.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, p, ec);
    if (ec) {
        error = "cannot write " + p.string() + ": " + ec.message();
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace

bool parse_clock_time(const std::string& text, int& hour, int& minute) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 2 || text.size() != colon + 3)
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != colon && (text[i] < '0' || text[i] > '9')) return false;
    hour = std::stoi(text.substr(0, colon));
    minute = std::stoi(text.substr(colon + 1));
    return hour <= 23 && minute <= 59;
}

std::string timer_unit_text(const DailyTimer& t) {
    const std::string at = two(t.hour) + ":" + two(t.minute);
    return "# Written by quillet-cli schedule; quillet-cli schedule --remove deletes it.\n"
           "[Unit]\n"
           "Description=Quillet daily claim at " +
           at +
           "\n"
           "\n"
           "[Timer]\n"
           "OnCalendar=*-*-* " +
           at +
           ":00\n"
           // A pass missed while the machine was off or asleep runs at the next start.
           "Persistent=true\n"
           "RandomizedDelaySec=" +
           std::to_string(t.randomized_delay_sec) +
           "\n"
           "Unit=" +
           kServiceUnit +
           "\n"
           "\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

std::string service_unit_text(const DailyTimer& t) {
    std::string exec = exec_word(t.program.string());
    for (const std::string& a : t.args) exec += " " + exec_word(a);
    return "# Written by quillet-cli schedule; quillet-cli schedule --remove deletes it.\n"
           "[Unit]\n"
           "Description=Quillet daily claim\n"
           "\n"
           "[Service]\n"
           "Type=oneshot\n"
           "ExecStart=" +
           exec + "\n";
}

std::string shell_quote(const std::string& word) {
    if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTU"
                                                "VWXYZ0123456789_-.,/:=@+") == std::string::npos)
        return word;
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string crontab_line(const DailyTimer& t) {
    std::string line = std::to_string(t.minute) + " " + std::to_string(t.hour) + " * * * " +
                       shell_quote(t.program.string());
    for (const std::string& a : t.args) line += " " + shell_quote(a);
    // cron turns an unescaped % into a line end.
    std::string out;
    for (char c : line) {
        if (c == '%') out += '\\';
        out += c;
    }
    return out;
}

fs::path systemd_user_folder_for(const char* xdg_config_home, const char* home) {
    if (xdg_config_home != nullptr && xdg_config_home[0] == '/')
        return fs::path(xdg_config_home) / "systemd" / "user";
    if (home != nullptr && home[0] != '\0') return fs::path(home) / ".config" / "systemd" / "user";
    return fs::path(".config") / "systemd" / "user";
}

fs::path systemd_user_folder() {
    return systemd_user_folder_for(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

bool write_timer_units(const fs::path& folder, const DailyTimer& t, std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return false;
    }
    return write_file(folder / kServiceUnit, service_unit_text(t), error) &&
           write_file(folder / kTimerUnit, timer_unit_text(t), error);
}

bool remove_timer_units(const fs::path& folder, std::string& error) {
    bool ok = true;
    for (const char* name : {kTimerUnit, kServiceUnit}) {
        std::error_code ec;
        fs::remove(folder / name, ec);
        if (ec) {
            error = "cannot remove " + (folder / name).string() + ": " + ec.message();
            ok = false;
        }
    }
    return ok;
}

std::optional<InstalledTimer> read_timer_units(const fs::path& folder) {
    auto timer = slurp(folder / kTimerUnit);
    auto service = slurp(folder / kServiceUnit);
    if (!timer || !service) return std::nullopt;
    return InstalledTimer{*timer, *service};
}

std::string systemctl_program() {
    const char* p = std::getenv("QUILLET_SYSTEMCTL");
    return p != nullptr && *p != '\0' ? p : "systemctl";
}

namespace {

// Runs systemctl --user ARGS; its standard output into out when given.
int systemctl_user(const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> words{systemctl_program(), "--user"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    int fds[2] = {-1, -1};
    if (out != nullptr && ::pipe2(fds, O_CLOEXEC) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid < 0) {
        if (out != nullptr) {
            ::close(fds[0]);
            ::close(fds[1]);
        }
        return -1;
    }
    if (pid == 0) {
        // Quiet: the caller says what happened in its own words.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(out != nullptr ? fds[1] : null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    if (out != nullptr) {
        ::close(fds[1]);
        char buf[512];
        ssize_t n = 0;
        while ((n = ::read(fds[0], buf, sizeof buf)) != 0) {
            if (n < 0) {
                if (errno == EINTR) continue;
                break;
            }
            out->append(buf, static_cast<size_t>(n));
        }
        ::close(fds[0]);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (!WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code == 127 ? -1 : code;
}

}  // namespace

int run_systemctl_user(const std::vector<std::string>& args) {
    return systemctl_user(args, nullptr);
}

bool systemd_user_running() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return false;
    std::string state;
    if (systemctl_user({"is-system-running"}, &state) == 0) return true;
    // A degraded manager (one unit failed) still runs timers.
    return state.rfind("degraded", 0) == 0 || state.rfind("starting", 0) == 0;
}

}  // namespace quillet
