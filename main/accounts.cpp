#include "main/accounts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

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
    return accounts_folder_for(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
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
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        error = "cannot read the cookie file " + file.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        error = "the cookie file " + file.string() + " is accessible by others (mode " + mode +
                "); it holds your login: run chmod 600 " + file.string();
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
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    if (!fs::exists(folder, ec)) {
        fs::create_directories(folder, ec);
        if (!ec) fs::permissions(folder, fs::perms::owner_all, ec);
    }
    std::string temp = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());  // created 0600
    if (fd < 0) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
    }
    return ok;
}

}  // namespace quillet
