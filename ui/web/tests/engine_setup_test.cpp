// The engine's set-up that does not need a page: host rules from the HTTP
// engine's routing, the drawing without OpenGL, and the owner-only file
// --save-login writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QQuickWindow>
#include <QSslCertificate>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "net/hosts.h"
#include "ui/web/tests/web_fixture.h"
#include "ui/web/web_browsers.h"
#include "ui/web/web_engine.h"

namespace quillet::webtest {
namespace {

TEST(EngineSetup, HostRulesFollowTheHttpRouting) {
    struct Case {
        const char* name;
        std::vector<std::string> rules;
        int tls_port;
        std::string expected;
    };
    const Case cases[] = {
        {"no routing", {}, 0, ""},
        {"every host, every port", {"*=127.0.0.1:8080"}, 0, "MAP * 127.0.0.1:8080"},
        {"plain and secure apart",
         {"*=127.0.0.1:8080"},
         8443,
         "MAP *:80 127.0.0.1:8080, MAP *:443 127.0.0.1:8443"},
        {"first rule first",
         {"ptlogin2.qq.com=10.0.0.2:81", "*=127.0.0.1:8080"},
         0,
         "MAP ptlogin2.qq.com 10.0.0.2:81, MAP * 127.0.0.1:8080"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Routing routing;
        for (const auto& r : c.rules) ASSERT_TRUE(routing.add(r));
        EXPECT_EQ(host_resolver_rules(routing, c.tls_port), c.expected);
    }
    // A name that would end the switch's quotes or split its rules is left out.
    Routing hostile;
    hostile.add(RouteRule{"a.com\", --x", "127.0.0.1", 1});
    hostile.add(RouteRule{"b.com", "127.0.0.1, MAP *", 2});
    hostile.add(RouteRule{"c.com", "127.0.0.1", 3});
    EXPECT_EQ(host_resolver_rules(hostile), "MAP c.com 127.0.0.1:3");
}

// The pages are drawn without OpenGL (the test program prepared its
// QApplication as the desktop program does), and the programs the player
// starts from ours (a link's browser, a notification command) get the
// environment as it was.
TEST(EngineSetup, PagesDrawWithoutOpenGlAndChildrenKeepTheirEnvironment) {
    EXPECT_EQ(QQuickWindow::sceneGraphBackend(), QStringLiteral("software"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"));
}

TEST(EngineSetup, CertificatePolicyTrustsExactlyTheGivenCertificate) {
    CertificatePolicy policy;
    EXPECT_FALSE(policy.trust_pem("not a certificate"));
    const std::string pem = simulator().tls_certificate_pem();
    const auto chain = QSslCertificate::fromData(QByteArray::fromStdString(pem));
    ASSERT_EQ(chain.size(), 1);
    EXPECT_FALSE(policy.accepts(chain));
    EXPECT_FALSE(policy.accepts({}));
    ASSERT_TRUE(policy.trust_pem(pem));
    EXPECT_TRUE(policy.accepts(chain));
}

TEST(EngineSetup, PrivateFileIsOwnerOnlyAndReplacedWhole) {
    const auto dir = std::filesystem::temp_directory_path() / "quillet-web-private";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "cookies.txt").string();
    {
        std::ofstream old(file);
        old << "an older, much longer cookie text that must not survive";
    }
    ::chmod(file.c_str(), 0644);
    ASSERT_TRUE(write_private_file(file, "uin=o1; skey=@k"));
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "uin=o1; skey=@k");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_FALSE(write_private_file((dir / "no-such-folder" / "f").string(), "x"));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quillet::webtest
