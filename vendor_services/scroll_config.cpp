#include "vendor_services/scroll_config.h"

#include <limits>

#include "script/json_view.h"
#include "session/session.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

const Control kAdLinks[10] = {
    ctl::main::链接框_广告1,  ctl::main::链接框_广告2, ctl::main::链接框_广告3,
    ctl::main::链接框_广告4,  ctl::main::链接框_广告5, ctl::main::链接框_广告6,
    ctl::main::链接框_广告7,  ctl::main::链接框_广告8, ctl::main::链接框_广告9,
    ctl::main::链接框_广告10,
};

std::string member(const JsonView& view, int64_t index, std::string_view suffix) {
    return view.get_text("[" + std::to_string(index) + "]." + std::string(suffix));
}

}  // namespace

std::string scroll_file_address(const Session& s) {
    return s.http_url(Host::VENDOR, "/cf/res/scroll.js?t=") + make_random_token();
}

std::string visitor_counter_address(const Session& s) {
    return s.http_url(Host::VENDOR, "/cf/tongji.php");
}

namespace {

constexpr const char* kNoticeCounterSection = "notice";

// The player's own entries of section [config] (the claim priorities); the
// file compares key names without regard to letter case.
bool is_setting_key(std::string_view key) {
    const std::string k = to_lower_ascii(trim(key));
    return k == "model" || k == "prop";
}

}  // namespace

bool usable_config_key(std::string_view key) {
    if (key.empty() || key.front() == ' ' || key.back() == ' ') return false;
    for (char ch : key) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7F || ch == '=' || ch == '[' || ch == ']') return false;
    }
    return true;
}

WindowPlace notice_window_place(ScreenArea screen, int window_width, int window_height) {
    const int taskbar_height = screen.height - screen.work_area_bottom;
    return {screen.width - window_width, screen.height - window_height - taskbar_height};
}

bool looks_like_picture(std::string_view bytes) {
    return starts_with(bytes, "\x89PNG\r\n\x1a\n") || starts_with(bytes, "GIF87a") ||
           starts_with(bytes, "GIF89a") || starts_with(bytes, "\xFF\xD8\xFF");
}

bool read_scroll_file(std::string_view answer, ScrollFile& out) {
    out = ScrollFile{};
    ScriptBudget budget;  // one for the whole file
    JsonView view(budget);
    if (!view.load(answer)) return false;
    // The real file has a dozen entries.
    constexpr int64_t kMaxEntries = 1000;
    const int64_t count = bounded_count(view, "", kMaxEntries);
    if (count < 0) return false;
    for (int64_t k = 0; k < count; ++k) {
        ScrollEntry entry{member(view, k, "t"), member(view, k, "u"),
                          int_of_text(member(view, k, "c"))};
        const std::string kind = member(view, k, "l");
        if (kind == "1") {
            out.labels.push_back(entry);
        } else if (kind == "2") {
            out.links.push_back(entry);
        } else if (kind == "3") {
            out.picture_text = entry.text;
            out.picture_address = entry.address;
        } else if (kind == "4") {
            out.notice = Notice{entry.text, member(view, k, "n"), entry.address,
                                int_of_text(member(view, k, "i")), member(view, k, "id")};
        }
        // Past the budget every read is empty: nothing of this file is used.
        if (budget.spent()) return false;
    }
    return true;
}

void ScrollConfig::read(Session& s) {
    {
        std::lock_guard lock(mutex_);
        labels_.clear();
        links_.clear();
        // A picture or notice of an earlier reading is not carried over.
        picture_text_.clear();
        picture_address_.clear();
        notice_ = Notice{};
    }
    s.pump();

    const std::string answer = s.http.get_text(scroll_file_address(s), true);
    ScrollFile file;
    if (answer.empty() || !read_scroll_file(answer, file)) return;
    const std::vector<ScrollEntry>& labels = file.labels;
    const std::vector<ScrollEntry>& links = file.links;
    const std::string& picture_text = file.picture_text;
    const std::string& picture_address = file.picture_address;
    const Notice& notice = file.notice;
    {
        std::lock_guard lock(mutex_);
        labels_ = labels;
        links_ = links;
        picture_text_ = picture_text;
        picture_address_ = picture_address;
        notice_ = notice;
    }
    s.pump();

    // Without a kind-1 entry the label keeps its designed (empty) caption.
    if (!labels.empty()) {
        const ScrollEntry& label = labels.front();
        s.view.set_caption(ctl::main::标签_滚动广告, label.text);
        s.view.set_text_colour(ctl::main::标签_滚动广告, rgb_of_colour_value(label.colour));
        s.view.set_tag(ctl::main::标签_滚动广告, label.address);
        s.view.set_pointer(ctl::main::标签_滚动广告,
                           label.address.empty() ? Pointer::Arrow : Pointer::Hand);
    }

    // There are ten links; entries beyond the tenth have nowhere to go.
    for (size_t n = 0; n < links.size() && n < std::size(kAdLinks); ++n) {
        s.view.set_text_colour(kAdLinks[n], rgb_of_colour_value(links[n].colour));
        s.view.set_caption(kAdLinks[n], links[n].text);
        s.view.set_link_target(kAdLinks[n], links[n].address);
        s.pump();
    }

    // Only a web address is fetched: the file names the picture, nothing else.
    const std::string scheme = to_lower_ascii(picture_text.substr(0, 8));
    if (starts_with(scheme, "http://") || starts_with(scheme, "https://")) {
        s.view.raise_ui_event(ctl::main::标签_头像_大区, 0, 0, [&] {
            // An answer that is no picture (an error page, nothing at all)
            // leaves the built-in advertisement and its target in place.
            const std::string bytes = s.http.get_bytes(picture_text);
            if (!looks_like_picture(bytes)) return;
            s.view.set_picture(ctl::main::图片框_广告, bytes);
            if (!picture_address.empty()) {
                s.view.set_pointer(ctl::main::图片框_广告, Pointer::Hand);
                s.view.set_tag(ctl::main::图片框_广告, picture_address);
            }
        });
    }

    if (!notice.link.empty() && !notice.title.empty() && count_notice_showing(s, notice)) {
        s.view.raise_ui_event(ctl::main::标签_头像_昵称, 0, 0,
                              [&] { s.view.show_window(Window::Notice, false); });
    }
}

bool ScrollConfig::count_notice_showing(Session& s, const Notice& n) {
    if (n.maximum == 0) return true;
    // A key that cannot be stored cannot keep the count, so such a notice with
    // a limit is not shown rather than shown at every start.
    if (!usable_config_key(n.key)) return false;
    // The counters live in a section of their own: a notice id is the vendor's
    // choice and must never overwrite one of the player's settings in
    // [config]. A count an earlier version kept in [config] is read from
    // there until the notice is counted again.
    std::string stored = s.config.read(kNoticeCounterSection, n.key);
    if (stored.empty() && !is_setting_key(n.key)) stored = s.config.read("config", n.key);
    const int64_t counter = stored.empty() ? 0 : int_of_text(stored);
    const bool show = counter < n.maximum;
    const int64_t next = counter < std::numeric_limits<int64_t>::max() ? counter + 1 : counter;
    s.config.write(kNoticeCounterSection, n.key, std::to_string(next));
    return show;
}

std::vector<ScrollEntry> ScrollConfig::label_entries() const {
    std::lock_guard lock(mutex_);
    return labels_;
}

std::vector<ScrollEntry> ScrollConfig::link_entries() const {
    std::lock_guard lock(mutex_);
    return links_;
}

Notice ScrollConfig::notice() const {
    std::lock_guard lock(mutex_);
    return notice_;
}

void ScrollConfig::notice_created(Session& s) const {
    const Notice n = notice();
    s.view.set_caption(ctl::notice::标签_标题, n.title);
    s.view.set_caption(ctl::notice::标签_内容, n.content);
    s.view.set_pointer(ctl::notice::标签_标题, Pointer::Hand);
    s.view.set_pointer(ctl::notice::标签_内容, Pointer::Hand);
}

void ScrollConfig::notice_clicked(Session& s) const {
    const Notice n = notice();
    if (!n.link.empty()) {
        s.view.set_link_target(ctl::notice::超级链接框_查看详情, n.link);
        open_address(s, n.link);
    }
    s.view.close_window(Window::Notice);
}

}  // namespace quillet
