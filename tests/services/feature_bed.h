#pragma once
// Test bed of the account features: the session bed on the simulator, its
// clock on the simulator's "today", and the demo account signed in and
// initialised as the login and the start-up initialisation leave it.
#include <filesystem>
#include <utility>

#include "tests/support/session_bed.h"

namespace quillet::testing {

// Midnight, so that end times in whole hours from now are whole hours from the
// server's date too.
inline constexpr DateTime kToday{2016, 10, 19, 0, 0, 0};

inline BedOptions feature_bed_options(std::filesystem::path scenario) {
    BedOptions o;
    o.simulator = true;
    o.scenario = std::move(scenario);
    o.now = kToday;
    return o;
}

class FeatureBed : public SessionBed {
  public:
    explicit FeatureBed(std::filesystem::path scenario = sandbox::default_scenario_dir())
        : SessionBed(feature_bed_options(std::move(scenario))) {}

    // Signs the demo account in and binds it to a region with a role, as the
    // login and the start-up initialisation leave the session; the region
    // pickers are filled first, as the window's creation does. False when the
    // role service does not confirm the role.
    bool initialise(int32_t area = 320) {
        if (view.item_count(ctl::main::组合框_大区列表) == 0) RegionTable::fill_pickers(s);
        sign_in_demo();
        if (!bind(area)) return false;
        unlock_controls(s, true);
        mark();
        return true;
    }

    // Whether the region-bound controls came back (unlock_controls' flag).
    bool bound_features_enabled() { return view.enabled(ctl::main::按钮_一键领取); }
    bool unlocked() { return view.enabled(ctl::main::按钮_Quillet); }
};

}  // namespace quillet::testing
