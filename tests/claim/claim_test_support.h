#pragma once
// Test bed of the claim engine: a session routed to a loopback server, with
// the recording view, a fixed clock and a signed-in account; and a small
// scripted server for answers the simulator does not give.
#include <filesystem>
#include <string>
#include <utility>

#include "net/cookie_jar.h"
#include "net/http_client.h"
#include "session/memory_view.h"
#include "session/session.h"
#include "tests/claim/scripted_server.h"
#include "tests/support/gbk_literal.h"
#include "text/clock.h"
#include "text/text_ops.h"

namespace quillet::testing {

inline HttpOptions routed_to(int port) {
    HttpOptions options;
    options.routing.add("*=127.0.0.1:" + std::to_string(port));
    options.connect_timeout_ms = 3000;
    options.stall_timeout_ms = 5000;
    return options;
}

// A signed-in session on area 320 with a role, every host routed to port.
struct TestSession {
    explicit TestSession(int port, std::filesystem::path config = {})
        : http(routed_to(port)),
          session(view, clock, http, HostTable(), cookie_store, std::move(config)) {
        SessionState& st = session.state;
        st.logged_in = true;
        st.qq = "10001";
        st.skey = "@abcDEF123";
        st.g_tk = "1234567";
        st.cookie.set("uin=o0010001; skey=@abcDEF123; p_uin=o0010001");
        st.pt_cookie.set("pt2gguin=o0010001; RK=rk; ptcz=cz; uin=o0010001; skey=@abcDEF123; ");
        st.area_id = 320;
        st.area_name = gbk("上海电信一区");
        st.role_name = gbk("测试");
        st.checkparam = "cf|yes|10001|320|a b";
        st.md5str = "ABCDEF0123456789";
        st.area_bound = true;
    }
    Session& operator*() { return session; }
    Session* operator->() { return &session; }

    MemoryView view;
    FixedClock clock{{2016, 8, 15, 9, 5, 31}, 250};
    MemoryCookieStore cookie_store;
    HttpClient http;
    Session session;
};

}  // namespace quillet::testing
