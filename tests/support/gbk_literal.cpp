#include "tests/support/gbk_literal.h"

#include "text/gbk.h"

namespace quillet::testing {

std::string gbk(std::string_view text) { return utf8_to_gbk(text); }
std::string utf8(std::string_view gbk_text) { return gbk_to_utf8(gbk_text); }

}  // namespace quillet::testing
