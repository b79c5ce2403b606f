#pragma once
// Where the configuration file lives: "quillet.cfg" in the program's folder,
// as the program always kept it, unless that folder cannot be written (an
// installed program); then the user's configuration folder
// ($XDG_CONFIG_HOME/quillet, else ~/.config/quillet; %APPDATA%\quillet on
// Windows) holds it. A file that
// already stands beside the program is always used.
#include <filesystem>

namespace quillet {

// The folder of the running executable; the current folder when unknown.
std::filesystem::path program_directory();
// The configuration file's path; the fallback folder is created when needed.
std::filesystem::path default_config_path();
// The same decision for a given program folder and environment (tests).
std::filesystem::path config_path_for(const std::filesystem::path& program_dir,
                                      const char* xdg_config_home, const char* home);

}  // namespace quillet
