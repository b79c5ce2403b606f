#include "session/config_location.h"

#include <system_error>

#include "platform/folders.h"

namespace quillet {

namespace fs = std::filesystem;

fs::path program_directory() {
    return platform::executable_folder();
}

namespace {

fs::path config_path_in(const fs::path& program_dir, const std::optional<fs::path>& config_home) {
    const fs::path beside = program_dir / "quillet.cfg";
    // A file already beside the program is the one to use; so is the program's
    // folder when a new file can be made there.
    std::error_code ec;
    if (fs::exists(beside, ec) || platform::folder_writable(program_dir)) return beside;
    // Nowhere better: reads give defaults, writes fail quietly.
    if (!config_home) return beside;
    const fs::path folder = *config_home / "quillet";
    fs::create_directories(folder, ec);
    return folder / "quillet.cfg";
}

}  // namespace

fs::path config_path_for(const fs::path& program_dir, const char* xdg_config_home,
                         const char* home) {
    return config_path_in(program_dir, platform::xdg_home_for(xdg_config_home, home, ".config"));
}

fs::path default_config_path() {
    return config_path_in(program_directory(), platform::user_config_home());
}

}  // namespace quillet
