// The simulator's login page over HTTPS, seen from a client that trusts only
// the test certificate: the form, a wrong QQ, and the sign-in that sets the
// login domain's cookies and redirects to the landing address.
#include "sandbox/login_page.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <map>
#include <memory>
#include <string>

#include "sandbox/sandbox.h"

namespace quillet::sandbox {
namespace {

constexpr const char* kXlogin =
    "/cgi-bin/xlogin?appid=21000124&s_url=http://apps.game.qq.com&style=34";

class LoginPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_GT(box_.start(), 0);
        tls_ = box_.start_tls();
        ASSERT_GT(tls_, 0);
    }

    std::unique_ptr<httplib::SSLClient> client() {
        auto c = std::make_unique<httplib::SSLClient>("127.0.0.1", tls_);
        c->set_ca_cert_path((default_certificate_dir() / "sandbox-cert.pem").c_str());
        c->enable_server_certificate_verification(true);
        c->set_connection_timeout(2, 0);
        c->set_read_timeout(5, 0);
        return c;
    }

    httplib::Result post(const std::string& body) {
        auto c = client();
        return c->Post(kXlogin, {{"Host", "xui.ptlogin2.qq.com"}}, body,
                       "application/x-www-form-urlencoded");
    }

    Sandbox box_;
    int tls_ = -1;
};

TEST_F(LoginPageTest, FormIsServedOverTlsWithTheTestCertificate) {
    auto c = client();
    auto r = c->Get(kXlogin, {{"Host", "xui.ptlogin2.qq.com"}});
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->status, 200);
    for (const char* part : {"name=\"u\"", "name=\"p\"", "type=\"password\"", "id=\"login_button\"",
                             "value=\"http://apps.game.qq.com\""})
        EXPECT_NE(r->body.find(part), std::string::npos) << part;
    // The request is logged like any other, with the login host.
    auto log = box_.requests();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().host, "xui.ptlogin2.qq.com");
    EXPECT_EQ(log.back().path, "/cgi-bin/xlogin");
    EXPECT_FALSE(box_.tls_certificate_pem().empty());
}

TEST_F(LoginPageTest, UntrustedClientIsRefused) {
    httplib::SSLClient c("127.0.0.1", tls_);
    c.enable_server_certificate_verification(true);  // the system's CAs only
    c.set_connection_timeout(2, 0);
    auto r = c.Get(kXlogin);
    EXPECT_FALSE(r);
}

TEST_F(LoginPageTest, DemoAccountSignsInWithAnyPassword) {
    auto r =
        post("u=" + box_.account_qq() + "&p=whatever+I+like&s_url=http%3A%2F%2Fapps.game.qq.com");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 302);
    EXPECT_EQ(r->get_header_value("Location"), "http://apps.game.qq.com");

    // name -> the whole Set-Cookie line; the cookies in the order set.
    std::map<std::string, std::string> lines;
    std::string text;
    auto range = r->headers.equal_range("Set-Cookie");
    for (auto it = range.first; it != range.second; ++it) {
        const std::string& line = it->second;
        const std::string pair = line.substr(0, line.find(';'));
        lines[pair.substr(0, pair.find('='))] = line;
        text += (text.empty() ? "" : "; ") + pair;
    }
    EXPECT_EQ(text, box_.account_cookie());
    for (const char* name : {"uin", "skey", "pt2gguin", "RK", "ptcz"}) {
        ASSERT_TRUE(lines.count(name)) << name;
        EXPECT_NE(lines[name].find("Domain=qq.com"), std::string::npos) << name;
        EXPECT_NE(lines[name].find("Path=/"), std::string::npos) << name;
    }
    EXPECT_NE(lines["skey"].find("HttpOnly"), std::string::npos);
    EXPECT_EQ(lines["uin"].find("HttpOnly"), std::string::npos);
}

TEST_F(LoginPageTest, RefusedSignInsStayOnThePageWithAnError) {
    struct Case {
        const char* name;
        std::string body;
        const char* error;  // UTF-8
    };
    const Case cases[] = {
        {"unknown QQ", "u=10001&p=x&s_url=http%3A%2F%2Fapps.game.qq.com", "帐号或密码不正确"},
        {"no QQ", "u=&p=x", "请输入QQ号码"},
        {"no password", "u=" + box_.account_qq() + "&p=", "请输入密码"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = post(c.body);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
        EXPECT_FALSE(r->has_header("Set-Cookie"));
        EXPECT_NE(r->body.find(c.error), std::string::npos);
        EXPECT_NE(r->body.find("name=\"p\""), std::string::npos);  // the form again
    }
}

TEST_F(LoginPageTest, StopEndsBothListeners) {
    box_.stop();
    EXPECT_EQ(box_.tls_port(), -1);
    auto c = client();
    c->set_connection_timeout(1, 0);
    EXPECT_FALSE(c->Get(kXlogin));
}

}  // namespace
}  // namespace quillet::sandbox
