#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/folders.h"

namespace quillet::platform {

namespace fs = std::filesystem;

std::optional<std::string> env(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr) return std::nullopt;
    return std::string(v);
}

void set_env(const char* name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

std::optional<fs::path> user_config_home() {
    return xdg_home_for(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), ".config");
}

std::optional<fs::path> user_data_home() {
    return xdg_home_for(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), ".local/share");
}

fs::path executable_path() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
}

bool folder_writable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

long process_id() {
    return static_cast<long>(::getpid());
}

}  // namespace quillet::platform
