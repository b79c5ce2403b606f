// The HTTP client over TLS against a loopback HTTPS server with a test
// certificate (the Linux engine: the Windows one trusts the system's store).
#include <gtest/gtest.h>

#include "net/http_client.h"
#include "tests/net/tls_server.h"

namespace quillet {
namespace {

HttpOptions quick_options() {
    HttpOptions o;
    o.connect_timeout_ms = 2000;
    o.stall_timeout_ms = 300;
    return o;
}

TEST(HttpClientTls, CertificatesAreVerifiedAndThePortAndQueryGoOut) {
    testing::TlsServer server("secure.example");
    ASSERT_TRUE(server.ready());
    HttpOptions o = quick_options();
    ASSERT_TRUE(o.routing.add("secure.example=" + server.address()));
    HttpRequest req;
    req.url = "https://secure.example:8443/cgi-bin/x?a=1&b=2";

    // An untrusted certificate: no answer, from either request operation.
    {
        HttpClient client(o);
        EXPECT_EQ(client.request(req).body, "");
        EXPECT_EQ(client.request_automation(req).body, "");
    }
    o.ca_file = server.ca_file();
    HttpClient client(o);
    EXPECT_EQ(client.request(req).body, "secure");
    EXPECT_TRUE(server.last_request().starts_with(
        "GET /cgi-bin/x?a=1&b=2 HTTP/1.1\r\nHost: secure.example:8443\r\n"));
    EXPECT_EQ(client.request_automation(req).status, 200);
}

}  // namespace
}  // namespace quillet
