// Request header texts and answer header blocks. Parts: a header text, an
// address, a cookie text.
#include "fuzz/fuzz_support.h"
#include "net/http_headers.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto p = fuzz::parts_of(fuzz::text_of(data, size), 3);
    (void)http::agent_of(p[0]);
    (void)http::target_of(p[1]);
    (void)http::is_secure(p[1]);

    std::string headers(p[0]);
    http::complete_headers(headers, p[1], p[2]);
    for (const std::string& line : http::wire_lines(headers)) {
        // A header line never carries a line break onto the wire.
        QUILLET_FUZZ_CHECK(line.find('\r') == std::string::npos);
        QUILLET_FUZZ_CHECK(line.find('\n') == std::string::npos);
    }
    std::string automation(p[0]);
    http::complete_automation_headers(automation, p[1]);
    (void)http::automation_fields(automation);

    const std::string block = http::normalise_answer_headers(p[0]);
    (void)http::collect_cookies(block);
    return 0;
}
