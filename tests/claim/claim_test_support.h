#pragma once
// Test bed of the claim engine: a session routed to a loopback server, with
// a signed-in account bound to an area; and a small scripted server for
// answers the simulator does not give.
#include <filesystem>
#include <utility>

#include "tests/support/scripted_server.h"
#include "tests/support/session_bed.h"

namespace quillet::testing {

inline BedOptions claim_options(int port, std::filesystem::path config) {
    BedOptions o;
    o.port = port;
    o.now = {2016, 8, 15, 9, 5, 31};
    o.now_ms = 250;
    o.config = std::move(config);
    o.recording = false;
    return o;
}

// A signed-in session on area 320 with a role, every host routed to port.
struct TestSession : SessionBed {
    explicit TestSession(int port, std::filesystem::path config = {})
        : SessionBed(claim_options(port, std::move(config))) {
        SessionState& st = s.state;
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
    Session& operator*() { return s; }
    Session* operator->() { return &s; }
};

}  // namespace quillet::testing
