// The text helpers: encodings, markers, splitting, templates, numbers, dates,
// addresses. The input is cut at NUL bytes into a text and two markers.
#include "fuzz/fuzz_support.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "text/time_text.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto p = fuzz::parts_of(fuzz::text_of(data, size), 3);
    const std::string_view text = p[0], left = p[1], right = p[2];

    const std::string utf8 = gbk_to_utf8(text);
    (void)utf8_to_gbk(text);
    (void)utf8_to_gbk(utf8);
    (void)gbk_to_utf16(text);
    (void)utf16_to_gbk(text);

    (void)find_text(text, left);
    (void)find_last(text, left);
    (void)contains(text, left, true);
    (void)text_between(text, left, right);
    (void)text_between(text, left, right, 1, true);
    (void)text_before(text, left, 1, true);
    (void)text_after_last(text, left);
    (void)replace_all_ignore_case(text, left, right);
    if (!left.empty()) {
        (void)replace_all(text, left, right);
        const std::vector<std::string> pieces = split(text, left);
        QUILLET_FUZZ_CHECK(join(pieces, left) == text);
    }
    (void)remove_crlf(text);
    (void)trim(text);
    (void)to_lower_ascii(text);
    (void)fill_template(text, {{left, right}, {"area", text}});

    (void)url_host(text, true, true);
    (void)url_port(text);
    (void)url_path(text);
    (void)compute_g_tk(text);
    (void)int_of_text(text);
    (void)int32_of_text(text);
    (void)hex_to_int(text);
    const std::string encoded = percent_encode(text);
    QUILLET_FUZZ_CHECK(percent_decode(encoded, false) == text);
    (void)percent_decode(text, true);

    (void)timestamp_to_text(text);
    if (const auto t = parse_datetime(text)) {
        (void)format_datetime(*t, 1);
        (void)format_date_cn(*t, 3);
        (void)unix_seconds_of(*t);
    }
    return 0;
}
