#include "text/ini_file.h"

// The file is GBK bytes, like every text of the program: no conversion.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace quillet {

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

void IniFile::set_path(std::filesystem::path path) {
    std::lock_guard lock(mutex_);
    path_ = std::move(path);
}

std::string IniFile::read(std::string_view section, std::string_view key,
                          std::string_view fallback) const {
    std::lock_guard lock(mutex_);
    CSimpleIniA ini(/*utf8=*/false, /*multikey=*/false, /*multiline=*/false);
    if (path_.empty() || ini.LoadFile(path_.c_str()) < 0) return std::string(fallback);
    const char* v = ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    return v ? std::string(v) : std::string(fallback);
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    std::lock_guard lock(mutex_);
    if (path_.empty()) return false;
    CSimpleIniA ini(false, false, false);
    std::error_code ec;
    if (std::filesystem::exists(path_, ec) && ini.LoadFile(path_.c_str()) < 0) return false;
    ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                 std::string(value).c_str());
    return ini.SaveFile(path_.c_str(), /*addSignature=*/false) >= 0;
}

}  // namespace quillet
