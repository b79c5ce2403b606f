// The activity catalogue file.
#include "claim/catalogue.h"
#include "fuzz/fuzz_support.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::use_short_budget();
    ActivityCatalogue catalogue;
    const int n = parse_catalogue(fuzz::text_of(data, size), catalogue);
    QUILLET_FUZZ_CHECK(n == static_cast<int>(catalogue.size()));
    return 0;
}
