#pragma once
// The session bed routed to a scripted loopback server of its own, with the
// account's cookie and number set as a reader's caller leaves them.
#include "tests/support/scripted_server.h"
#include "tests/support/session_bed.h"

namespace quillet::testing {

// Holds the server, so that it listens before the bed routes to it.
struct ScriptedServerHolder {
    ScriptedServer server;
};

inline BedOptions scripted_options(int port) {
    BedOptions o;
    o.port = port;
    o.connect_timeout_ms = 5000;
    o.stall_timeout_ms = 10000;
    return o;
}

// The session a reader runs in, every host routed to the scripted server.
struct ScriptedSession : ScriptedServerHolder, SessionBed {
    ScriptedSession() : SessionBed(scripted_options(server.port())) {
        s.state.cookie.set("uin=o0010001; skey=@abcdefgh; p_uin=o0010001");
        s.state.qq = "10001";
    }
};

}  // namespace quillet::testing
