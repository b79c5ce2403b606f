// The JSON view: any answer text is loaded and read by the paths the readers
// use and by paths taken from the input itself.
#include "fuzz/fuzz_support.h"
#include "script/json_view.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::use_short_budget();
    const auto parts = fuzz::parts_of(fuzz::text_of(data, size), 2);
    const std::string_view text = parts[1].empty() ? parts[0] : parts[1];
    const std::string_view own_path = parts[1].empty() ? std::string_view("ret") : parts[0];

    JsonView view;
    view.load(text);
    for (std::string_view path :
         {std::string_view("ret"), std::string_view("modRet.sMsg"), std::string_view("[0].t"),
          std::string_view("[1].ds"), own_path}) {
        (void)view.get_text(path);
        const std::string json = view.get_text(path, true);
        JsonView inner;
        if (!json.empty()) inner.load(json);
        (void)inner.count();
    }
    const int64_t n = bounded_count(view, "", 50);
    QUILLET_FUZZ_CHECK(n >= -1 && n <= 50 && (n < 0 || static_cast<size_t>(n) <= text.size()));
    (void)view.count(own_path);
    (void)unescape_unicode(text);
    return 0;
}
