// The voucher offer file.
#include "claim/vouchers.h"
#include "fuzz/fuzz_support.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::use_short_budget();
    VoucherOffers offers;
    offers.judou.aId = "kept";
    if (!read_voucher_offers(std::string(fuzz::text_of(data, size)), offers))
        QUILLET_FUZZ_CHECK(offers.judou.aId == "kept");  // a failed read changes nothing
    QUILLET_FUZZ_CHECK(
        offers.month.items.size() + offers.judou.items.size() + offers.bang.items.size() <= 10000);
    return 0;
}
