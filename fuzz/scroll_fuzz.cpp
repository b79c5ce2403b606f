// The scroll file.
#include "fuzz/fuzz_support.h"
#include "vendor_services/scroll_config.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::use_short_budget();
    ScrollFile file;
    if (read_scroll_file(fuzz::text_of(data, size), file))
        QUILLET_FUZZ_CHECK(file.labels.size() + file.links.size() <= 1000);
    (void)usable_config_key(file.notice.key);
    return 0;
}
