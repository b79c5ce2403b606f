// The simulator's QR login: its codes are real QR codes (a scanner reads
// them), and each code's polls go 66 -> 67 -> 0 once confirmed, 65 once old.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sandbox/qr_code.h"
#include "sandbox/sandbox.h"

namespace quillet::sandbox {
namespace {

// zbarimg's reading of a PNG; nullopt when the scanner is not installed.
std::optional<std::string> scan(const std::string& png) {
    if (std::system("command -v zbarimg >/dev/null 2>&1") != 0) return std::nullopt;
    const auto file = std::filesystem::path(::testing::TempDir()) /
                      ("quillet_qr_" + std::to_string(getpid()) + ".png");
    std::ofstream(file, std::ios::binary) << png;
    const std::string command = "zbarimg --raw -q " + file.string() + " 2>/dev/null";
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    std::filesystem::remove(file);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

TEST(SandboxQrCode, AScannerReadsWhatWasEncoded) {
    for (const std::string& text : {std::string("http://sandbox.invalid/qr/0123ABCD"),
                                    std::string("x"), std::string(42, 'q')}) {
        SCOPED_TRACE(text);
        const auto m = encode_qr(text);
        ASSERT_TRUE(m);
        ASSERT_EQ(m->size(), 29u);
        const auto read = scan(qr_png(*m, 4, 4));
        if (!read) GTEST_SKIP() << "zbarimg (zbar-tools) is not installed";
        EXPECT_EQ(*read, text);
    }
    EXPECT_FALSE(encode_qr(std::string(43, 'q')));  // past the version's room
}

class SandboxQrLogin : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_GT(port_ = sb_.start(), 0); }

    // The login page's signature and a code's qrsig, as a client gets them.
    void fetch_code() {
        httplib::Client c("127.0.0.1", port_);
        auto page = c.Get("/cgi-bin/xlogin", {{"Host", "xui.ptlogin2.qq.com"}});
        ASSERT_TRUE(page);
        login_sig_ = cookie(page->get_header_value("Set-Cookie"), "pt_login_sig");
        auto pic = c.Get("/ptqrshow?appid=21000124&s=5", {{"Host", "ssl.ptlogin2.qq.com"}});
        ASSERT_TRUE(pic);
        EXPECT_EQ(pic->get_header_value("Content-Type"), "image/png");
        EXPECT_EQ(pic->body.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
        qrsig_ = cookie(pic->get_header_value("Set-Cookie"), "qrsig");
        ASSERT_FALSE(qrsig_.empty());
    }

    static std::string cookie(const std::string& line, const std::string& name) {
        if (line.rfind(name + "=", 0) != 0) return {};
        return line.substr(name.size() + 1, line.find(';') - name.size() - 1);
    }

    std::string token() const {
        uint64_t h = 0;
        for (unsigned char ch : qrsig_) h = (h * 33 + ch) % (uint64_t{1} << 32);
        return std::to_string(h & 0x7FFFFFFF);
    }

    // The code of one poll's answer, "ptuiCB('66',..." -> "66".
    std::string poll(const std::string& token_text, std::string* body = nullptr) {
        httplib::Client c("127.0.0.1", port_);
        auto r = c.Get("/ptqrlogin?u1=http%3A%2F%2Fapps.game.qq.com&ptqrtoken=" + token_text +
                           "&login_sig=" + login_sig_,
                       {{"Host", "ssl.ptlogin2.qq.com"}, {"Cookie", "qrsig=" + qrsig_}});
        if (!r) return "no answer";
        if (body) *body = r->body;
        const size_t q = r->body.find("ptuiCB('");
        return q == std::string::npos ? r->body
                                      : r->body.substr(q + 8, r->body.find('\'', q + 8) - q - 8);
    }

    Sandbox sb_;
    int port_ = 0;
    std::string login_sig_, qrsig_;
};

TEST_F(SandboxQrLogin, ACodeWaitsUntilConfirmedThenSignsInOnce) {
    fetch_code();
    EXPECT_EQ(poll(token()), "66");
    EXPECT_EQ(poll(token()), "66");
    httplib::Client c("127.0.0.1", port_);
    auto bad = c.Get("/sandbox/qr/confirm?code=NOSUCH");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 404);
    auto ok = c.Get("/sandbox/qr/confirm?code=" + sb_.qr_codes().at(0));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->status, 200);
    EXPECT_EQ(poll(token()), "67");
    std::string body;
    EXPECT_EQ(poll(token(), &body), "0");
    EXPECT_NE(body.find("/check_sig?"), std::string::npos) << body;
    EXPECT_NE(body.find(sb_.account_nickname()), std::string::npos) << body;
    EXPECT_EQ(poll(token()), "65");  // a code signs in once
}

TEST_F(SandboxQrLogin, RefusesAWrongTokenAndExpiresOldCodes) {
    fetch_code();
    EXPECT_EQ(poll("12345"), "10009");
    sb_.set_qr_lifetime(std::chrono::milliseconds(0));
    EXPECT_EQ(poll(token()), "65");
}

TEST_F(SandboxQrLogin, TheAutoConfirmingAccountSignsInOnTheThirdPoll) {
    sb_.set_qr_auto_confirm(sb_.account_qq());
    fetch_code();
    EXPECT_EQ(poll(token()), "66");
    EXPECT_EQ(poll(token()), "67");
    EXPECT_EQ(poll(token()), "0");
}

}  // namespace
}  // namespace quillet::sandbox
