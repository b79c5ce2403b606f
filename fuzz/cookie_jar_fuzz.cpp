// Cookie texts: merging an answer's cookies in, reading one cookie, and the
// in-memory store's attribute texts. Parts: old cookie, fresh cookie, a name.
#include "fuzz/fuzz_support.h"
#include "net/cookie_jar.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto p = fuzz::parts_of(fuzz::text_of(data, size), 3);
    const std::string merged = merge_cookies_copy(std::string(p[0]), std::string(p[1]));
    (void)CookieJar::cookie_value_copy(merged, p[2]);
    (void)CookieJar::cookie_value_copy(std::string(p[0]), p[2], true);

    MemoryCookieStore store;
    store.write("http://a.example.com/x", p[2], p[1]);
    store.put("b.example.com", p[2], p[0]);
    (void)store.read(p[0], true);
    (void)store.read("http://a.example.com/", false);
    CookieJar jar(store);
    jar.store_cookie_text("a.example.com", p[0]);
    (void)jar.read_platform_cookies("a.example.com", p[2]);
    jar.clear_login_cookies("a.example.com");
    return 0;
}
