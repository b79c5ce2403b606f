// The page scripts' escaping: whatever the selector, its escaped body stays one
// plain-ASCII string literal of either quote, which the engine reads back as a
// string without running anything.
#include "fuzz/fuzz_support.h"
#include "script/script_host.h"
#include "vendor_services/page_scripts.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::use_short_budget();
    const std::string_view selector = fuzz::text_of(data, size);
    const std::string body = script_string_body(selector);
    for (char c : body) QUILLET_FUZZ_CHECK(c >= 0x20 && c < 0x7F);
    QUILLET_FUZZ_CHECK(body.find('<') == std::string::npos);

    ScriptHost host;
    QUILLET_FUZZ_CHECK(host.eval_bool("typeof '" + body + "' === 'string'"));
    QUILLET_FUZZ_CHECK(host.eval_bool("typeof \"" + body + "\" === 'string'"));

    const auto remove = remove_script(selector);
    const auto scroll = scroll_script(selector);
    QUILLET_FUZZ_CHECK(remove.has_value() == usable_selector(selector));
    QUILLET_FUZZ_CHECK(scroll.has_value() == usable_selector(selector));
    return 0;
}
