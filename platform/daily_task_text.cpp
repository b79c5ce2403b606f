#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/child_process.h"
#include "platform/daily_task.h"
#include "platform/folders.h"

namespace quillet::platform {

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
    const auto home = user_config_home();
    return (home ? *home : fs::path(".config")) / "systemd" / "user";
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
    const auto p = env("QUILLET_SYSTEMCTL");
    return p && !p->empty() ? *p : "systemctl";
}

namespace {

// Runs systemctl --user ARGS; its standard output into out when given.
int systemctl_user(const std::vector<std::string>& args, std::string* out) {
    ProgramRun run;
    run.argv = {systemctl_program(), "--user"};
    run.argv.insert(run.argv.end(), args.begin(), args.end());
    // Quiet: the caller says what happened in its own words.
    run.output = out != nullptr ? ProgramRun::Output::Capture : ProgramRun::Output::Discard;
    run.quiet = true;
    ChildResult r = run_program(run);
    if (out != nullptr) *out = std::move(r.output);
    return r.status == 127 ? -1 : r.status;
}

}  // namespace

int run_systemctl_user(const std::vector<std::string>& args) {
    return systemctl_user(args, nullptr);
}

bool systemd_user_running() {
    const auto runtime = env("XDG_RUNTIME_DIR");
    if (!runtime || runtime->empty()) return false;
    std::string state;
    if (systemctl_user({"is-system-running"}, &state) == 0) return true;
    // A degraded manager (one unit failed) still runs timers.
    return state.rfind("degraded", 0) == 0 || state.rfind("starting", 0) == 0;
}

}  // namespace quillet::platform

namespace quillet::platform {

namespace {

std::string xml_escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string task_scheduler_xml(const DailyTimer& t) {
    const std::string at = two(t.hour) + ":" + two(t.minute);
    std::string args;
    for (const std::string& a : t.args) args += (args.empty() ? "" : " ") + windows_argument(a);
    // The start boundary only anchors the time of day; a date in the past
    // makes the task due from today on.
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
           "<Task version=\"1.2\" "
           "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
           "  <RegistrationInfo>\n"
           "    <Description>Quillet daily claim at " +
           at +
           " (quillet-cli schedule --remove deletes it)</Description>\n"
           "  </RegistrationInfo>\n"
           "  <Triggers>\n"
           "    <CalendarTrigger>\n"
           "      <StartBoundary>2024-01-01T" +
           at +
           ":00</StartBoundary>\n"
           "      <Enabled>true</Enabled>\n"
           "      <RandomDelay>PT" +
           std::to_string(t.randomized_delay_sec) +
           "S</RandomDelay>\n"
           "      <ScheduleByDay>\n"
           "        <DaysInterval>1</DaysInterval>\n"
           "      </ScheduleByDay>\n"
           "    </CalendarTrigger>\n"
           "  </Triggers>\n"
           "  <Principals>\n"
           "    <Principal id=\"Author\">\n"
           "      <LogonType>InteractiveToken</LogonType>\n"
           "      <RunLevel>LeastPrivilege</RunLevel>\n"
           "    </Principal>\n"
           "  </Principals>\n"
           "  <Settings>\n"
           // A pass missed while the machine was off or asleep runs at the next start.
           "    <StartWhenAvailable>true</StartWhenAvailable>\n"
           "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
           "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
           "    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\n"
           "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
           "    <ExecutionTimeLimit>PT1H</ExecutionTimeLimit>\n"
           "    <Enabled>true</Enabled>\n"
           "  </Settings>\n"
           "  <Actions Context=\"Author\">\n"
           "    <Exec>\n"
           "      <Command>" +
           xml_escaped(utf8_of_path(t.program)) +
           "</Command>\n"
           "      <Arguments>" +
           xml_escaped(args) +
           "</Arguments>\n"
           "    </Exec>\n"
           "  </Actions>\n"
           "</Task>\n";
}

std::string schtasks_create_command(const fs::path& xml_file) {
    return "schtasks /Create /XML " + windows_argument(utf8_of_path(xml_file)) + " /TN " +
           windows_argument(kTaskName) + " /F";
}

}  // namespace quillet::platform
