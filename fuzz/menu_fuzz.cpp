// The menu file, read into a session on the in-memory window.
#include <filesystem>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "net/cookie_jar.h"
#include "net/http_client.h"
#include "session/memory_view.h"
#include "session/session.h"
#include "text/clock.h"
#include "vendor_services/remote_menu.h"

using namespace quillet;

namespace {

struct Bed {
    MemoryView view;
    FixedClock clock;
    HttpClient http;
    MemoryCookieStore store;
    Session session{view, clock, http, HostTable{}, store, std::filesystem::path()};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::use_short_budget();
    static Bed* bed = new Bed;  // lives for the whole run
    RemoteMenu menu;
    const bool loaded = menu.fill(bed->session, fuzz::text_of(data, size));
    QUILLET_FUZZ_CHECK(loaded == menu.loaded());
    QUILLET_FUZZ_CHECK(menu.pages().size() <= 4 * 10);
    return 0;
}
