#pragma once
// Conversions between the program's texts (GBK, code page 936, byte strings)
// and the Unicode encodings spoken at the edges: UTF-8 answers, the script
// engine, the window port and the command line.
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// A character GBK cannot represent becomes "?"; so does a malformed input
// sequence. The conversion never stops early.
std::string utf8_to_gbk(std::string_view utf8);
std::string gbk_to_utf8(std::string_view gbk);

// UTF-16LE bytes -> GBK; stops at the first NUL code unit.
std::string utf16_to_gbk(std::string_view utf16le);
// GBK -> UTF-16LE bytes, followed by a NUL code unit unless drop_terminator.
std::string gbk_to_utf16(std::string_view gbk, bool drop_terminator = false);

// Appends the UTF-8 bytes of one code point.
void append_utf8(std::string& out, std::uint32_t code_point);

}  // namespace quillet
