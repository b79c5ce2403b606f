// The QR login's pieces: the PNG reader, the module sampler and the terminal
// drawing, the poll token and answer, and the whole login against a scripted
// login server, hostile answers included.
#include "net/qr_login.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "net/hosts.h"
#include "net/http_client.h"
#include "net/png_reader.h"
#include "net/qr_modules.h"
#include "net/stop_signal.h"
#include "tests/net/wire_server.h"
#include "tests/support/qr_drawing.h"
#include "text/clock.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

// ---- a PNG writer of the test's own, with every row filter

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

int predictor(int filter, int a, int b, int c) {
    switch (filter) {
        case 1:
            return a;
        case 2:
            return b;
        case 3:
            return (a + b) / 2;
        case 4: {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        }
        default:
            return 0;
    }
}

struct PngSpec {
    int width = 0, height = 0, type = 0, depth = 8;
    std::vector<std::string> rows;  // packed samples of each row
    std::string palette, trns;
    bool interlace = false;
};

PngSpec spec(int width, int height, int type, int depth, std::vector<std::string> rows) {
    PngSpec s;
    s.width = width;
    s.height = height;
    s.type = type;
    s.depth = depth;
    s.rows = std::move(rows);
    return s;
}

std::string bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

// Row y is filtered with filter y % 5 unless one filter is given.
std::string make_png(const PngSpec& s, int only_filter = -1) {
    const int channels = s.type == 2 ? 3 : s.type == 4 ? 2 : s.type == 6 ? 4 : 1;
    const size_t step = std::max(1, channels * s.depth / 8);
    std::string raw;
    std::string prev(s.rows.empty() ? 0 : s.rows[0].size(), '\0');
    for (size_t y = 0; y < s.rows.size(); ++y) {
        const int filter = only_filter >= 0 ? only_filter : static_cast<int>(y % 5);
        const std::string& cur = s.rows[y];
        raw += static_cast<char>(filter);
        for (size_t i = 0; i < cur.size(); ++i) {
            const int a = i >= step ? uint8_t(cur[i - step]) : 0;
            const int b = uint8_t(prev[i]);
            const int c = i >= step ? uint8_t(prev[i - step]) : 0;
            raw += static_cast<char>(uint8_t(cur[i]) - predictor(filter, a, b, c));
        }
        prev = cur;
    }
    uLongf len = compressBound(static_cast<uLong>(raw.size()));
    std::string z(len, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(raw.data()),
              static_cast<uLong>(raw.size()), 9);
    z.resize(len);
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    put32(ihdr, static_cast<uint32_t>(s.width));
    put32(ihdr, static_cast<uint32_t>(s.height));
    ihdr += static_cast<char>(s.depth);
    ihdr += static_cast<char>(s.type);
    ihdr += std::string("\0\0", 2);
    ihdr += static_cast<char>(s.interlace ? 1 : 0);
    chunk(out, "IHDR", ihdr);
    if (!s.palette.empty()) chunk(out, "PLTE", s.palette);
    if (!s.trns.empty()) chunk(out, "tRNS", s.trns);
    // Two IDAT chunks: the reader must join them.
    chunk(out, "IDAT", z.substr(0, z.size() / 2));
    chunk(out, "IDAT", z.substr(z.size() / 2));
    chunk(out, "IEND", "");
    return out;
}

// A grey picture, one 8-bit sample a pixel.
std::string grey_png(const std::vector<std::vector<uint8_t>>& pixels) {
    std::vector<std::string> rows;
    for (const auto& row : pixels) rows.emplace_back(row.begin(), row.end());
    return make_png(spec(static_cast<int>(pixels[0].size()), static_cast<int>(pixels.size()), 0, 8,
                         std::move(rows)));
}

TEST(PngReader, ReadsEveryColourTypeAndFilterAsGrey) {
    // 5 x 5 with a gradient, so every filter meets non-trivial neighbours.
    std::vector<std::vector<uint8_t>> grey(5, std::vector<uint8_t>(5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) grey[y][x] = static_cast<uint8_t>((x * 53 + y * 31) % 256);
    auto rows = [&](auto sample) {
        std::vector<std::string> out;
        for (int y = 0; y < 5; ++y) {
            std::string r;
            for (int x = 0; x < 5; ++x) r += sample(grey[y][x]);
            out.push_back(r);
        }
        return out;
    };
    struct Case {
        const char* name;
        PngSpec spec;
    };
    std::vector<Case> cases;
    cases.push_back({"grey 8", spec(5, 5, 0, 8, rows([](int g) { return bytes({g}); }))});
    cases.push_back({"grey 16", spec(5, 5, 0, 16, rows([](int g) { return bytes({g, 0x77}); }))});
    cases.push_back({"rgb 8", spec(5, 5, 2, 8, rows([&](int g) { return bytes({g, g, g}); }))});
    cases.push_back({"grey+alpha opaque", spec(5, 5, 4, 8, rows([](int g) {
                                                   return bytes({g, 255});
                                               }))});
    cases.push_back({"rgba opaque", spec(5, 5, 6, 8, rows([](int g) {
                                             return bytes({g, g, g, 255});
                                         }))});
    // A palette of every grey level the picture uses, indexed in order.
    PngSpec pal = spec(5, 5, 3, 8, {});
    std::map<int, int> index;
    for (const auto& r : grey)
        for (int g : r)
            if (!index.count(g)) {
                index[g] = static_cast<int>(index.size());
                pal.palette += bytes({g, g, g});
            }
    pal.rows = rows([&](int g) { return bytes({index[g]}); });
    cases.push_back({"palette 8", pal});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        const auto img = read_png_grey(make_png(c.spec), &why);
        ASSERT_TRUE(img) << why;
        ASSERT_EQ(img->width, 5);
        ASSERT_EQ(img->height, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(img->at(x, y), grey[y][x]) << x << "," << y;
    }
}

TEST(PngReader, ReadsPackedSamplesAndTransparencyOverWhite) {
    // 1-bit grey: 10 pixels a row, so a row ends inside its second byte.
    PngSpec bits = spec(10, 2, 0, 1, {std::string("\xA5\x40", 2), std::string("\x00\xC0", 2)});
    auto img = read_png_grey(make_png(bits));
    ASSERT_TRUE(img);
    const int expected_row0[10] = {255, 0, 255, 0, 0, 255, 0, 255, 0, 255};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(img->at(x, 0), expected_row0[x]) << x;
    EXPECT_EQ(img->at(8, 1), 255);
    EXPECT_EQ(img->at(7, 1), 0);

    // 2-bit palette: entry 1 fully transparent black reads as white.
    PngSpec pal = spec(4, 1, 3, 2, {std::string("\x1B", 1)});  // indexes 0 1 2 3
    pal.palette = std::string("\x00\x00\x00\x00\x00\x00\x80\x80\x80\xFF\xFF\xFF", 12);
    pal.trns = std::string("\xFF\x00", 2);
    img = read_png_grey(make_png(pal));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->at(0, 0), 0);
    EXPECT_EQ(img->at(1, 0), 255);
    EXPECT_EQ(img->at(2, 0), 128);
    EXPECT_EQ(img->at(3, 0), 255);
}

TEST(PngReader, RefusesWhatIsNoUsablePicture) {
    const std::string good = grey_png({{0, 255}, {255, 0}});
    std::string bad_crc = good;
    bad_crc[30] ^= 1;  // inside IHDR's data
    PngSpec interlaced = spec(2, 2, 0, 8, {std::string(2, '\0'), std::string(2, '\0')});
    interlaced.interlace = true;
    PngSpec no_palette = spec(2, 1, 3, 8, {std::string(2, '\0')});
    PngSpec index_out = spec(2, 1, 3, 8, {std::string("\0\5", 2)});
    index_out.palette = std::string(6, '\0');
    PngSpec short_rows =
        spec(4, 3, 0, 8, {std::string(4, '\0'), std::string(4, '\0')});  // 2 of 3 rows
    PngSpec huge = spec(5000, 1, 0, 8, {std::string(5000, '\0')});
    // Within the side limit, but 4096 x 4096 RGBA at 16 bits is 128 MiB of
    // pixel data announced by a file of a few bytes.
    PngSpec bomb = spec(4096, 4096, 6, 16, {std::string(8, '\0')});
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"html", "<html><body>502 Bad Gateway</body></html>"},
        {"signature only", good.substr(0, 8)},
        {"truncated", good.substr(0, good.size() - 20)},
        {"bad checksum", bad_crc},
        {"interlaced", make_png(interlaced)},
        {"palette missing", make_png(no_palette)},
        {"index past the palette", make_png(index_out)},
        {"pixel data short", make_png(short_rows)},
        {"unreasonable size", make_png(huge)},
        {"unreasonable pixel data", make_png(bomb)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        EXPECT_FALSE(read_png_grey(c.bytes, &why));
        EXPECT_FALSE(why.empty());
    }
}

// ---- modules

// A 25 x 25 code-like matrix: the three finders and their separators, and
// pseudo-random modules elsewhere.
QrModules sample_matrix(int n = 25, unsigned seed = 7) {
    QrModules m(n, std::vector<bool>(n, false));
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            seed = seed * 1103515245u + 12345u;
            m[r][c] = ((seed >> 16) & 1) != 0;
        }
    auto finder = [&](int top, int left) {
        for (int r = -1; r <= 7; ++r)
            for (int c = -1; c <= 7; ++c) {
                const int rr = top + r, cc = left + c;
                if (rr < 0 || cc < 0 || rr >= n || cc >= n) continue;
                const int ring = std::max(std::abs(r - 3), std::abs(c - 3));
                m[rr][cc] = ring != 2 && ring != 4;
            }
    };
    finder(0, 0);
    finder(0, n - 7);
    finder(n - 7, 0);
    return m;
}

// The matrix drawn at `scale` pixels a module (a fraction allowed) with a
// light margin of `margin` pixels.
GreyImage render(const QrModules& m, double scale, int margin, uint8_t dark = 0,
                 uint8_t light = 255) {
    const int n = static_cast<int>(m.size());
    const int side = static_cast<int>(n * scale) + 2 * margin;
    GreyImage img{side, side, std::vector<uint8_t>(static_cast<size_t>(side) * side, light)};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int r = static_cast<int>((y - margin) / scale);
            const int c = static_cast<int>((x - margin) / scale);
            if (y >= margin && x >= margin && r < n && c < n && m[r][c])
                img.pixels[static_cast<size_t>(y) * side + x] = dark;
        }
    return img;
}

TEST(QrModules, SamplesAnyScaleAndMarginTheServerChooses) {
    const QrModules m = sample_matrix();
    const struct {
        const char* name;
        double scale;
        int margin;
        uint8_t dark, light;
    } cases[] = {
        {"one pixel a module, no margin", 1, 0, 0, 255},
        {"three pixels, narrow margin", 3, 5, 0, 255},
        {"odd scale, wide margin", 7, 40, 0, 255},
        {"a fraction of pixels a module", 2.5, 9, 0, 255},
        {"low contrast grey", 4, 8, 90, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = sample_qr_modules(render(m, c.scale, c.margin, c.dark, c.light));
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, m);
    }
    // Through a PNG, as it comes from the server.
    const GreyImage img = render(m, 3, 6);
    std::vector<std::vector<uint8_t>> rows;
    for (int y = 0; y < img.height; ++y)
        rows.emplace_back(img.pixels.begin() + y * img.width,
                          img.pixels.begin() + (y + 1) * img.width);
    const auto png = read_png_grey(grey_png(rows));
    ASSERT_TRUE(png);
    EXPECT_EQ(sample_qr_modules(*png), m);
}

TEST(QrModules, FindsNoCodeInOtherPictures) {
    QrModules broken = sample_matrix();
    broken[3][3] = false;  // a finder's centre
    const std::vector<uint8_t> flat(400, 128);
    const struct {
        const char* name;
        GreyImage image;
    } cases[] = {
        {"flat grey", {20, 20, flat}},
        {"all white", {20, 20, std::vector<uint8_t>(400, 255)}},
        {"a damaged finder", render(broken, 3, 4)},
        {"not square", render(sample_matrix(), 3, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GreyImage img = c.image;
        if (std::string(c.name) == "not square") {
            // Stretch the lower half: the code grows twice as tall as wide.
            GreyImage tall{img.width, img.height * 2, {}};
            for (int y = 0; y < tall.height; ++y)
                for (int x = 0; x < img.width; ++x) tall.pixels.push_back(img.at(x, y / 2));
            img = tall;
        }
        EXPECT_FALSE(sample_qr_modules(img));
    }
}

TEST(QrModules, DrawingReadsBackAsTheModulesInsideTheirQuietZone) {
    for (int n : {21, 25}) {
        SCOPED_TRACE(n);
        const QrModules m = sample_matrix(n, static_cast<unsigned>(n));
        const std::string text = draw_qr_half_blocks(m, 4);
        const auto rows = testing::modules_of_drawing(text);
        const int side = n + 8;
        ASSERT_EQ(static_cast<int>(rows.size()), side + side % 2);
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            ASSERT_EQ(static_cast<int>(rows[r].size()), side);
            for (int c = 0; c < side; ++c) {
                const bool inside = r >= 4 && c >= 4 && r < n + 4 && c < n + 4;
                EXPECT_EQ(rows[r][c], inside && m[r - 4][c - 4]) << r << "," << c;
            }
        }
        // Every line leaves the terminal's colours as they were.
        for (const std::string& line : split(text, "\n"))
            if (!line.empty()) {
                EXPECT_TRUE(ends_with(line, "\x1b[0m"));
            }
    }
}

// ---- token and poll answers

TEST(QrLogin, TokenIsTheHash33OfQrsigKeptTo31Bits) {
    const struct {
        const char* qrsig;
        const char* token;
    } cases[] = {
        {"", "0"},
        {"abc", "108966"},  // 97 -> 3299 -> 108966
        // Long enough to overflow 32 bits many times over.
        {"4f2c9a1e7b0d5c3a8e6f1b2d9c7a0e5f3b8d6c1a-*", "1775273009"},
    };
    for (const auto& c : cases) EXPECT_EQ(qr_token(c.qrsig), c.token) << c.qrsig;
}

TEST(QrLogin, ReadsPollAnswersAndRefusesOtherText) {
    const auto ok = parse_qr_poll_answer(
        "ptuiCB('0','0','http://ptlogin2.game.qq.com/check_sig?a=1&b=2','0','登录成功！', "
        "'小明')\r\n");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->code, "0");
    EXPECT_EQ(ok->url, "http://ptlogin2.game.qq.com/check_sig?a=1&b=2");
    EXPECT_EQ(ok->message, "登录成功！");
    EXPECT_EQ(ok->nickname, "小明");

    const auto escaped = parse_qr_poll_answer(R"(ptuiCB('66','0','','0','it\'s, "fine")', ''))");
    ASSERT_TRUE(escaped);
    EXPECT_EQ(escaped->message, "it's, \"fine\")");
    EXPECT_TRUE(parse_qr_poll_answer("ptuiCB('67','0','','0','二维码认证中。')"));  // no nickname

    for (const char* bad : {"", "<html>502</html>", "ptuiCB(", "ptuiCB('66','0','','0',",
                            "ptuiCB('66','0','','0','unclosed)", "ptuiCB('x66','0','','0','m','')",
                            "ptuiCB('66','0')", "ptuiCB(66,0,'',0,'m','')"})
        EXPECT_FALSE(parse_qr_poll_answer(bad)) << bad;
}

// ---- the whole login against a scripted login server

std::string header_of(const std::string& request, const std::string& name) {
    for (const std::string& line : split(request, "\r\n")) {
        const size_t colon = line.find(':');
        if (colon != std::string::npos && to_lower_ascii(line.substr(0, colon)) == name)
            return trim(line.substr(colon + 1));
    }
    return {};
}

std::string path_of(const std::string& request) {
    const size_t a = request.find(' ');
    const size_t b = request.find_first_of(" ?", a + 1);
    return request.substr(a + 1, b - a - 1);
}

// How the scripted login server answers: its ptqrlogin answers in turn (the
// last repeats) and what check_sig does.
struct Script {
    std::string picture;  // empty: a real code
    std::vector<std::string> polls;
    std::string check_sig_location = "http://apps.game.qq.com";
    std::string poll_extra_cookie;  // an extra Set-Cookie line on the 0 answer
    bool login_cookies = true;      // the 0 answer sets uin, skey and the rest
    testing::WireAction::Kind poll_kind = testing::WireAction::Kind::Reply;
};

Script script(std::string picture, std::vector<std::string> polls,
              std::string check_sig_location = "http://apps.game.qq.com",
              testing::WireAction::Kind kind = testing::WireAction::Kind::Reply) {
    Script s;
    s.picture = std::move(picture);
    s.polls = std::move(polls);
    s.check_sig_location = std::move(check_sig_location);
    s.poll_kind = kind;
    return s;
}

class ScriptedLogin : public ::testing::Test {
  protected:
    void start(Script script) {
        script_ = std::move(script);
        server_ = std::make_unique<testing::WireServer>(
            [this](const std::string& req) { return answer(req); });
        HttpOptions o;
        o.stall_timeout_ms = 3000;
        o.routing.add("*=127.0.0.1:" + std::to_string(server_->port()));
        http_ = std::make_unique<HttpClient>(o);
        settings_.poll_interval_ms = 10;
        settings_.request_time_limit_ms = 600;
        settings_.secure_scheme = "http";
    }

    testing::WireAction answer(const std::string& req) {
        const std::string path = path_of(req);
        const std::string host = header_of(req, "host");
        using testing::http_answer;
        if (path == "/cgi-bin/xlogin")
            return testing::reply(
                http_answer("<html>login</html>",
                            "Set-Cookie: pt_login_sig=sig*-1; Path=/; Domain=ptlogin2.qq.com\r\n"));
        if (path == "/ptqrshow") {
            ++pictures_;
            std::string png = script_.picture;
            if (png.empty()) {
                const GreyImage img = render(sample_matrix(), 3, 6);
                std::vector<std::vector<uint8_t>> rows;
                for (int y = 0; y < img.height; ++y)
                    rows.emplace_back(img.pixels.begin() + y * img.width,
                                      img.pixels.begin() + (y + 1) * img.width);
                png = grey_png(rows);
            }
            return testing::reply(http_answer(png, "Set-Cookie: qrsig=QS" +
                                                       std::to_string(pictures_) +
                                                       "; Path=/; Domain=ptlogin2.qq.com\r\n"));
        }
        if (path == "/ptqrlogin") {
            if (script_.poll_kind != testing::WireAction::Kind::Reply) {
                testing::WireAction a;
                a.kind = script_.poll_kind;
                a.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\nptuiCB(";
                a.stream_bytes = 100000000;
                return a;
            }
            std::lock_guard lock(mutex_);
            poll_cookies_.push_back(header_of(req, "cookie"));
            const size_t i = std::min(polls_++, script_.polls.size() - 1);
            const std::string body = script_.polls[i];
            std::string cookies;
            if (body.rfind("ptuiCB('0'", 0) == 0 && script_.login_cookies) {
                cookies =
                    "Set-Cookie: uin=o0012345; Path=/; Domain=qq.com\r\n"
                    "Set-Cookie: skey=@AbC; Path=/; Domain=qq.com; HttpOnly\r\n"
                    "Set-Cookie: superkey=sk; Path=/; Domain=ptlogin2.qq.com\r\n"
                    "Set-Cookie: pt2gguin=o0012345; Path=/; Domain=qq.com\r\n" +
                    script_.poll_extra_cookie;
            }
            return testing::reply(http_answer(body, cookies));
        }
        if (path == "/check_sig") {
            std::lock_guard lock(mutex_);
            ++check_sigs_;
            return testing::reply(
                http_answer("",
                            "Location: " + script_.check_sig_location +
                                "\r\nSet-Cookie: p_skey=ps; Path=/; Domain=game.qq.com\r\n"
                                "Set-Cookie: RK=rk1; Path=/; Domain=qq.com\r\n",
                            302));
        }
        if (host.rfind("evil.example", 0) == 0)
            return testing::reply(
                http_answer("", "Set-Cookie: stolen=1; Path=/; Domain=qq.com\r\n"));
        return testing::reply(http_answer("<html>landing</html>"));
    }

    struct Recorder : QrLoginObserver {
        std::vector<std::string> events;
        void code(const std::string&, const QrModules& m, int number) override {
            events.push_back("code " + std::to_string(number) + " " + std::to_string(m.size()));
        }
        void state(QrLoginState s, const std::string& qq, const std::string& nick) override {
            events.push_back(s == QrLoginState::Waiting   ? "waiting"
                             : s == QrLoginState::Scanned ? "scanned"
                                                          : "signed in " + qq + " " + nick);
        }
    };

    QrLoginResult run() {
        HostTable hosts;
        return run_qr_login(*http_, hosts, system_clock(), recorder_, settings_);
    }

    Script script_;
    std::unique_ptr<testing::WireServer> server_;
    std::unique_ptr<HttpClient> http_;
    QrLoginSettings settings_;
    Recorder recorder_;
    std::mutex mutex_;
    size_t polls_ = 0;
    int pictures_ = 0, check_sigs_ = 0;
    std::vector<std::string> poll_cookies_;
};

const char* k66 = "ptuiCB('66','0','','0','二维码未失效。', '')";
const char* k67 = "ptuiCB('67','0','','0','二维码认证中。', '')";
const char* k65 = "ptuiCB('65','0','','0','二维码已失效。', '')";
const std::string k0 =
    "ptuiCB('0','0','http://ptlogin2.game.qq.com/check_sig?uin=12345&s_url=http%3A%2F%2Fapps."
    "game.qq.com','0','登录成功！', '小明')";

TEST_F(ScriptedLogin, SignsInTellingEachStateOnceAndKeepsTheLoginHostsCookies) {
    start(script("", {k66, k66, k67, k67, k0}));
    const QrLoginResult r = run();
    ASSERT_EQ(r.failure, QrLoginFailure::None) << r.message;
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"code 1 25", "waiting", "scanned",
                                                          "signed in 12345 小明"}));
    // What a browser sends to the login host: its own and the qq.com
    // cookies; nothing of game.qq.com, nothing of the qrsig host only.
    EXPECT_EQ(r.cookies,
              "pt_login_sig=sig*-1; qrsig=QS1; uin=o0012345; skey=@AbC; superkey=sk; "
              "pt2gguin=o0012345; RK=rk1");
    EXPECT_EQ(check_sigs_, 1);
    // Every poll carried the code's qrsig.
    for (const std::string& c : poll_cookies_) EXPECT_NE(c.find("qrsig=QS1"), std::string::npos);
}

TEST_F(ScriptedLogin, HostileAnswersEndWithAClearFailureNeverAHang) {
    const struct {
        const char* name;
        Script script;
        QrLoginFailure failure;
        const char* says;
    } cases[] = {
        {"picture not a picture", script("<html>busy</html>", {k66}), QrLoginFailure::Picture,
         "no QR picture"},
        {"picture without a code", script(grey_png({{0, 255}, {255, 0}}), {k66}),
         QrLoginFailure::Picture, "holds no QR code"},
        {"poll garbage", script("", {"\x01\xFFgarbage<html>"}), QrLoginFailure::Answer,
         "not understood"},
        // Past the body cap each answer is dropped: three in a row end the login.
        {"poll answer without end", script("", {k66}, "", testing::WireAction::Kind::Stream),
         QrLoginFailure::Answer, "does not answer"},
        {"poll never answered", script("", {k66}, "", testing::WireAction::Kind::NeverAnswer),
         QrLoginFailure::Answer, "never ended"},
        {"refused", script("", {"ptuiCB('10009','0','','0','二维码校验失败', '')"}),
         QrLoginFailure::Refused, "二维码校验失败"},
        {"check_sig loops",
         script("", {k0},
                "http://ptlogin2.game.qq.com/check_sig?uin=12345&s_url=http%3A%2F%2Fapps."
                "game.qq.com"),
         QrLoginFailure::Redirect, "loop"},
        {"check_sig to a foreign host", script("", {k0}, "http://evil.example/steal"),
         QrLoginFailure::Redirect, "foreign host (evil.example)"},
        {"confirmed to a foreign address",
         script("", {"ptuiCB('0','0','http://evil.example/check_sig','0','ok', 'x')"}),
         QrLoginFailure::Redirect, "foreign host"},
        {"signed in without an address", script("", {"ptuiCB('0','0','','0','ok', 'x')"}),
         QrLoginFailure::Redirect, "no usable address"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        polls_ = 0;
        recorder_.events.clear();
        start(c.script);
        const auto t0 = std::chrono::steady_clock::now();
        const QrLoginResult r = run();
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
        EXPECT_EQ(r.failure, c.failure) << r.message;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
        EXPECT_TRUE(r.cookies.empty());
        server_.reset();
    }
}

TEST_F(ScriptedLogin, ACookieForAForeignDomainNeverEntersTheCookieText) {
    Script s = script("", {k0});
    s.poll_extra_cookie =
        "Set-Cookie: stolen=1; Path=/; Domain=evil.example\r\n"
        "Set-Cookie: wide=1; Path=/; Domain=com\r\n";
    start(s);
    const QrLoginResult r = run();
    ASSERT_EQ(r.failure, QrLoginFailure::None) << r.message;
    EXPECT_EQ(r.cookies.find("stolen"), std::string::npos) << r.cookies;
    EXPECT_EQ(r.cookies.find("wide"), std::string::npos) << r.cookies;
}

TEST_F(ScriptedLogin, AConfirmationWithoutTheSessionCookiesIsAFailure) {
    Script s = script("", {k0});
    s.login_cookies = false;
    start(s);
    const QrLoginResult r = run();
    EXPECT_EQ(r.failure, QrLoginFailure::NoSession);
    EXPECT_NE(r.message.find("without an skey cookie for ptlogin2.qq.com"), std::string::npos)
        << r.message;
    EXPECT_TRUE(r.cookies.empty());
}

TEST_F(ScriptedLogin, AnExpiredCodeIsReplacedThreeTimesThenTheLoginGivesUp) {
    start(script("", {k66, k65}));
    const QrLoginResult r = run();
    EXPECT_EQ(r.failure, QrLoginFailure::Expired);
    EXPECT_NE(r.message.find("expired 4 times"), std::string::npos) << r.message;
    EXPECT_EQ(pictures_, 4);
    EXPECT_EQ(recorder_.events.front(), "code 1 25");
    EXPECT_EQ(recorder_.events.back(), "code 4 25");
}

TEST_F(ScriptedLogin, AStopRequestEndsTheLoginAtOnce) {
    start(script("", {k66}));
    settings_.poll_interval_ms = 1500;
    StopSignal stop;
    ScopedStopSignal scope(&stop);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop.request();
    });
    const auto t0 = std::chrono::steady_clock::now();
    const QrLoginResult r = run();
    stopper.join();
    EXPECT_EQ(r.failure, QrLoginFailure::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000));
}

}  // namespace
}  // namespace quillet
