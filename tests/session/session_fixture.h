#pragma once
// A session over the recording view and a fixed clock; nothing here talks to
// the network.
#include "tests/support/session_bed.h"

namespace quillet::testing {

inline BedOptions session_fixture_options() {
    BedOptions o;
    o.now = {2016, 10, 19, 9, 5, 31};
    return o;
}

struct SessionFixture : SessionBed {
    SessionFixture() : SessionBed(session_fixture_options()) {}
};

}  // namespace quillet::testing
