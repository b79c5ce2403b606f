#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/folders.h"
#include "platform/wide_windows.h"

namespace quillet::platform {

namespace fs = std::filesystem;

std::wstring wide_of(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string utf8_of(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::optional<std::string> env(const char* name) {
    const wchar_t* v = _wgetenv(wide_of(name).c_str());
    if (v == nullptr) return std::nullopt;
    return utf8_of(v);
}

void set_env(const char* name, const std::optional<std::string>& value) {
    // An empty value removes a variable on Windows; that is what nullopt asks.
    const std::wstring assignment = wide_of(name) + L"=" + (value ? wide_of(*value) : L"");
    _wputenv(assignment.c_str());
}

namespace {

std::optional<fs::path> folder_from(const char* variable) {
    const auto v = env(variable);
    if (!v || v->empty()) return std::nullopt;
    return path_from_utf8(*v);
}

}  // namespace

// The roaming profile holds the configuration and the accounts; the local one
// holds the ledger and other data that need not follow the user around.
std::optional<fs::path> user_config_home() {
    return folder_from("APPDATA");
}
std::optional<fs::path> user_data_home() {
    return folder_from("LOCALAPPDATA");
}

fs::path executable_path() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return fs::path(std::wstring(buf.data(), n));
        buf.resize(buf.size() * 2);
    }
}

bool folder_writable(const fs::path& folder) {
    // The read-only attribute means nothing for folders on Windows: try it.
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
    const fs::path probe = folder / (L".quillet-probe-" + std::to_wstring(GetCurrentProcessId()));
    const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

long process_id() {
    return static_cast<long>(GetCurrentProcessId());
}

}  // namespace quillet::platform
