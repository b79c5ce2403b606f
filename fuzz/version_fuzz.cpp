// The version file.
#include "fuzz/fuzz_support.h"
#include "vendor_services/version_check.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::use_short_budget();
    const VersionFile file = read_version_file(fuzz::text_of(data, size));
    if (file.status == VersionFile::Status::Read) QUILLET_FUZZ_CHECK(!file.version.empty());
    return 0;
}
