#pragma once
// A small INI profile file: section lines and key=value entries, read and
// written as bytes (the program's texts are GBK, and so is the file).
// Reads of a missing file or entry give the default; writes create the file.
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace quillet {

class IniFile {
  public:
    explicit IniFile(std::filesystem::path path = {});
    const std::filesystem::path& path() const { return path_; }
    void set_path(std::filesystem::path path);

    // Reads the file afresh on every call, as a profile reader does.
    std::string read(std::string_view section, std::string_view key,
                     std::string_view fallback = "") const;
    // Whether the file exists and opens for reading (a missing file reads as
    // empty: every entry takes its default).
    bool exists() const;
    bool readable() const;
    // Whether a readable file reads as an INI file: no NUL bytes, and every
    // line that is not blank is a comment (";" or "#"), a [section] or a
    // key=value entry. Only the start of a large file is looked at.
    bool looks_like_ini() const;

    // Read-modify-write of the whole file; false when it cannot be written.
    bool write(std::string_view section, std::string_view key, std::string_view value);

  private:
    std::filesystem::path path_;
    mutable std::mutex mutex_;
};

}  // namespace quillet
