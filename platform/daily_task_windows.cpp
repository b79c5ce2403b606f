#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/child_process.h"
#include "platform/daily_task.h"
#include "platform/folders.h"
#include "platform/wide_windows.h"

namespace quillet::platform {

namespace fs = std::filesystem;

namespace {

// The saved definition: kept so that the printed command can be run later
// and so that --show can say what is scheduled.
fs::path task_file() {
    const auto home = user_data_home();
    return (home ? *home : executable_folder()) / "quillet" / "daily-task.xml";
}

int schtasks(const std::vector<std::string>& args, std::string* out = nullptr) {
    ProgramRun run;
    run.argv = {"schtasks"};
    run.argv.insert(run.argv.end(), args.begin(), args.end());
    run.output = out != nullptr ? ProgramRun::Output::Capture : ProgramRun::Output::Discard;
    run.quiet = true;
    ChildResult r = run_program(run);
    if (out != nullptr) *out = std::move(r.output);
    return r.started ? r.status : -1;
}

// Whether the task is registered, with its listing. The listing must name
// the task: a scheduler that answers every query with success (wine's)
// registers nothing by that.
bool task_registered(std::string& listing) {
    return schtasks({"/Query", "/TN", kTaskName, "/FO", "LIST"}, &listing) == 0 &&
           listing.find(kTaskName) != std::string::npos;
}

// The Task Scheduler reads UTF-16 with its byte order mark.
bool write_utf16(const fs::path& file, const std::string& text, std::string& error) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    const std::wstring wide = wide_of(text);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write("\xFF\xFE", 2);
    for (wchar_t c : wide) {
        const char bytes[2] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)};
        out.write(bytes, 2);
    }
    if (!out.flush()) {
        error = "cannot write " + utf8_of_path(file);
        return false;
    }
    return true;
}

}  // namespace

int show_daily_task() {
    const fs::path file = task_file();
    std::string listing;
    if (!task_registered(listing)) {
        std::printf("no daily claim is scheduled (task \"%s\")\n", kTaskName);
        return 0;
    }
    std::printf("# task \"%s\" (%s)\n%s", kTaskName, utf8_of_path(file).c_str(), listing.c_str());
    return 0;
}

int unschedule_daily_task() {
    std::string listing;
    const bool had = task_registered(listing);
    if (had && schtasks({"/Delete", "/TN", kTaskName, "/F"}) != 0) {
        std::fprintf(stderr,
                     "quillet-cli: the Task Scheduler did not delete the task; run: schtasks "
                     "/Delete /TN \"%s\" /F\n",
                     kTaskName);
        return 1;
    }
    std::error_code ec;
    fs::remove(task_file(), ec);
    std::printf(had ? "the daily claim is no longer scheduled\n"
                    : "no daily claim was scheduled\n");
    return 0;
}

int schedule_daily_task(const DailyTimer& t) {
    const fs::path file = task_file();
    std::string error;
    if (!write_utf16(file, task_scheduler_xml(t), error)) {
        std::fprintf(stderr, "quillet-cli: %s\n", error.c_str());
        return 1;
    }
    std::string listing;
    if (schtasks({"/Create", "/XML", utf8_of_path(file), "/TN", kTaskName, "/F"}) != 0 ||
        !task_registered(listing)) {
        std::fprintf(stderr,
                     "quillet-cli: the task is written (%s) but the Task Scheduler did not take "
                     "it; register it with:\n%s\n",
                     utf8_of_path(file).c_str(), schtasks_create_command(file).c_str());
        return 1;
    }
    std::printf("daily claim scheduled at %02d:%02d (task \"%s\")\n", t.hour, t.minute, kTaskName);
    return 0;
}

}  // namespace quillet::platform
