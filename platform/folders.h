#pragma once
// The user's own folders, the environment and the program's own location.
// Paths are made from and turned into UTF-8 text here only: a narrow path
// means the current code page on Windows, not UTF-8.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform {

// An environment variable as UTF-8; nullopt when unset (an empty value is
// returned as it is).
std::optional<std::string> env(const char* name);
// Sets or (value nullopt) removes a variable of this process.
void set_env(const char* name, const std::optional<std::string>& value);

// The base of the user's configuration: $XDG_CONFIG_HOME when absolute,
// else $HOME/.config (Windows: %APPDATA%). nullopt when none is known.
std::optional<std::filesystem::path> user_config_home();
// The base of the user's data: $XDG_DATA_HOME when absolute, else
// $HOME/.local/share (Windows: %LOCALAPPDATA%). nullopt when none is known.
std::optional<std::filesystem::path> user_data_home();
// The POSIX rules above for given values (XDG relative values are invalid).
std::optional<std::filesystem::path> xdg_home_for(const char* xdg_value, const char* home,
                                                  std::string_view home_relative);

// The running program's file; its folder; the current folder when unknown.
std::filesystem::path executable_path();
std::filesystem::path executable_folder();
// Whether this process may create files in folder.
bool folder_writable(const std::filesystem::path& folder);

// UTF-8 text <-> path, whatever the platform's narrow encoding.
std::filesystem::path path_from_utf8(std::string_view text);
std::string utf8_of_path(const std::filesystem::path& path);

// This process's id.
long process_id();

}  // namespace quillet::platform
