#pragma once
// Every window and control of the program as data: parent container, kind,
// geometry, initial state, caption, font, colours, list columns and items,
// and the two pop-up menus. The recording view and the Qt widgets are both
// built from this table, so the layout exists once. Texts are GBK.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/controls.h"

namespace quillet {

enum class ControlKind {
    Frame,       // 外形框_: a plain container with a one-pixel border
    Label,       // 标签_
    Button,      // 按钮_
    LinkLabel,   // 超级链接框_, 链接框_ (and 按钮_更新详情)
    PictureBox,  // 图片框_
    EditBox,     // 编辑框_
    DropDown,    // 组合框_
    ListBox,     // 列表框_
    ListView,    // 超级列表框_: report-style list with a header row
    RichText,    // 超级编辑框_
    Browser,     // 超文本浏览框
    TabStrip,    // 选择夹
    Menu,        // a pop-up menu ("Quillet", "手动活动")
    SubMenu,     // a sub-menu of "手动活动"
    MenuItem,
};

enum class Align { Left, Centre, Right };

struct FontSpec {
    // "" is the system's default GUI face; otherwise "SimSun" or
    // "Microsoft YaHei" (the Qt side substitutes the closest CJK face).
    std::string_view family;
    int pixel_size = 0;  // character height in pixels; 0: the default size
    bool bold = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

struct ColourSpec {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const ColourSpec&, const ColourSpec&) = default;
};

struct ColumnSpec {
    std::string caption;  // GBK
    int width = 0;        // 0: a hidden column
    Align align = Align::Left;
};

struct ItemSpec {
    std::string text;  // GBK
    int64_t value = 0;
};

struct ControlSpec {
    Control control;
    // The container's name: "" for the window's client area, a frame's name,
    // or for menu entries the menu or sub-menu they belong to.
    std::string_view parent;
    ControlKind kind = ControlKind::Label;
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    bool enabled = true;
    std::string caption;  // GBK, CR LF between lines
    FontSpec font;
    std::optional<ColourSpec> text_colour;  // none: black
    std::optional<ColourSpec> background;   // none: the parent's (white)
    std::optional<ColourSpec> border;       // frames
    Align align = Align::Left;
    bool vertical_centre = false;  // otherwise top-aligned
    bool word_wrap = false;
    // The picture a picture box shows at start: a file of ui/pictures (the Qt
    // side loads ":/pictures/" + name); "" for none.
    std::string_view picture;
    // The arrow pointer instead of the text cursor (the log box).
    bool arrow_cursor = false;
    std::vector<ColumnSpec> columns;  // list views
    std::vector<ItemSpec> items;      // drop-down lists, list boxes
    // What a screen reader says for a control without a caption (GBK).
    std::string description;
};

struct WindowSpec {
    Window window;
    std::string_view name;      // "MainWindow"
    std::string title;          // GBK, as shown before any code changes it
    int width = 0, height = 0;  // outer size
    bool tool_window = false;   // the narrow title bar (NoticeWindow)
    bool modal = false;
    std::optional<ColourSpec> background;  // none: the system's window colour
};

const WindowSpec& form_window(Window w);
// Every control of a window in table order: a container always comes before
// what it holds; menus, sub-menus and their items come last.
const std::vector<ControlSpec>& form_controls(Window w);
// The entry of one control; nullptr when the table has none.
const ControlSpec* form_control(Control c);
// The five windows, in the order of the Window enumeration.
const std::vector<Window>& form_windows();

}  // namespace quillet
