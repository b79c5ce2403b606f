#include "text/ini_file.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "text/text_ops.h"

namespace quillet {
namespace {

// Lines of the file without their line ends; empty when it cannot be read.
bool read_lines(const std::filesystem::path& path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return true;
}

// Section and key names compare without regard to ASCII letter case, as
// profile readers do.
bool same_name(std::string_view a, std::string_view b) {
    return to_lower_ascii(trim(a)) == to_lower_ascii(trim(b));
}

bool is_section(const std::string& line, std::string* name) {
    std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    if (name) *name = t.substr(1, t.size() - 2);
    return true;
}

}  // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

void IniFile::set_path(std::filesystem::path path) {
    std::lock_guard lock(mutex_);
    path_ = std::move(path);
}

bool IniFile::exists() const {
    std::lock_guard lock(mutex_);
    std::error_code ec;
    return !path_.empty() && std::filesystem::exists(path_, ec);
}

bool IniFile::readable() const {
    std::lock_guard lock(mutex_);
    std::error_code ec;
    if (path_.empty() || std::filesystem::is_directory(path_, ec)) return false;
    std::ifstream in(path_, std::ios::binary);
    return static_cast<bool>(in);
}

bool IniFile::looks_like_ini() const {
    constexpr size_t kLooked = 64 * 1024;
    std::string text;
    {
        std::lock_guard lock(mutex_);
        std::ifstream in(path_, std::ios::binary);
        if (!in) return false;
        text.resize(kLooked);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(in.gcount()));
    }
    if (text.find('\0') != std::string::npos) return false;
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // a UTF-8 byte-order mark
    const bool cut = text.size() == kLooked;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            if (cut) break;  // the last line may be cut in two
            end = text.size();
        }
        const std::string line = trim(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (is_section(line, nullptr)) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || trim(std::string_view(line).substr(0, eq)).empty())
            return false;
    }
    return true;
}

std::string IniFile::read(std::string_view section, std::string_view key,
                          std::string_view fallback) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> lines;
    if (path_.empty() || !read_lines(path_, lines)) return std::string(fallback);
    bool inside = false;
    for (const auto& line : lines) {
        std::string name;
        if (is_section(line, &name)) {
            inside = same_name(name, section);
            continue;
        }
        size_t eq = line.find('=');
        if (inside && eq != std::string::npos && same_name(line.substr(0, eq), key))
            return trim(std::string_view(line).substr(eq + 1));
    }
    return std::string(fallback);
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    std::lock_guard lock(mutex_);
    if (path_.empty()) return false;
    std::vector<std::string> lines;
    std::error_code ec;
    if (std::filesystem::exists(path_, ec) && !read_lines(path_, lines)) return false;
    std::string entry = std::string(key) + "=" + std::string(value);
    bool inside = false, done = false;
    size_t section_end = std::string::npos;  // where to insert a new key
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name;
        if (is_section(lines[i], &name)) {
            if (inside) break;
            inside = same_name(name, section);
            if (inside) section_end = i + 1;
            continue;
        }
        if (!inside) continue;
        size_t eq = lines[i].find('=');
        if (eq != std::string::npos && same_name(lines[i].substr(0, eq), key)) {
            lines[i] = entry;
            done = true;
        } else if (!trim(lines[i]).empty()) {
            section_end = i + 1;
        }
    }
    if (!done) {
        if (section_end == std::string::npos) {
            if (!lines.empty() && !trim(lines.back()).empty()) lines.emplace_back();
            std::string header;  // built by appends: GCC 12 misreads "[" + s + "]"
            header.append("[").append(section).append("]");
            lines.push_back(std::move(header));
            lines.push_back(entry);
        } else {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(section_end), entry);
        }
    }
    // Write beside the file and rename, so a failed write never leaves half a file.
    auto temp = path_;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& l : lines) out << l << "\r\n";
        if (!out.flush()) return false;
    }
    std::filesystem::rename(temp, path_, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace quillet
