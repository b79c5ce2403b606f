#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/private_files.h"

namespace quillet::platform {

namespace fs = std::filesystem;

bool write_private_file(const fs::path& file, std::string_view text, std::string& error) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
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

bool make_private(const fs::path& path) {
    std::error_code ec;
    const bool folder = fs::is_directory(path, ec);
    return ::chmod(path.c_str(), folder ? 0700 : 0600) == 0;
}

Privacy file_privacy(const fs::path& file, std::string& detail) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        detail = std::strerror(errno);
        return Privacy::Unknown;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) == 0) return Privacy::Private;
    char mode[16];
    std::snprintf(mode, sizeof mode, "mode %04o", static_cast<unsigned>(st.st_mode & 07777));
    detail = mode;
    return Privacy::OpenToOthers;
}

std::string private_fix_command(const fs::path& file) {
    return "chmod 600 " + file.string();
}

}  // namespace quillet::platform
