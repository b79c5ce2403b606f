#pragma once
// The activity browser's tab strip and its page browsers, as the manual
// activity pages use them. Page browser k is cloned from the window's hidden
// template browser and belongs to tab k (both counted from 0). Texts are GBK;
// a Qt adapter converts at its edge (tab titles, tags, scripts).
#include <string>

namespace quillet {

struct Size {
    int width = 0, height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

class BrowserPort {
  public:
    virtual ~BrowserPort() = default;

    // --- the tab strip 选择夹
    virtual int tab_count() = 0;
    virtual std::string tab_title(int k) = 0;
    virtual void set_tab_title(int k, const std::string& title) = 0;
    // Adds a tab at the end; returns its index.
    virtual int add_tab(const std::string& title) = 0;
    virtual int current_tab() = 0;  // -1 when there is none
    virtual void set_current_tab(int k) = 0;
    virtual Size tab_strip_size() = 0;
    virtual void set_tab_strip_size(Size size) = 0;

    // --- page browsers
    virtual int browser_count() = 0;
    // Forgets every page browser (a freshly created window has none).
    virtual void clear_browsers() = 0;
    // Clones the template browser, appends the clone and navigates it to url;
    // returns its index. The clone shares the platform cookie store.
    virtual int clone_browser(const std::string& url) = 0;
    virtual void set_browser_visible(int k, bool visible) = 0;
    virtual void set_browser_geometry(int k, int left, int top, int width, int height) = 0;
    virtual std::string browser_tag(int k) = 0;
    virtual void set_browser_tag(int k, const std::string& tag) = 0;
    // Whether browser k shows a document that scripts can run in.
    virtual bool has_document(int k) = 0;
    // Runs script as JavaScript in the document browser k shows.
    virtual void run_script(int k, const std::string& script) = 0;
};

}  // namespace quillet
