#pragma once
// Account profiles: several QQ accounts signed in side by side, each a cookie
// file $XDG_CONFIG_HOME/quillet/accounts/NAME.cookie (else
// ~/.config/quillet/accounts/; %APPDATA%\quillet\accounts on Windows). The
// cookie text is a credential: a file that others may read is refused, as a
// shell client refuses its keys.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// The profiles' folder for an environment ($XDG_CONFIG_HOME, $HOME).
std::filesystem::path accounts_folder_for(const char* xdg_config_home, const char* home);
std::filesystem::path accounts_folder();

// A profile name: 1-64 of letters, digits, '.', '_' and '-', not starting with
// '.' (it names a file and must not leave the folder).
bool valid_account_name(const std::string& name);
// accounts_folder() / (name + ".cookie").
std::filesystem::path account_cookie_path(const std::string& name);
// The names of the profiles present, sorted.
std::vector<std::string> account_names();
std::vector<std::string> account_names_in(const std::filesystem::path& folder);

// Reads a cookie file. nullopt with a one-line message (UTF-8) when it cannot
// be read, or when its mode lets group or others read or write it: then the
// message says "chmod 600 FILE".
std::optional<std::string> read_private_cookie_file(const std::filesystem::path& file,
                                                    std::string& error);
// Writes a cookie text so that no one but the user can read it (mode 0600)
// and no reader ever sees half of it: a temporary file beside it, then a
// rename. The folder is made when missing (mode 0700). False with a
// one-line message when it cannot be written.
bool write_private_cookie_file(const std::filesystem::path& file, const std::string& text,
                               std::string& error);

// The profile's cookie text: an unknown or missing profile is an error too.
std::optional<std::string> read_account_cookie(const std::string& name, std::string& error);

}  // namespace quillet
