#pragma once
// The activity catalogue: the vendor's script file of gift groups, folded into
// one ActivityEntry per claimable item. Texts are GBK.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct Session;

struct ActivityEntry {
    std::string t, u, item_t, type, d;
    int32_t fo = 0;
    std::string only, saId, sfId0, sfId1, aId, fId, mId, param, vipId, param1, param2, rK, rS;
};

using ActivityCatalogue = std::vector<ActivityEntry>;

// Fetches data.js, replaces the catalogue's contents and returns the number of
// entries (0 on any failure).
int load_catalogue(Session& s, ActivityCatalogue& catalogue);

// Reads a catalogue file's text into catalogue (replacing its contents) and
// returns the number of entries; 0 when the text cannot be read. pump runs
// after each group.
int parse_catalogue(std::string_view text, ActivityCatalogue& catalogue,
                    const std::function<void()>& pump = {});

}  // namespace quillet
