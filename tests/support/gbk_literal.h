#pragma once
// Tests write their texts in UTF-8; the program's texts are GBK.
#include <string>
#include <string_view>

namespace quillet::testing {

// GBK bytes of a UTF-8 literal: gbk("领取").
std::string gbk(std::string_view utf8);
// UTF-8 of a GBK text, for readable failure messages.
std::string utf8(std::string_view gbk_text);

}  // namespace quillet::testing
