#include "vendor_services/remote_menu.h"

#include <algorithm>

#include "script/json_view.h"
#include "session/session.h"

namespace quillet {
namespace {

std::string member(const JsonView& view, int64_t index, std::string_view suffix) {
    return view.get_text("[" + std::to_string(index) + "]." + std::string(suffix));
}

}  // namespace

std::string menu_file_address(const Session& s) {
    return s.http_url(Host::VENDOR, "/cf/res/menu.js?t=") + make_random_token();
}

void RemoteMenu::read(Session& s) {
    {
        std::lock_guard lock(mutex_);
        pages_.clear();
    }
    std::string answer = s.http.get_text(menu_file_address(s), true);
    s.view.raise_ui_event(ctl::main::标签_VIP等级, 0, 0, [&] { fill(s, answer); });
    answer.clear();
}

bool RemoteMenu::ensure_loaded(Session& s) {
    if (!loaded()) read(s);
    return loaded();
}

bool RemoteMenu::fill(Session& s, std::string_view answer) {
    auto unreadable = [&] {
        std::lock_guard lock(mutex_);
        pages_.clear();
        loaded_ = false;
        return false;
    };
    // Far above the real file's few groups of a few pages each.
    constexpr int64_t kMaxEntries = 1000;
    ScriptBudget budget;  // one for the whole file
    JsonView groups(budget);
    if (answer.empty() || !groups.load(answer)) return unreadable();
    const int64_t listed = bounded_count(groups, "", kMaxEntries);
    if (listed < 0) return unreadable();
    // A fifth group and later ones have no sub-menu to go to and are ignored.
    const int64_t group_count = std::min<int64_t>(listed, ctl::menu::kManualGroups);
    JsonView children(budget);
    for (int64_t g = 0; g < group_count; ++g) {
        member(groups, g, "title");  // read, never shown
        const std::string group_remove = member(groups, g, "remove");
        const std::string group_scroll = member(groups, g, "scroll");
        const std::string child = groups.get_text("[" + std::to_string(g) + "].child", true);
        if (budget.spent()) return unreadable();
        if (child.empty() || !children.load(child)) continue;
        const int64_t page_count = bounded_count(children, "", kMaxEntries);
        if (page_count < 0) return unreadable();
        if (page_count < 1) continue;
        s.pump();
        for (int64_t p = 0; p < page_count && p < ctl::menu::kManualPositions; ++p) {
            MenuPage page{member(children, p, "title"), member(children, p, "remove"),
                          member(children, p, "scroll"), member(children, p, "url")};
            if (budget.spent()) return unreadable();
            if (page.remove.empty()) page.remove = group_remove;
            if (page.scroll.empty()) page.scroll = group_scroll;
            {
                std::lock_guard lock(mutex_);
                pages_.push_back(page);
            }
            const Control slot =
                ctl::menu::manual_slot(static_cast<int>(g) + 1, static_cast<int>(p) + 1);
            s.view.set_caption(slot, page.title);
            s.view.set_visible(slot, true);
            s.pump();
        }
    }
    std::lock_guard lock(mutex_);
    loaded_ = true;
    return true;
}

bool RemoteMenu::loaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

MenuPage RemoteMenu::find(std::string_view title) const {
    std::lock_guard lock(mutex_);
    for (const auto& page : pages_)
        if (page.title == title) return page;
    return {};
}

std::vector<MenuPage> RemoteMenu::pages() const {
    std::lock_guard lock(mutex_);
    return pages_;
}

MenuPage RemoteMenu::current_page() const {
    std::lock_guard lock(mutex_);
    return current_;
}

void RemoteMenu::set_current_page(MenuPage page) {
    std::lock_guard lock(mutex_);
    current_ = std::move(page);
}

}  // namespace quillet
