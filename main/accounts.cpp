#include "main/accounts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/folders.h"
#include "platform/private_files.h"

namespace quillet {

namespace fs = std::filesystem;

fs::path accounts_folder_for(const char* xdg_config_home, const char* home) {
    if (xdg_config_home != nullptr && xdg_config_home[0] == '/')
        return fs::path(xdg_config_home) / "quillet" / "accounts";
    if (home != nullptr && home[0] != '\0')
        return fs::path(home) / ".config" / "quillet" / "accounts";
    return fs::path(".config") / "quillet" / "accounts";
}

fs::path accounts_folder() {
    const auto home = platform::user_config_home();
    return (home ? *home : fs::path(".config")) / "quillet" / "accounts";
}

bool valid_account_name(const std::string& name) {
    if (name.empty() || name.size() > 64 || name[0] == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '-';
    });
}

fs::path account_cookie_path(const std::string& name) {
    return accounts_folder() / (name + ".cookie");
}

std::vector<std::string> account_names_in(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (p.extension() != ".cookie") continue;
        const std::string name = p.stem().string();
        if (valid_account_name(name) && it->is_regular_file(ec)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> account_names() {
    return account_names_in(accounts_folder());
}

std::optional<std::string> read_private_cookie_file(const fs::path& file, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read the cookie file " + file.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // The mode of the file actually opened (a link is judged by its target).
    std::string detail;
    const platform::Privacy privacy = platform::file_privacy(file, detail);
    if (privacy == platform::Privacy::Unknown) {
        error = "cannot read the cookie file " + file.string() + ": " + detail;
        return std::nullopt;
    }
    if (privacy == platform::Privacy::OpenToOthers) {
        error = "the cookie file " + file.string() + " is accessible by others (" + detail +
                "); it holds your login: run " + platform::private_fix_command(file);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        error = "cannot read the cookie file " + file.string();
        return std::nullopt;
    }
    return text.str();
}

std::optional<std::string> read_account_cookie(const std::string& name, std::string& error) {
    if (!valid_account_name(name)) {
        error = "'" + name + "' is not an account name (letters, digits, '.', '_', '-')";
        return std::nullopt;
    }
    const fs::path file = account_cookie_path(name);
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        error = "no account '" + name + "': " + file.string() +
                " does not exist (sign in with: quillet-cli login --account " + name +
                ", or quillet --save-login " + file.string() + ")";
        return std::nullopt;
    }
    return read_private_cookie_file(file, error);
}

bool write_private_cookie_file(const fs::path& file, const std::string& text, std::string& error) {
    std::error_code ec;
    const fs::path folder = file.parent_path();
    if (!folder.empty() && !fs::exists(folder, ec)) {
        fs::create_directories(folder, ec);
        if (!ec) platform::make_private(folder);
    }
    return platform::write_private_file(file, text, error);
}

}  // namespace quillet
