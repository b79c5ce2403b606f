#pragma once
// The vendor's scroll configuration: the scrolling-ad label, the ten text-ad
// links, a replacement advertisement picture and one notice that pops up in
// NoticeWindow a limited number of times (counted in the configuration file).
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct Session;

struct ScrollEntry {
    std::string text;     // "t"
    std::string address;  // "u"
    int64_t colour = 0;   // "c", 0x00BBGGRR
    friend bool operator==(const ScrollEntry&, const ScrollEntry&) = default;
};

struct Notice {
    std::string title;    // "t"
    std::string content;  // "n"
    std::string link;     // "u"
    int64_t maximum = 0;  // "i"; 0 shows it every time
    std::string key;      // "id": its counter in section "notice"
    friend bool operator==(const Notice&, const Notice&) = default;
};

// What a scroll file says: the kind-1 labels and kind-2 links in order, the
// last kind-3 picture and the last kind-4 notice.
struct ScrollFile {
    std::vector<ScrollEntry> labels, links;
    std::string picture_text, picture_address;
    Notice notice;
};
// Reads a scroll file's text (GBK); false when it cannot be read within its
// limits (at most 1000 entries, one engine budget), out is then unspecified.
bool read_scroll_file(std::string_view answer, ScrollFile& out);

// The scroll file's address: "http://" + VENDOR_HOST + "/cf/res/scroll.js?t=" + token.
std::string scroll_file_address(const Session& s);
// The visitor counter the main window's hidden 1 x 1 browser loads.
std::string visitor_counter_address(const Session& s);

// Whether text can be an entry name of the configuration file: not empty, no
// blank at either end, no control character and none of "=", "[", "]", so a
// name from the vendor's file can never add lines or sections to the file.
bool usable_config_key(std::string_view key);

class ScrollConfig {
  public:
    // read_scroll_config (a worker started at the first activation of the main
    // window): reads the scroll file and applies it.
    void read(Session& s);

    std::vector<ScrollEntry> label_entries() const;
    std::vector<ScrollEntry> link_entries() const;
    Notice notice() const;

    // NoticeWindow created: fills the title and the content.
    void notice_created(Session& s) const;
    // 标签_标题, 标签_内容 or 超级链接框_查看详情 released in NoticeWindow.
    void notice_clicked(Session& s) const;

  private:
    // Counts one more start with the notice; whether to show it this time.
    bool count_notice_showing(Session& s, const Notice& n);

    mutable std::mutex mutex_;
    std::vector<ScrollEntry> labels_;
    std::vector<ScrollEntry> links_;
    std::string picture_text_;
    std::string picture_address_;
    Notice notice_;
};

// NoticeWindow sits at the bottom right of the screen, just above the taskbar.
struct ScreenArea {
    int width = 0, height = 0;  // the screen
    int work_area_bottom = 0;   // the bottom of the desktop work area
};
struct WindowPlace {
    int left = 0, top = 0;
    friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};
WindowPlace notice_window_place(ScreenArea screen, int window_width, int window_height);

// Whether bytes look like a PNG, GIF or JPEG picture.
bool looks_like_picture(std::string_view bytes);

}  // namespace quillet
