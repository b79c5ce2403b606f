#include "sandbox/qr_code.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace quillet::sandbox {

namespace {

constexpr int kSize = 29;           // version 3
constexpr int kDataCodewords = 44;  // level M, one block
constexpr int kEccCodewords = 26;
constexpr int kMask = 0;  // dark where (row + column) is even

// GF(256) with the QR polynomial x^8 + x^4 + x^3 + x^2 + 1.
uint8_t gf_mul(uint8_t a, uint8_t b) {
    unsigned r = 0;
    unsigned x = a;
    for (int i = 0; i < 8; ++i) {
        if ((b >> i) & 1) r ^= x << i;
    }
    for (int bit = 15; bit >= 8; --bit)
        if ((r >> bit) & 1) r ^= 0x11Du << (bit - 8);
    return static_cast<uint8_t>(r);
}

std::vector<uint8_t> reed_solomon(const std::vector<uint8_t>& data) {
    // Generator: product of (x - a^i) for i < kEccCodewords, highest term dropped.
    std::vector<uint8_t> gen(kEccCodewords, 0);
    gen.back() = 1;
    uint8_t root = 1;
    for (int i = 0; i < kEccCodewords; ++i) {
        for (size_t j = 0; j < gen.size(); ++j) {
            gen[j] = gf_mul(gen[j], root);
            if (j + 1 < gen.size()) gen[j] ^= gen[j + 1];
        }
        root = gf_mul(root, 2);
    }
    std::vector<uint8_t> rem(kEccCodewords, 0);
    for (uint8_t b : data) {
        const uint8_t factor = b ^ rem.front();
        rem.erase(rem.begin());
        rem.push_back(0);
        for (size_t j = 0; j < rem.size(); ++j) rem[j] ^= gf_mul(gen[j], factor);
    }
    return rem;
}

struct Grid {
    QrMatrix dark = QrMatrix(kSize, std::vector<bool>(kSize, false));
    QrMatrix fixed = QrMatrix(kSize, std::vector<bool>(kSize, false));
    void put(int row, int col, bool d) {
        dark[row][col] = d;
        fixed[row][col] = true;
    }
};

void finder(Grid& g, int top, int left) {
    for (int dr = -1; dr <= 7; ++dr) {
        for (int dc = -1; dc <= 7; ++dc) {
            const int r = top + dr, c = left + dc;
            if (r < 0 || c < 0 || r >= kSize || c >= kSize) continue;
            const int ring = std::max(std::abs(dr - 3), std::abs(dc - 3));
            g.put(r, c, ring != 2 && ring != 4);  // ring 4 is the light separator
        }
    }
}

void format_bits(Grid& g) {
    // Level M is 00; five bits of level and mask, ten of BCH remainder.
    const unsigned data = (0u << 3) | kMask;
    unsigned rem = data;
    for (int i = 0; i < 10; ++i) rem = (rem << 1) ^ (((rem >> 9) & 1) * 0x537);
    const unsigned bits = ((data << 10) | (rem & 0x3FF)) ^ 0x5412;
    auto bit = [&](int i) { return ((bits >> i) & 1) != 0; };
    // Beside the top-left finder.
    for (int i = 0; i <= 5; ++i) g.put(i, 8, bit(i));
    g.put(7, 8, bit(6));
    g.put(8, 8, bit(7));
    g.put(8, 7, bit(8));
    for (int i = 9; i < 15; ++i) g.put(8, 14 - i, bit(i));
    // The copy split between the other two finders.
    for (int i = 0; i < 8; ++i) g.put(8, kSize - 1 - i, bit(i));
    for (int i = 8; i < 15; ++i) g.put(kSize - 15 + i, 8, bit(i));
    g.put(kSize - 8, 8, true);  // the module that is always dark
}

}  // namespace

std::optional<QrMatrix> encode_qr(std::string_view text) {
    if (text.size() > kDataCodewords - 2) return std::nullopt;
    std::vector<uint8_t> data;
    // Mode 0100 (bytes), an 8-bit count, the bytes, a 0000 terminator.
    std::vector<bool> bits;
    auto add = [&](unsigned v, int n) {
        for (int i = n - 1; i >= 0; --i) bits.push_back(((v >> i) & 1) != 0);
    };
    add(4, 4);
    add(static_cast<unsigned>(text.size()), 8);
    for (unsigned char ch : text) add(ch, 8);
    add(0, 4);
    while (bits.size() % 8) bits.push_back(false);
    for (size_t i = 0; i < bits.size(); i += 8) {
        uint8_t b = 0;
        for (size_t j = 0; j < 8; ++j) b = static_cast<uint8_t>((b << 1) | (bits[i + j] ? 1 : 0));
        data.push_back(b);
    }
    for (uint8_t pad = 0xEC; data.size() < kDataCodewords; pad ^= 0xEC ^ 0x11) data.push_back(pad);
    std::vector<uint8_t> all = data;
    const std::vector<uint8_t> ecc = reed_solomon(data);
    all.insert(all.end(), ecc.begin(), ecc.end());

    Grid g;
    finder(g, 0, 0);
    finder(g, 0, kSize - 7);
    finder(g, kSize - 7, 0);
    for (int i = 8; i < kSize - 8; ++i) {
        g.put(6, i, i % 2 == 0);
        g.put(i, 6, i % 2 == 0);
    }
    // The one alignment pattern of this version, centred on (22, 22).
    for (int dr = -2; dr <= 2; ++dr)
        for (int dc = -2; dc <= 2; ++dc)
            g.put(22 + dr, 22 + dc, std::max(std::abs(dr), std::abs(dc)) != 1);
    format_bits(g);

    // Codeword bits in two-column strips from the right, up and down in turn;
    // the timing column is skipped.
    size_t i = 0;
    for (int right = kSize - 1; right >= 1; right -= 2) {
        if (right == 6) right = 5;
        const bool upward = ((right + 1) & 2) == 0;
        for (int v = 0; v < kSize; ++v) {
            const int row = upward ? kSize - 1 - v : v;
            for (int j = 0; j < 2; ++j) {
                const int col = right - j;
                if (g.fixed[row][col]) continue;
                bool d = false;
                if (i < all.size() * 8) d = ((all[i >> 3] >> (7 - (i & 7))) & 1) != 0;
                ++i;
                if ((row + col) % 2 == 0) d = !d;
                g.dark[row][col] = d;
            }
        }
    }
    return g.dark;
}

namespace {

void put32(std::string& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
}

void chunk(std::string& out, const char* type, const std::string& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    put32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                           static_cast<uInt>(body.size()))));
}

}  // namespace

std::string qr_png(const QrMatrix& modules, int scale, int margin) {
    const int n = static_cast<int>(modules.size());
    const int side = (n + 2 * margin) * scale;
    // Palette entry 0 light, 1 dark; one byte a pixel, filter "none" on
    // every row.
    std::string raw;
    raw.reserve(static_cast<size_t>(side) * (side + 1));
    for (int y = 0; y < side; ++y) {
        raw += '\0';
        const int r = y / scale - margin;
        for (int x = 0; x < side; ++x) {
            const int c = x / scale - margin;
            const bool d = r >= 0 && c >= 0 && r < n && c < n && modules[r][c];
            raw += d ? '\1' : '\0';
        }
    }
    uLongf len = compressBound(static_cast<uLong>(raw.size()));
    std::string z(len, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(raw.data()),
              static_cast<uLong>(raw.size()), 9);
    z.resize(len);
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    put32(ihdr, static_cast<uint32_t>(side));
    put32(ihdr, static_cast<uint32_t>(side));
    ihdr += std::string("\x08\x03\x00\x00\x00", 5);  // 8 bits, palette
    chunk(out, "IHDR", ihdr);
    chunk(out, "PLTE", std::string("\xFF\xFF\xFF\x00\x00\x00", 6));
    chunk(out, "IDAT", z);
    chunk(out, "IEND", "");
    return out;
}

}  // namespace quillet::sandbox
