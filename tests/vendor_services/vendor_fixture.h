#pragma once
// A session whose every host goes to a sandbox on loopback, with a fixed
// clock (waits take no time) and a configuration file in a fresh temporary
// folder.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/session_bed.h"

namespace quillet::testing {

inline BedOptions vendor_options() {
    BedOptions o;
    o.simulator = true;
    o.stall_timeout_ms = 400;  // a stalled server fails quickly here
    o.connect_timeout_ms = 2000;
    o.recording = false;
    return o;
}

class VendorFixture : public ::testing::Test, public SessionBed {
  protected:
    VendorFixture() : SessionBed(vendor_options()) {}

    void SetUp() override { ASSERT_GT(port, 0) << "the sandbox could not start"; }

    // The requests the sandbox got for a path.
    int requests_for(const std::string& path) const {
        int n = 0;
        for (const auto& r : sb->requests())
            if (r.path == path) ++n;
        return n;
    }
};

}  // namespace quillet::testing
