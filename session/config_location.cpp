#include "session/config_location.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace quillet {

namespace fs = std::filesystem;

fs::path program_directory() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path();
    fs::path cwd = fs::current_path(ec);
    return ec ? fs::path(".") : cwd;
}

fs::path config_path_for(const fs::path& program_dir, const char* xdg_config_home,
                         const char* home) {
    const fs::path beside = program_dir / "quillet.cfg";
    // A file already beside the program is the one to use; so is the program's
    // folder when a new file can be made there.
    if (::access(beside.string().c_str(), F_OK) == 0 ||
        ::access(program_dir.string().c_str(), W_OK) == 0)
        return beside;
    fs::path folder;
    if (xdg_config_home != nullptr && xdg_config_home[0] == '/')
        folder = fs::path(xdg_config_home) / "quillet";
    else if (home != nullptr && home[0] != '\0')
        folder = fs::path(home) / ".config" / "quillet";
    else
        return beside;  // nowhere better: reads give defaults, writes fail quietly
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder / "quillet.cfg";
}

fs::path default_config_path() {
    return config_path_for(program_directory(), std::getenv("XDG_CONFIG_HOME"),
                           std::getenv("HOME"));
}

}  // namespace quillet
