#include "net/png_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace quillet {

namespace {

constexpr int kMaxSide = 4096;
constexpr size_t kMaxPixelBytes = size_t{32} << 20;

uint32_t be32(std::string_view s, size_t at) {
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

std::optional<GreyImage> fail(std::string* why, const char* text) {
    if (why) *why = text;
    return std::nullopt;
}

// Inflates exactly `expected` bytes; false when the stream is broken, short
// or longer than that.
bool inflate_exact(const std::string& z, std::vector<uint8_t>& out, size_t expected) {
    out.assign(expected, 0);
    z_stream s{};
    if (inflateInit(&s) != Z_OK) return false;
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.data()));
    s.avail_in = static_cast<uInt>(z.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(expected);
    int rc = inflate(&s, Z_FINISH);
    const bool ok = rc == Z_STREAM_END && s.avail_out == 0;
    inflateEnd(&s);
    return ok;
}

uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

uint8_t grey_of(int r, int g, int b) {
    return static_cast<uint8_t>((299 * r + 587 * g + 114 * b) / 1000);
}

// A colour over white, by its alpha (0..255).
uint8_t over_white(int grey, int alpha) {
    return static_cast<uint8_t>((grey * alpha + 255 * (255 - alpha)) / 255);
}

}  // namespace

std::optional<GreyImage> read_png_grey(std::string_view bytes, std::string* why) {
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 8 || bytes.substr(0, 8) != std::string_view(kSignature, 8))
        return fail(why, "not a PNG picture");

    int width = 0, height = 0, depth = 0, type = -1;
    std::string idat;
    std::vector<std::array<uint8_t, 4>> palette;
    bool seen_header = false, seen_end = false;
    size_t pos = 8;
    while (pos + 12 <= bytes.size()) {
        const uint32_t len = be32(bytes, pos);
        if (len > bytes.size() - pos - 12) return fail(why, "a damaged PNG picture");
        const std::string_view chunk_type = bytes.substr(pos + 4, 4);
        const std::string_view data = bytes.substr(pos + 8, len);
        const uint32_t crc = be32(bytes, pos + 8 + len);
        if (crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + pos + 4), len + 4) != crc)
            return fail(why, "a damaged PNG picture (checksum)");
        pos += 12 + len;
        if (chunk_type == "IHDR") {
            if (len != 13) return fail(why, "a damaged PNG picture");
            const uint32_t w = be32(data, 0), h = be32(data, 4);
            if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide)
                return fail(why, "a PNG picture of an unreasonable size");
            width = static_cast<int>(w);
            height = static_cast<int>(h);
            depth = uint8_t(data[8]);
            type = uint8_t(data[9]);
            if (data[10] != 0 || data[11] != 0) return fail(why, "a PNG picture of unknown coding");
            if (data[12] != 0) return fail(why, "an interlaced PNG picture");
            const bool depth_ok =
                (type == 0 &&
                 (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)) ||
                (type == 3 && (depth == 1 || depth == 2 || depth == 4 || depth == 8)) ||
                ((type == 2 || type == 4 || type == 6) && (depth == 8 || depth == 16));
            if (!depth_ok) return fail(why, "a PNG picture of unknown colour type");
            seen_header = true;
        } else if (!seen_header) {
            return fail(why, "a damaged PNG picture");
        } else if (chunk_type == "PLTE") {
            if (len % 3 != 0 || len / 3 > 256) return fail(why, "a damaged PNG picture");
            palette.clear();
            for (size_t i = 0; i < len; i += 3)
                palette.push_back(
                    {uint8_t(data[i]), uint8_t(data[i + 1]), uint8_t(data[i + 2]), 255});
        } else if (chunk_type == "tRNS" && type == 3) {
            for (size_t i = 0; i < len && i < palette.size(); ++i) palette[i][3] = uint8_t(data[i]);
        } else if (chunk_type == "IDAT") {
            idat.append(data);
        } else if (chunk_type == "IEND") {
            seen_end = true;
            break;
        }
    }
    if (!seen_header || !seen_end || idat.empty()) return fail(why, "a damaged PNG picture");
    if (type == 3 && palette.empty()) return fail(why, "a PNG picture without its palette");

    const int channels = type == 0 ? 1 : type == 2 ? 3 : type == 3 ? 1 : type == 4 ? 2 : 4;
    const size_t bits_per_pixel = static_cast<size_t>(channels) * depth;
    const size_t row_bytes = (bits_per_pixel * width + 7) / 8;
    const size_t step = std::max<size_t>(1, bits_per_pixel / 8);  // filter's byte distance
    // The pixel data is inflated into one buffer of its announced size: a
    // small hostile file must not make it huge.
    if ((row_bytes + 1) * static_cast<size_t>(height) > kMaxPixelBytes)
        return fail(why, "a PNG picture of an unreasonable size");
    std::vector<uint8_t> raw;
    if (!inflate_exact(idat, raw, (row_bytes + 1) * height))
        return fail(why, "a damaged PNG picture (pixel data)");

    // Undo the row filters in place.
    std::vector<uint8_t> prev(row_bytes, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &raw[(row_bytes + 1) * y];
        const uint8_t filter = row[0];
        uint8_t* cur = row + 1;
        if (filter > 4) return fail(why, "a damaged PNG picture (row filter)");
        for (size_t i = 0; i < row_bytes; ++i) {
            const int a = i >= step ? cur[i - step] : 0;
            const int b = prev[i];
            const int c = i >= step ? prev[i - step] : 0;
            int add = 0;
            switch (filter) {
                case 1:
                    add = a;
                    break;
                case 2:
                    add = b;
                    break;
                case 3:
                    add = (a + b) / 2;
                    break;
                case 4:
                    add = paeth(a, b, c);
                    break;
                default:
                    break;
            }
            cur[i] = static_cast<uint8_t>(cur[i] + add);
        }
        prev.assign(cur, cur + row_bytes);
    }

    GreyImage img;
    img.width = width;
    img.height = height;
    img.pixels.resize(static_cast<size_t>(width) * height);
    const int max_sample = (1 << depth) - 1;
    for (int y = 0; y < height; ++y) {
        const uint8_t* cur = &raw[(row_bytes + 1) * y + 1];
        // Sample n of the row, scaled to 0..255 (16-bit samples by their high byte).
        auto sample = [&](size_t n) -> int {
            if (depth == 8) return cur[n];
            if (depth == 16) return cur[2 * n];
            const size_t bit = n * depth;
            const int v = (cur[bit / 8] >> (8 - depth - bit % 8)) & max_sample;
            return type == 3 ? v : v * 255 / max_sample;
        };
        for (int x = 0; x < width; ++x) {
            const size_t base = static_cast<size_t>(x) * channels;
            uint8_t g = 255;
            switch (type) {
                case 0:
                    g = static_cast<uint8_t>(sample(base));
                    break;
                case 2:
                    g = grey_of(sample(base), sample(base + 1), sample(base + 2));
                    break;
                case 3: {
                    const size_t index = depth == 8 ? cur[x] : static_cast<size_t>(sample(base));
                    if (index >= palette.size())
                        return fail(why, "a damaged PNG picture (palette)");
                    const auto& p = palette[index];
                    g = over_white(grey_of(p[0], p[1], p[2]), p[3]);
                    break;
                }
                case 4:
                    g = over_white(sample(base), sample(base + 1));
                    break;
                case 6:
                    g = over_white(grey_of(sample(base), sample(base + 1), sample(base + 2)),
                                   sample(base + 3));
                    break;
                default:
                    break;
            }
            img.pixels[static_cast<size_t>(y) * width + x] = g;
        }
    }
    return img;
}

}  // namespace quillet
