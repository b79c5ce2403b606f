#pragma once
// Reads a QR code drawn with upper half blocks back into modules: each cell's
// foreground colour is its upper module, its background the lower one (black
// dark, bright white light). Lines that hold no half block are skipped.
#include <string>
#include <string_view>
#include <vector>

namespace quillet::testing {

inline std::vector<std::vector<bool>> modules_of_drawing(std::string_view text) {
    static const std::string_view kBlock = "\xE2\x96\x80";
    std::vector<std::vector<bool>> rows;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.find(kBlock) == std::string_view::npos) continue;
        std::vector<bool> upper, lower;
        int fg = 39, bg = 49;
        for (size_t i = 0; i < line.size();) {
            if (line.compare(i, 2, "\x1b[") == 0) {
                const size_t m = line.find('m', i);
                if (m == std::string_view::npos) break;
                std::string codes(line.substr(i + 2, m - i - 2));
                size_t p = 0;
                while (p <= codes.size()) {
                    size_t q = codes.find(';', p);
                    if (q == std::string::npos) q = codes.size();
                    const int v = q > p ? std::stoi(codes.substr(p, q - p)) : 0;
                    if (v == 0) fg = 39, bg = 49;
                    if ((v >= 30 && v <= 37) || (v >= 90 && v <= 97)) fg = v;
                    if ((v >= 40 && v <= 47) || (v >= 100 && v <= 107)) bg = v;
                    p = q + 1;
                }
                i = m + 1;
            } else if (line[i] == '\r') {
                ++i;  // a terminal's line ending
            } else if (line.compare(i, kBlock.size(), kBlock) == 0) {
                upper.push_back(fg == 30);
                lower.push_back(bg == 40);
                // Only black and bright white count: anything else would
                // leave the terminal's own colours in the picture.
                if ((fg != 30 && fg != 97) || (bg != 40 && bg != 107)) return {};
                i += kBlock.size();
            } else {
                return {};  // a cell drawn some other way
            }
        }
        rows.push_back(upper);
        rows.push_back(lower);
    }
    return rows;
}

}  // namespace quillet::testing
