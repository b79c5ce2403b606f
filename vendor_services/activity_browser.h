#pragma once
// The manual activity pages: the forty menu items' handler, the activity
// browser window's tabs (one per page title) and the clean-up scripts run in
// each page after it has loaded. Everything here runs on the user-interface
// thread.
#include "session/controls.h"
#include "vendor_services/browser_port.h"
#include "vendor_services/remote_menu.h"

namespace quillet {

struct Session;

class ActivityBrowser {
  public:
    ActivityBrowser(Session& s, RemoteMenu& menu, BrowserPort& port)
        : s_(s), menu_(menu), port_(port) {}

    // open_manual_page: the handler of each manual-menu item; opens the page
    // whose title is the item's caption.
    void open_manual_page(Control item);
    // open_page_in_browser: shows page in ActivityBrowserWindow (signed in).
    void open_page_in_browser(const MenuPage& page);

    // ActivityBrowserWindow events.
    void window_created();
    void size_changed(int window_width, int window_height);
    void tab_changed();
    // clean_up_page: the document-loaded handler of page browser k.
    void clean_up_page(int k);

  private:
    void fit_browser(int k, Size strip);

    Session& s_;
    RemoteMenu& menu_;
    BrowserPort& port_;
};

}  // namespace quillet
