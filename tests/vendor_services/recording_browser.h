#pragma once
// A BrowserPort that keeps the tab strip and the page browsers in memory and
// records every script run, for the activity browser's tests.
#include <string>
#include <utility>
#include <vector>

#include "vendor_services/browser_port.h"

namespace quillet::testing {

struct RecordedBrowser {
    std::string url;  // where the clone was navigated
    bool visible = false;
    int left = 0, top = 0, width = 0, height = 0;
    std::string tag;
    bool has_document = true;
    std::vector<std::string> scripts;
};

class RecordingBrowser : public BrowserPort {
  public:
    // starts_with_empty_tab: a strip that always holds one tab, titled "".
    explicit RecordingBrowser(bool starts_with_empty_tab = false) {
        if (starts_with_empty_tab) titles.emplace_back();
    }

    int tab_count() override { return static_cast<int>(titles.size()); }
    std::string tab_title(int k) override { return valid_tab(k) ? titles[k] : std::string(); }
    void set_tab_title(int k, const std::string& title) override {
        if (valid_tab(k)) titles[k] = title;
    }
    int add_tab(const std::string& title) override {
        titles.push_back(title);
        if (current < 0) current = 0;  // a strip selects its first tab
        return tab_count() - 1;
    }
    int current_tab() override { return current; }
    void set_current_tab(int k) override { current = k; }
    Size tab_strip_size() override { return strip; }
    void set_tab_strip_size(Size size) override { strip = size; }

    int browser_count() override { return static_cast<int>(browsers.size()); }
    void clear_browsers() override { browsers.clear(); }
    int clone_browser(const std::string& url) override {
        RecordedBrowser b;
        b.url = url;
        browsers.push_back(b);
        return browser_count() - 1;
    }
    void set_browser_visible(int k, bool visible) override {
        if (valid_browser(k)) browsers[k].visible = visible;
    }
    void set_browser_geometry(int k, int left, int top, int width, int height) override {
        if (valid_browser(k)) {
            auto& b = browsers[k];
            b.left = left, b.top = top, b.width = width, b.height = height;
        }
    }
    std::string browser_tag(int k) override {
        return valid_browser(k) ? browsers[k].tag : std::string();
    }
    void set_browser_tag(int k, const std::string& tag) override {
        if (valid_browser(k)) browsers[k].tag = tag;
    }
    bool has_document(int k) override { return valid_browser(k) && browsers[k].has_document; }
    void run_script(int k, const std::string& script) override {
        if (valid_browser(k)) browsers[k].scripts.push_back(script);
    }

    // Indices of the visible browsers.
    std::vector<int> visible_browsers() const {
        std::vector<int> out;
        for (size_t k = 0; k < browsers.size(); ++k)
            if (browsers[k].visible) out.push_back(static_cast<int>(k));
        return out;
    }

    std::vector<std::string> titles;
    int current = -1;
    Size strip{504, 288};
    std::vector<RecordedBrowser> browsers;

  private:
    bool valid_tab(int k) const { return k >= 0 && k < static_cast<int>(titles.size()); }
    bool valid_browser(int k) const { return k >= 0 && k < static_cast<int>(browsers.size()); }
};

}  // namespace quillet::testing
