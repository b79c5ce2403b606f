#include "claim/catalogue.h"

#include <array>
#include <string_view>

#include "script/json_view.h"
#include "session/session.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

std::string member_path(int64_t index, std::string_view member) {
    return "[" + std::to_string(index) + "]." + std::string(member);
}

// An item member that is empty or absent takes its group's value.
void inherit(std::string& item_value, const std::string& group_value) {
    if (item_value.empty()) item_value = group_value;
}

// Far above any real catalogue (a few dozen groups, a few hundred items), low
// enough that reading a hostile file ends within seconds.
constexpr int64_t kMaxGroups = 5000;
constexpr int64_t kMaxItems = 20000;

}  // namespace

int parse_catalogue(std::string_view text, ActivityCatalogue& catalogue,
                    const std::function<void()>& pump) {
    catalogue.clear();
    // One budget for the whole file: a file of members that never return
    // fails once it is spent, however many members it has.
    ScriptBudget budget;
    JsonView file(budget);
    if (!file.load(text)) return 0;
    // An array literal holds at most one element per character of its text; a
    // larger count comes from a script that builds a huge array (Array(1e9)),
    // which would keep the pass busy for hours.
    const int64_t groups = bounded_count(file, "", kMaxGroups);
    if (groups < 0) return 0;
    int64_t items_read = 0;

    JsonView items(budget);  // one view serves every group's item list
    for (int64_t g = 0; g < groups; ++g) {
        auto group = [&](std::string_view member) { return file.get_text(member_path(g, member)); };
        const std::string t = group("t"), u = group("u"), type = group("type"),
                          only = group("only"), saId = group("saId"), sfId0 = group("sfId0"),
                          sfId1 = group("sfId1"), aId = group("aId"), rK = group("rK"),
                          rS = group("rS"), vipId = group("vipId"), param = group("param");
        const std::string ds = file.get_text(member_path(g, "ds"), true);
        // Only an array of items counts; an absent "ds", or an object or text
        // in its place, contributes nothing.
        if (starts_with(ds, "[") && items.load(ds)) {
            const int64_t count = bounded_count(items, "", kMaxItems - items_read);
            if (count < 0) {
                catalogue.clear();
                return 0;
            }
            items_read += count;
            for (int64_t k = 0; k < count; ++k) {
                auto item = [&](std::string_view member) {
                    return items.get_text(member_path(k, member));
                };
                ActivityEntry e;
                e.t = t;
                e.u = u;
                e.item_t = item("t");
                e.type = type;
                e.d = item("d");
                e.fo = int32_of_text(item("fo"));
                e.only = item("only");
                inherit(e.only, only);
                e.saId = saId;
                e.sfId0 = sfId0;
                e.sfId1 = sfId1;
                e.aId = item("aId");
                inherit(e.aId, aId);
                e.fId = item("fId");
                e.mId = item("mId");
                e.param = item("param");
                inherit(e.param, param);
                e.vipId = item("vipId");
                inherit(e.vipId, vipId);
                e.param1 = item("param1");
                e.param2 = item("param2");
                e.rK = item("rK");
                inherit(e.rK, rK);
                e.rS = item("rS");
                inherit(e.rS, rS);
                // Items with a "d" are withdrawn by the vendor.
                if (e.d.empty()) catalogue.push_back(std::move(e));
            }
        }
        // Past the budget every read is empty: what was read is not the file.
        if (budget.spent()) {
            catalogue.clear();
            return 0;
        }
        if (pump) pump();
    }
    return static_cast<int>(catalogue.size());
}

int load_catalogue(Session& s, ActivityCatalogue& catalogue) {
    catalogue.clear();
    const std::string url = s.http_url(Host::VENDOR, "/cf/res/data.js?t=") + make_random_token();
    const std::string text = s.http.get_text(url, true);
    if (text.empty()) return 0;
    return parse_catalogue(text, catalogue, [&s] { s.pump(); });
}

}  // namespace quillet
