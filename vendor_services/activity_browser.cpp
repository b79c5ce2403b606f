#include "vendor_services/activity_browser.h"

#include "net/cookie_jar.h"
#include "session/session.h"
#include "vendor_services/page_scripts.h"

namespace quillet {

void ActivityBrowser::open_manual_page(Control item) {
    lock_controls(s_);
    MenuPage page = menu_.find(s_.view.caption(item));
    if (!page.url.empty()) {
        menu_.set_current_page(page);
        if (s_.view.is_loaded(Window::ActivityBrowser))
            open_page_in_browser(page);
        else
            s_.view.show_window(Window::ActivityBrowser, false);  // created opens it
    }
    unlock_controls(s_, true);
}

void ActivityBrowser::open_page_in_browser(const MenuPage& page) {
    CookieJar(s_.cookie_store).store_cookie_text(s_.hosts[Host::PTLOGIN], s_.state.cookie.get());

    for (int k = 0; k < port_.browser_count(); ++k) port_.set_browser_visible(k, false);

    int target = -1;
    const int tabs = port_.tab_count();
    for (int k = 0; k < tabs; ++k) {
        if (port_.tab_title(k) == page.title) {
            target = k;
            break;
        }
    }
    if (tabs == 1 && port_.tab_title(0).empty()) {
        // A strip that always holds one tab: the first page takes it over.
        port_.set_tab_title(0, page.title);
        port_.clone_browser(page.url);
        target = 0;
    } else if (target == -1) {
        target = port_.add_tab(page.title);
        port_.clone_browser(page.url);
    }
    // Otherwise the page keeps its tab and browser, without reloading.

    if (target < 0 || target >= port_.browser_count()) return;
    port_.set_browser_visible(target, true);
    fit_browser(target, port_.tab_strip_size());
    if (!page.remove.empty() || !page.scroll.empty()) port_.set_browser_tag(target, page.title);
    port_.set_current_tab(target);
}

void ActivityBrowser::window_created() {
    port_.clear_browsers();
    const MenuPage page = menu_.current_page();
    if (!page.url.empty()) open_page_in_browser(page);
}

void ActivityBrowser::size_changed(int window_width, int window_height) {
    const Size strip{window_width - 16, window_height - 38};
    port_.set_tab_strip_size(strip);
    for (int k = 0; k < port_.browser_count(); ++k) fit_browser(k, strip);
}

void ActivityBrowser::tab_changed() {
    const int current = port_.current_tab();
    for (int k = 0; k < port_.browser_count(); ++k) port_.set_browser_visible(k, k == current);
}

void ActivityBrowser::clean_up_page(int k) {
    if (k < 0 || k >= port_.browser_count()) return;
    const std::string tag = port_.browser_tag(k);
    if (tag.empty() || !port_.has_document(k)) return;
    const MenuPage page = menu_.find(tag);
    if (page.title.empty()) return;
    if (auto script = remove_script(page.remove)) port_.run_script(k, *script);
    if (auto script = scroll_script(page.scroll)) port_.run_script(k, *script);
}

void ActivityBrowser::fit_browser(int k, Size strip) {
    // The template sits at 1, 24 inside the strip; clones keep that place.
    port_.set_browser_geometry(k, 1, 24, strip.width - 2, strip.height - 26);
}

}  // namespace quillet
