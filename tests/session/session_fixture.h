#pragma once
// A session over the recording view and a fixed clock; nothing here talks to
// the network.
#include <filesystem>
#include <memory>

#include "net/cookie_jar.h"
#include "net/http_client.h"
#include "session/session.h"
#include "tests/support/recording_view.h"
#include "text/clock.h"

namespace quillet::testing {

struct SessionFixture {
    RecordingView view;
    FixedClock clock{DateTime{2016, 10, 19, 9, 5, 31}};
    HttpClient http;
    MemoryCookieStore store;
    Session s{view,  clock,
              http,  HostTable{},
              store, std::filesystem::temp_directory_path() / "quillet-session-test.cfg"};
};

}  // namespace quillet::testing
