#pragma once
// UTF-8 <-> UTF-16 for the wide Windows calls (Windows build only).
#include <string>
#include <string_view>

namespace quillet::platform {

std::wstring wide_of(std::string_view utf8);
std::string utf8_of(std::wstring_view wide);

}  // namespace quillet::platform
