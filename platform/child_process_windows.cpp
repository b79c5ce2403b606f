#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <future>
#include <optional>
#include <thread>

#include "platform/child_process.h"
#include "platform/folders.h"
#include "platform/wide_windows.h"

namespace quillet::platform {
namespace {

std::string error_text(const char* what) {
    return std::string(what) + " (error " + std::to_string(GetLastError()) + ")";
}

void read_all(HANDLE h, std::string* out) {
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out->append(buf, n);
}

HANDLE open_null() {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       OPEN_EXISTING, 0, nullptr);
}

HANDLE inheritable(HANDLE h) {
    HANDLE copy = nullptr;
    if (h == nullptr || h == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

struct Handle {
    HANDLE h = nullptr;
    Handle() = default;
    explicit Handle(HANDLE v) : h(v == INVALID_HANDLE_VALUE ? nullptr : v) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }
    void reset() {
        if (h != nullptr) CloseHandle(h);
        h = nullptr;
    }
};

}  // namespace

ChildResult run_shell_command(const std::string& command, const std::string& input, int limit_ms) {
    ChildResult result;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &sa, 0)) {
        result.error = error_text("cannot make a pipe");
        return result;
    }
    Handle child_in(read_end), our_end(write_end);
    SetHandleInformation(our_end.h, HANDLE_FLAG_INHERIT, 0);
    Handle err(inheritable(GetStdHandle(STD_ERROR_HANDLE)));
    Handle out(inheritable(GetStdHandle(STD_ERROR_HANDLE)));

    // The job holds every process the command starts, however deep, so that
    // the limit cuts them all off at once. A command that ends in time may
    // leave work running, as a process group on Linux may.
    Handle job(CreateJobObjectW(nullptr, nullptr));
    if (job.h == nullptr) {
        result.error = error_text("cannot make a job object");
        return result;
    }

    const auto comspec = env("ComSpec");
    const std::wstring shell = comspec && !comspec->empty() ? wide_of(*comspec) : L"cmd.exe";
    std::wstring line =
        wide_of(windows_argument(utf8_of(shell))) + L" /d /s /c \"" + wide_of(command) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = child_in.h;
    si.hStdOutput = out.h;
    si.hStdError = err.h;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr,
                        nullptr, &si, &pi)) {
        result.error = error_text("cannot start the command");
        return result;
    }
    Handle process(pi.hProcess), thread(pi.hThread);
    // In the job before it runs a single instruction: nothing escapes it.
    AssignProcessToJobObject(job.h, process.h);
    ResumeThread(thread.h);
    result.started = true;
    child_in.reset();
    out.reset();
    err.reset();

    // An anonymous pipe blocks: the input is written on a thread of its own,
    // which ends when the command reads it all, exits or is killed.
    std::atomic<bool> written{false};
    std::promise<HANDLE> writer_handle;
    std::thread writer([h = our_end.h, &input, &written, &writer_handle] {
        HANDLE self = nullptr;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0,
                        FALSE, DUPLICATE_SAME_ACCESS);
        writer_handle.set_value(self);
        size_t done = 0;
        while (done < input.size()) {
            DWORD n = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(input.size() - done, 1 << 16));
            if (!WriteFile(h, input.data() + done, chunk, &n, nullptr) || n == 0) break;
            done += n;
        }
        CloseHandle(h);
        written = true;
    });
    our_end.h = nullptr;  // the writer closes it
    Handle writer_thread(writer_handle.get_future().get());

    if (WaitForSingleObject(process.h, static_cast<DWORD>(limit_ms)) == WAIT_TIMEOUT) {
        TerminateJobObject(job.h, 1);
        WaitForSingleObject(process.h, INFINITE);
        result.timed_out = true;
    } else {
        DWORD code = 0;
        if (GetExitCodeProcess(process.h, &code)) result.status = static_cast<int>(code);
    }
    // Something the command left running may hold its input open unread:
    // the writing ends with the command.
    while (!written) {
        if (writer_thread.h != nullptr) CancelSynchronousIo(writer_thread.h);
        Sleep(10);
    }
    writer.join();
    // cmd.exe's "not recognised" is status 1; a missing program file is 9009.
    if (result.status == 9009) result.status = 127;
    return result;
}

ChildResult run_program(const ProgramRun& run) {
    ChildResult result;
    if (run.argv.empty()) {
        result.error = "no program";
        return result;
    }
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    Handle out_read, out_write, report_read, report_write;
    if (run.output == ProgramRun::Output::Capture) {
        HANDLE r = nullptr, w = nullptr;
        if (!CreatePipe(&r, &w, &sa, 0)) {
            result.error = error_text("cannot make a pipe");
            return result;
        }
        out_read.h = r;
        out_write.h = w;
        SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    } else if (run.output == ProgramRun::Output::Discard) {
        out_write.h = open_null();
    } else {
        out_write.h = inheritable(GetStdHandle(STD_ERROR_HANDLE));
    }
    Handle err(run.quiet ? open_null() : inheritable(GetStdHandle(STD_ERROR_HANDLE)));
    Handle in(inheritable(GetStdHandle(STD_INPUT_HANDLE)));

    std::optional<std::string> saved;
    if (!run.report_variable.empty()) {
        HANDLE r = nullptr, w = nullptr;
        if (!CreatePipe(&r, &w, &sa, 0)) {
            result.error = error_text("cannot make a pipe");
            return result;
        }
        report_read.h = r;
        report_write.h = w;
        SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
        // The child inherits our environment: the variable is set around the start.
        saved = env(run.report_variable.c_str());
        set_env(run.report_variable.c_str(),
                std::to_string(reinterpret_cast<uintptr_t>(report_write.h)));
    }

    std::wstring line;
    for (const std::string& a : run.argv)
        line += (line.empty() ? L"" : L" ") + wide_of(windows_argument(a));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.h;
    si.hStdOutput = out_write.h;
    si.hStdError = err.h;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    if (!run.report_variable.empty()) set_env(run.report_variable.c_str(), saved);
    if (!started) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            result.status = 127;
            return result;
        }
        result.error = error_text(("cannot start " + run.argv[0]).c_str());
        return result;
    }
    Handle process(pi.hProcess), thread(pi.hThread);
    result.started = true;
    out_write.reset();
    report_write.reset();
    err.reset();
    in.reset();
    std::thread report_reader;
    if (report_read.h != nullptr)
        report_reader = std::thread(read_all, report_read.h, &result.report);
    if (out_read.h != nullptr) read_all(out_read.h, &result.output);
    if (report_reader.joinable()) report_reader.join();
    WaitForSingleObject(process.h, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.h, &code)) result.status = static_cast<int>(code);
    return result;
}

bool send_report(const char* variable, const std::string& text) {
    const auto value = env(variable);
    set_env(variable, std::nullopt);
    if (!value) return false;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(value->c_str(), &end, 10);
    if (end == value->c_str() || *end != '\0' || v == 0) return false;
    const HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(v));
    if (GetFileType(h) != FILE_TYPE_PIPE) return false;
    size_t done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        if (!WriteFile(h, text.data() + done, static_cast<DWORD>(text.size() - done), &n,
                       nullptr) ||
            n == 0)
            break;
        done += n;
    }
    CloseHandle(h);
    return done == text.size();
}

}  // namespace quillet::platform
