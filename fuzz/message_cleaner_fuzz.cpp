// The message cleaner: phrases from the first part, a message from the second.
#include "claim/message_cleaner.h"
#include "fuzz/fuzz_support.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto p = fuzz::parts_of(fuzz::text_of(data, size), 2);
    MessageCleaner cleaner;
    cleaner.set_phrases(p[0]);
    const std::string cleaned = cleaner.clean(p[1]);
    QUILLET_FUZZ_CHECK(cleaned.size() <= p[1].size());
    MessageCleaner defaults;
    defaults.set_phrases(MessageCleaner::default_phrases());
    (void)defaults.clean(p[1]);
    return 0;
}
