#pragma once
// The "手动活动" menu read from the vendor's menu file: up to four groups of up
// to ten manual activity pages. The page list, the loaded flag and the current
// page live as long as the process; the menu is read again for every new main
// window.
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "session/controls.h"

namespace quillet {

struct Session;

struct MenuPage {
    std::string title;   // the menu item caption, the tab title and the lookup key
    std::string remove;  // selector of the elements to remove after loading
    std::string scroll;  // selector of the element to scroll to after loading
    std::string url;
    friend bool operator==(const MenuPage&, const MenuPage&) = default;
};

// The menu file's address: "http://" + VENDOR_HOST + "/cf/res/menu.js?t=" + token.
std::string menu_file_address(const Session& s);

class RemoteMenu {
  public:
    // read_remote_menu: downloads the menu file (no cookie) and fills the menu
    // on the user-interface thread through the UI event of 标签_VIP等级.
    // Runs on a worker, or on the user-interface thread (ensure_loaded).
    void read(Session& s);
    // The 按钮_手动活动 handler's first step: reads the menu now while no
    // reading has succeeded yet. Returns the loaded flag.
    bool ensure_loaded(Session& s);

    // Parses an answer into the page list and the menu slots (user-interface
    // thread); sets and returns the loaded flag.
    bool fill(Session& s, std::string_view answer);

    bool loaded() const;
    // A copy of the first page with that exact title; an empty page when none.
    MenuPage find(std::string_view title) const;
    std::vector<MenuPage> pages() const;

    MenuPage current_page() const;
    void set_current_page(MenuPage page);

  private:
    mutable std::mutex mutex_;
    std::vector<MenuPage> pages_;
    bool loaded_ = false;
    MenuPage current_;
};

}  // namespace quillet
