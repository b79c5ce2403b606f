// The login landing, the pictures (captcha, avatar, advertisement) and the plain
// pages the activity browser opens.
#include <zlib.h>

#include <array>
#include <cstring>

#include "sandbox/world.h"

namespace quillet::sandbox {

namespace {

// ---- a minimal PNG writer (8-bit RGB, no filtering) ----

void put32(std::string& out, uint32_t v) {
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void chunk(std::string& out, const char* type, const std::string& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    put32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                           static_cast<uInt>(body.size()))));
}

struct Canvas {
    int w, h;
    std::vector<uint8_t> rgb;
    Canvas(int width, int height, uint32_t colour)
        : w(width), h(height), rgb(size_t(width) * height * 3) {
        for (int i = 0; i < w * h; ++i) set_index(i, colour);
    }
    void set_index(int i, uint32_t c) {
        rgb[size_t(i) * 3] = uint8_t(c >> 16);
        rgb[size_t(i) * 3 + 1] = uint8_t(c >> 8);
        rgb[size_t(i) * 3 + 2] = uint8_t(c);
    }
    void set(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h) set_index(y * w + x, c);
    }
    std::string png() const {
        std::string raw;
        for (int y = 0; y < h; ++y) {
            raw += '\0';
            raw.append(reinterpret_cast<const char*>(&rgb[size_t(y) * w * 3]), size_t(w) * 3);
        }
        uLongf len = compressBound(static_cast<uLong>(raw.size()));
        std::string z(len, '\0');
        compress2(reinterpret_cast<Bytef*>(z.data()), &len,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
        z.resize(len);
        std::string out = "\x89PNG\r\n\x1a\n";
        std::string ihdr;
        put32(ihdr, static_cast<uint32_t>(w));
        put32(ihdr, static_cast<uint32_t>(h));
        ihdr += std::string("\x08\x02\x00\x00\x00", 5);
        chunk(out, "IHDR", ihdr);
        chunk(out, "IDAT", z);
        chunk(out, "IEND", "");
        return out;
    }
};

// 5x7 glyphs of the captcha alphabet.
struct Glyph {
    char c;
    const char* rows[7];
};
const Glyph kGlyphs[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"#...#", "#...#", "#...#", "#####", "....#", "....#", "....#"}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
};

std::string captcha_png(const std::string& code, uint64_t seed) {
    Canvas cv(130, 53, 0xF4F1E8);
    uint64_t s = seed * 2654435761u + 7;
    auto rnd = [&]() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    };
    for (int i = 0; i < 260; ++i) cv.set(int(rnd() % 130), int(rnd() % 53), 0x9A9A9A);
    for (size_t k = 0; k < code.size(); ++k) {
        const Glyph* g = nullptr;
        for (const auto& cand : kGlyphs) {
            if (cand.c == code[k]) g = &cand;
        }
        if (!g) continue;
        int ox = 10 + int(k) * 29, oy = 6 + int(rnd() % 8);
        uint32_t colour = k % 2 ? 0x2040A0 : 0x8A2020;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 5; ++x) {
                if (g->rows[y][x] != '#') continue;
                for (int dy = 0; dy < 5; ++dy) {
                    for (int dx = 0; dx < 4; ++dx)
                        cv.set(ox + x * 4 + dx + (y * 2 - 6) / 3, oy + y * 5 + dy, colour);
                }
            }
        }
    }
    return cv.png();
}

std::string avatar_png(const std::string& qq, int size) {
    uint32_t colour = 0x3366CC;
    for (char ch : qq) colour = colour * 31 + static_cast<unsigned char>(ch);
    colour &= 0x7F7F7F;
    Canvas cv(size, size, 0xFFFFFF);
    int r = size / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int dx = x - r, dy = y - r;
            if (dx * dx + dy * dy <= r * r) cv.set(x, y, colour | 0x404040);
            // A head and shoulders in white.
            int hx = x - r, hy = y - size * 2 / 5;
            if (hx * hx + hy * hy <= (size / 6) * (size / 6)) cv.set(x, y, 0xFFFFFF);
            int sy = y - size;
            if (hx * hx + sy * sy <= (size / 3) * (size / 3) && dx * dx + dy * dy <= r * r)
                cv.set(x, y, 0xFFFFFF);
        }
    }
    return cv.png();
}

}  // namespace

std::string main_domain(const std::string& host) {
    size_t last = host.rfind('.');
    if (last == std::string::npos || last == 0) return host;
    size_t prev = host.rfind('.', last - 1);
    return prev == std::string::npos ? host : host.substr(prev + 1);
}

std::string html_escape(const std::string& s) {
    std::string out;
    for (char ch : s) {
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += ch;
        }
    }
    return out;
}

Answer World::landing(const Call& c) {
    std::string s_url = percent_decode_bytes(c.query_param("s_url"));
    if (c.path == "/check_sig" && !s_url.empty()) {
        Answer a = text_answer("<html><body>check_sig</body></html>");
        a.status = 302;
        a.headers.emplace_back("Location", s_url);
        return a;
    }
    return text_answer(
        "<html><head><meta charset=\"utf-8\"><title>穿越火线官方网站</title></head>"
        "<body><h1>穿越火线</h1><p>登录成功</p></body></html>");
}

// The captcha: a PNG of four letters and the verifysession cookie that names it.
Answer World::captcha(const Call& c) {
    static const char alphabet[] = "ACEFHKMNPRTUWXY347";
    uint64_t n = ++serial_;
    uint64_t s = n * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(captchas_.size());
    std::string code;
    for (int i = 0; i < 4; ++i) {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        code += alphabet[(s >> 33) % (sizeof alphabet - 1)];
    }
    if (!fixed_captcha_.empty()) code = fixed_captcha_;
    std::string session = "h01" + ascii_lower(hex_digest(std::to_string(n) + code, 40));
    captchas_[session] = code;
    last_captcha_ = code;
    Answer a;
    a.content_type = "image/png";
    a.body = captcha_png(code, n);
    a.headers.emplace_back(
        "Set-Cookie", "verifysession=" + session + "; PATH=/; DOMAIN=" + main_domain(c.host) + ";");
    return a;
}

Answer World::avatar(const Call& c) {
    int spec = std::atoi(c.query_param("spec").c_str());
    if (spec < 16 || spec > 140) spec = 40;
    Answer a;
    a.content_type = "image/png";
    a.body = avatar_png(c.query_param("dst_uin"), spec);
    return a;
}

// Advertisement pictures named in the scroll file.
Answer World::picture(const Call& c) {
    Canvas cv(240, 80, 0x1B3F8B);
    uint32_t accent = 0xF0B000;
    for (char ch : c.path) accent = (accent * 33 + static_cast<unsigned char>(ch)) & 0xFFFFFF;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 240; ++x) {
            if ((x + y) % 24 < 3 || y < 4 || y > 75) cv.set(x, y, accent | 0x808080);
        }
    }
    Answer a;
    a.content_type = "image/png";
    a.body = cv.png();
    return a;
}

// Pages of the remote menu: enough structure for its remove and scroll selectors.
Answer World::activity_page(const Call& c) {
    std::string title = "穿越火线活动";
    for (const auto& p : scenario_["pages"].elements()) {
        if (c.path.rfind(p.str("path"), 0) == 0) title = p.str("title");
    }
    return text_answer(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + html_escape(title) +
        "</title><script>window.$=window.$||function(s){var l=document.querySelectorAll(s);"
        "var o={length:l.length,remove:function(){l.forEach(function(e){e.remove()});return o},"
        "offset:function(){return{top:l.length?l[0].getBoundingClientRect().top+window.scrollY:0}},"
        "stop:function(){return o},animate:function(p){window.scrollTo(0,p.scrollTop||0);return "
        "o}};"
        "return o};</script></head><body>"
        "<div class=\"top_nav\" id=\"topBar\">官方导航</div><div class=\"ad_banner\">广告</div>"
        "<div style=\"height:900px\" class=\"head\"><h1>" +
        html_escape(title) +
        "</h1></div><div id=\"main\" class=\"part2\"><h2>领取区域</h2><a href=\"javascript:;\" "
        "class=\"btn_get\">"
        "立即领取</a></div><div class=\"footer\">版权所有</div></body></html>");
}

}  // namespace quillet::sandbox
