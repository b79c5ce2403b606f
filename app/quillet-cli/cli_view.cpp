#include "app/quillet-cli/cli_view.h"

#include <cstdio>

#include "text/gbk.h"

namespace quillet {

std::string json_string(std::string_view utf8) {
    std::string out = "\"";
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

namespace {

// Texts of the program are GBK; the command line speaks UTF-8.
std::string u8(std::string_view gbk) {
    return gbk_to_utf8(gbk);
}
std::string js(std::string_view gbk) {
    return json_string(u8(gbk));
}

const char* ansi_of(std::string_view colour) {
    if (colour == "blue") return "\x1b[94m";
    if (colour == "navy") return "\x1b[34m";
    if (colour == "green") return "\x1b[32m";
    if (colour == "red") return "\x1b[31m";
    return "";
}

std::string unbracket(std::string_view stamp) {
    if (stamp.size() >= 2 && stamp.front() == '[' && stamp.back() == ']')
        stamp = stamp.substr(1, stamp.size() - 2);
    return std::string(stamp);
}

// Plain texts keep to one line: a line break inside reads as " / ".
std::string one_line(std::string_view gbk) {
    std::string out;
    for (size_t i = 0; i < gbk.size(); ++i) {
        if (gbk[i] == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n') ++i;
        if (gbk[i] == '\r' || gbk[i] == '\n')
            out += " / ";
        else
            out += gbk[i];
    }
    return u8(out);
}

std::string json_event(const ViewEvent& e) {
    const std::string control = "{\"control\":" + json_string(e.target) + ",";
    const auto& v = e.values;
    if (e.op == "log")
        return "{\"time\":" + json_string(unbracket(v.at(0))) +
               ",\"colour\":" + json_string(v.at(1)) + ",\"text\":" + js(e.value) + "}";
    if (e.op == "caption") return control + "\"caption\":" + js(e.value) + "}";
    if (e.op == "visible" || e.op == "enabled")
        return control + json_string(e.op) + ":" + e.value + "}";
    if (e.op == "colour") return control + "\"colour\":" + json_string(e.value) + "}";
    if (e.op == "tag") return control + "\"tag\":" + js(e.value) + "}";
    if (e.op == "link") return control + "\"link\":" + js(e.value) + "}";
    if (e.op == "text") return control + "\"text\":" + js(e.value) + "}";
    if (e.op == "picture") return control + "\"picture\":" + e.value + "}";
    if (e.op == "clear_rows" || e.op == "clear_items") return control + "\"clear\":true}";
    if (e.op == "row") {
        std::string row = control + "\"row\":[";
        for (size_t i = 0; i < v.size(); ++i) row += (i ? "," : "") + js(v[i]);
        return row + "]}";
    }
    if (e.op == "cell_colour") {
        std::string cell = control + "\"cell\":[" + v.at(0) + "," + v.at(1) +
                           "],\"colour\":" + json_string(e.value);
        if (v.size() > 2) cell += ",\"background\":" + json_string(v[2]);
        return cell + "}";
    }
    if (e.op == "message")
        return "{\"message\":" + js(e.value) + ",\"caption\":" + js(e.target) + "}";
    if (e.op == "confirm")
        return "{\"confirm\":" + js(e.value) + ",\"caption\":" + js(e.target) +
               ",\"answer\":" + (v.at(0) == "true" ? "true" : "false") + "}";
    if (e.op == "input")
        return "{\"input\":" + js(e.value) + ",\"caption\":" + js(e.target) +
               ",\"answered\":" + (v.at(1) == "answered" ? "true" : "false") + "}";
    if (e.op == "open") return "{\"open\":" + js(e.value) + "}";
    if (e.op == "clipboard") return "{\"clipboard\":" + js(e.value) + "}";
    if (e.op == "show")
        return "{\"window\":" + json_string(e.target) + ",\"shown\":" + json_string(e.value) + "}";
    if (e.op == "close") return "{\"window\":" + json_string(e.target) + ",\"closed\":true}";
    if (e.op == "title")
        return "{\"window\":" + json_string(e.target) + ",\"title\":" + js(e.value) + "}";
    // Items of the lists (filled as the window is set up), selections, places
    // and sizes, pointers, focus and UI events: nothing a reader needs.
    return {};
}

// Labels whose caption is what a panel shows (the statistics, the assets'
// totals, the balances, the CDKEY panel's role).
bool is_readout(std::string_view name) {
    static constexpr std::string_view kReadouts[] = {
        "标签_总战绩信息",    "标签_今日战绩信息",    "标签_我的资产_CF点",
        "标签_我的资产_GP点", "标签_我的资产_总价值", "标签_月券_月券",
        "标签_月券_聚豆",     "标签_月券_帮豆",       "标签_角色名"};
    for (std::string_view r : kReadouts)
        if (r == name) return true;
    return false;
}

std::string plain_event(const ViewEvent& e, bool coloured, bool verbose) {
    const auto& v = e.values;
    const std::string control = "  " + e.target + ".";
    if (e.op == "log") {
        const char* ansi = coloured ? ansi_of(v.at(1)) : "";
        const std::string text = one_line(e.value);
        if (*ansi == '\0') return v.at(0) + text;
        return v.at(0) + ansi + text + "\x1b[0m";
    }
    if (!verbose) {
        if (e.op == "row") {
            std::string row = " ";
            for (size_t i = 0; i < v.size(); ++i) row += (i ? " | " : " ") + one_line(v[i]);
            return row;
        }
        if (e.op == "caption" && is_readout(e.target)) {
            std::string text = e.value;
            for (size_t at; (at = text.find("\r\n\r\n")) != std::string::npos;)
                text.replace(at, 4, "\r\n");
            return "  " + one_line(text);
        }
        if (e.op != "message" && e.op != "confirm" && e.op != "input" && e.op != "open") return {};
    }
    if (e.op == "caption" || e.op == "tag" || e.op == "link" || e.op == "text")
        return control + e.op + " = " + one_line(e.value);
    if (e.op == "visible" || e.op == "enabled" || e.op == "colour" || e.op == "picture")
        return control + e.op + " = " + e.value;
    if (e.op == "clear_rows" || e.op == "clear_items") return control + "clear";
    if (e.op == "row") {
        std::string row = control + "row =";
        for (size_t i = 0; i < v.size(); ++i) row += (i ? " | " : " ") + one_line(v[i]);
        return row;
    }
    if (e.op == "cell_colour")
        return control + "cell[" + v.at(0) + "," + v.at(1) + "].colour = " + e.value;
    if (e.op == "message")
        return "message" + (e.target.empty() ? std::string() : " (" + u8(e.target) + ")") + ": " +
               one_line(e.value);
    if (e.op == "confirm")
        return "confirm (" + u8(e.target) + "): " + one_line(e.value) + " -> " +
               (v.at(0) == "true" ? "OK" : "Cancel");
    if (e.op == "input")
        return "input (" + u8(e.target) + "): " + one_line(e.value) + " -> " + v.at(1);
    if (e.op == "open") return "open: " + one_line(e.value);
    if (e.op == "clipboard") return "clipboard: " + one_line(e.value);
    if (e.op == "show") return "window " + e.target + " shown";
    if (e.op == "close") return "window " + e.target + " closed";
    if (e.op == "title") return "window " + e.target + " title = " + one_line(e.value);
    return {};  // as above
}

}  // namespace

CliView::CliView(std::FILE* out, CliOutput mode, bool verbose)
    : out_(out), mode_(mode), verbose_(verbose) {
    // The account header, buttons and panels as a freshly loaded main window
    // has them: features read back what they and the window set up.
    load_initial_state(Window::Main);
    set_default_confirm(true);
}

std::string CliView::format_event(const ViewEvent& event, CliOutput mode, bool verbose) {
    return mode == CliOutput::Json ? json_event(event)
                                   : plain_event(event, mode == CliOutput::Coloured, verbose);
}

void CliView::on_event(const ViewEvent& event) {
    if (event.op == "log" && event.values.size() > 1 && event.values[1] == "red") ++failure_lines_;
    const std::string line = format_event(event, mode_, verbose_);
    if (line.empty() || out_ == nullptr) return;
    std::lock_guard lock(progress_mutex_);
    if (!progress_.empty()) draw_progress_locked(true);
    std::fputs(line.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);  // a reader of the stream sees each event as it happens
    if (!progress_.empty()) draw_progress_locked(false);
}

void CliView::set_progress_stream(std::FILE* term) {
    std::lock_guard lock(progress_mutex_);
    progress_out_ = term;
}

void CliView::show_progress(int done, int total) {
    std::lock_guard lock(progress_mutex_);
    if (progress_out_ == nullptr) return;
    if (done >= total || done < 0) {
        if (!progress_.empty()) draw_progress_locked(true);
        progress_.clear();
        return;
    }
    progress_ = "[" + std::to_string(done) + "/" + std::to_string(total) + "]";
    draw_progress_locked(false);
}

void CliView::draw_progress_locked(bool clear_only) {
    if (progress_out_ == nullptr) return;
    // Carriage return, then erase to the end of the line.
    std::fputs("\r\x1b[K", progress_out_);
    if (!clear_only) std::fputs(progress_.c_str(), progress_out_);
    std::fflush(progress_out_);
}

}  // namespace quillet
