#include "net/qr_modules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quillet {

namespace {

// The 7 x 7 finder pattern: dark ring, light ring, dark 3 x 3 centre.
bool finder_dark(int r, int c) {
    const int ring = std::max(std::abs(r - 3), std::abs(c - 3));
    return ring != 2;
}

bool has_finder(const QrModules& m, int top, int left) {
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c)
            if (m[top + r][left + c] != finder_dark(r, c)) return false;
    return true;
}

}  // namespace

std::optional<QrModules> sample_qr_modules(const GreyImage& img) {
    if (img.width <= 0 || img.height <= 0 ||
        img.pixels.size() != static_cast<size_t>(img.width) * img.height)
        return std::nullopt;
    const auto [lo, hi] = std::minmax_element(img.pixels.begin(), img.pixels.end());
    if (*hi - *lo < 64) return std::nullopt;  // no contrast: no code
    const int threshold = (*lo + *hi) / 2;
    auto dark = [&](int x, int y) { return img.at(x, y) < threshold; };

    // The code's extent: everything dark lies inside the quiet zone.
    int top = img.height, bottom = -1, left = img.width, right = -1;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if (dark(x, y)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    if (right < 0) return std::nullopt;

    // The top-left finder's outer edges are 7 modules long.
    int run_x = 0, run_y = 0;
    while (left + run_x <= right && dark(left + run_x, top)) ++run_x;
    while (top + run_y <= bottom && dark(left, top + run_y)) ++run_y;
    if (std::abs(run_x - run_y) > std::max(2, run_x / 5)) return std::nullopt;
    const double module = (run_x + run_y) / 14.0;
    if (module < 1.0) return std::nullopt;

    const double width = right - left + 1, height = bottom - top + 1;
    const double across = width / module;
    const long k = std::lround((across - 21) / 4);
    const int n = static_cast<int>(21 + 4 * k);
    if (k < 0 || k > 39 || std::abs(across - n) > 1.0 || std::abs(height / module - n) > 1.5)
        return std::nullopt;

    // Each module by the mean of its middle half.
    const double mx = width / n, my = height / n;
    QrModules m(n, std::vector<bool>(n, false));
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            const int x0 = left + static_cast<int>(std::floor((c + 0.25) * mx));
            const int x1 = std::max(x0, left + static_cast<int>(std::ceil((c + 0.75) * mx)) - 1);
            const int y0 = top + static_cast<int>(std::floor((r + 0.25) * my));
            const int y1 = std::max(y0, top + static_cast<int>(std::ceil((r + 0.75) * my)) - 1);
            long sum = 0, count = 0;
            for (int y = y0; y <= std::min(y1, bottom); ++y)
                for (int x = x0; x <= std::min(x1, right); ++x) {
                    sum += img.at(x, y);
                    ++count;
                }
            m[r][c] = count > 0 && sum < static_cast<long>(threshold) * count;
        }
    }
    if (!has_finder(m, 0, 0) || !has_finder(m, 0, n - 7) || !has_finder(m, n - 7, 0))
        return std::nullopt;
    return m;
}

std::string draw_qr_half_blocks(const QrModules& modules, int quiet) {
    const int n = static_cast<int>(modules.size());
    const int side = n + 2 * quiet;
    auto dark = [&](int r, int c) {
        r -= quiet;
        c -= quiet;
        return r >= 0 && c >= 0 && r < n && c < n && modules[r][c];
    };
    std::string out;
    for (int r = 0; r < side; r += 2) {
        int fg = -1, bg = -1;
        for (int c = 0; c < side; ++c) {
            const int upper = dark(r, c) ? 30 : 97;
            const int lower = (r + 1 < side && dark(r + 1, c)) ? 40 : 107;
            if (upper != fg || lower != bg) {
                out += "\x1b[" + std::to_string(upper) + ";" + std::to_string(lower) + "m";
                fg = upper;
                bg = lower;
            }
            out += "\xE2\x96\x80";  // U+2580 upper half block
        }
        out += "\x1b[0m\n";
    }
    return out;
}

}  // namespace quillet
