#include "platform/folders.h"

namespace quillet::platform {

namespace fs = std::filesystem;

std::optional<fs::path> xdg_home_for(const char* xdg_value, const char* home,
                                     std::string_view home_relative) {
    if (xdg_value != nullptr && xdg_value[0] == '/') return path_from_utf8(xdg_value);
    if (home != nullptr && home[0] != '\0')
        return path_from_utf8(home) / path_from_utf8(home_relative);
    return std::nullopt;
}

fs::path path_from_utf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string utf8_of_path(const fs::path& path) {
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
}

fs::path executable_folder() {
    const fs::path exe = executable_path();
    if (!exe.empty() && exe.has_parent_path()) return exe.parent_path();
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    return ec ? fs::path(".") : cwd;
}

}  // namespace quillet::platform
