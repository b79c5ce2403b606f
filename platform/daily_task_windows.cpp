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

DailyTaskReport show_daily_task() {
    const fs::path file = task_file();
    std::string listing;
    DailyTaskReport r;
    r.fields = {{"task", kTaskName}, {"task_file", utf8_of_path(file)}};
    if (!task_registered(listing)) {
        r.text = std::string("no daily claim is scheduled (task \"") + kTaskName + "\")\n";
        return r;
    }
    r.scheduled = true;
    r.fields.emplace_back("listing", listing);
    r.text = std::string("# task \"") + kTaskName + "\" (" + utf8_of_path(file) + ")\n" + listing;
    return r;
}

DailyTaskReport unschedule_daily_task() {
    std::string listing;
    DailyTaskReport r;
    r.scheduled = task_registered(listing);
    if (r.scheduled && schtasks({"/Delete", "/TN", kTaskName, "/F"}) != 0) {
        r.status = 1;
        r.error = std::string(
                      "the Task Scheduler did not delete the task; run: schtasks /Delete /TN \"") +
                  kTaskName + "\" /F";
        return r;
    }
    std::error_code ec;
    fs::remove(task_file(), ec);
    r.fields = {{"removed", r.scheduled ? "true" : "false"}};
    r.text =
        r.scheduled ? "the daily claim is no longer scheduled\n" : "no daily claim was scheduled\n";
    return r;
}

DailyTaskReport schedule_daily_task(const DailyTimer& t) {
    const fs::path file = task_file();
    DailyTaskReport r;
    if (!write_utf16(file, task_scheduler_xml(t), r.error)) {
        r.status = 1;
        return r;
    }
    std::string listing;
    if (schtasks({"/Create", "/XML", utf8_of_path(file), "/TN", kTaskName, "/F"}) != 0 ||
        !task_registered(listing)) {
        r.status = 1;
        r.error = "the task is written (" + utf8_of_path(file) +
                  ") but the Task Scheduler did not take it; register it with:\n" +
                  schtasks_create_command(file);
        return r;
    }
    char at[8];
    std::snprintf(at, sizeof at, "%02d:%02d", t.hour % 100, t.minute % 100);
    r.scheduled = true;
    r.fields = {{"at", at}, {"task", kTaskName}, {"task_file", utf8_of_path(file)}};
    r.text = std::string("daily claim scheduled at ") + at + " (task \"" + kTaskName + "\")\n";
    return r;
}

}  // namespace quillet::platform
