// The browser tests share one simulator (HTTP and HTTPS) and one engine: the
// engine's host rules are read once per process, so they are set from the
// simulator's ports before the application starts.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "net/hosts.h"
#include "ui/skin.h"
#include "ui/web/tests/web_fixture.h"
#include "ui/web/web_engine.h"

namespace quillet::webtest {

sandbox::Sandbox& simulator() {
    static sandbox::Sandbox box;
    return box;
}

}  // namespace quillet::webtest

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    auto& box = quillet::webtest::simulator();
    const int port = box.start(0);
    const int tls = box.start_tls(0);
    if (port <= 0 || tls <= 0) {
        std::fprintf(stderr, "web tests: the simulator could not start\n");
        return 1;
    }
    quillet::Routing routing;
    routing.add(quillet::RouteRule{"*", "127.0.0.1", port});
    quillet::prepare_web_engine(quillet::host_resolver_rules(routing, tls));
    quillet::prepare_web_rendering();
    QApplication app(argc, argv);
    quillet::restore_rendering_environment();
    QApplication::setQuitOnLastWindowClosed(false);
    quillet::apply_skin(app);
    const int rc = RUN_ALL_TESTS();
    box.stop();
    return rc;
}
