// The notification command: what it receives, and that neither a command
// that ignores its input nor one that hangs (children included) can hold up
// or break the caller.
#include "ledger/notify.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace quillet {
namespace {

namespace fs = std::filesystem;

struct NotifyFolder {
    NotifyFolder() {
        dir = fs::path(::testing::TempDir()) / ("quillet_notify_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~NotifyFolder() { fs::remove_all(dir); }
    std::string read(const std::string& name) const {
        std::ifstream in(dir / name);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
};

TEST(Notify, TheCommandReadsTheTextAndItsStatusIsReported) {
    NotifyFolder f;
    const std::string text = "{\"tried\":3,\"received\":[\"M4A1-雷神(1天)\"]}\n";
    const NotifyResult r =
        run_notify_command("cat > '" + (f.dir / "got").string() + "'; exit 4", text, 5000);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(f.read("got"), text);
}

TEST(Notify, ACommandThatNeverReadsABigTextDoesNotStopTheCaller) {
    // More than a pipe holds: the write must end when the reader goes.
    const std::string text(4 << 20, 'x');
    const NotifyResult r = run_notify_command("exit 0", text, 5000);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0);
    const NotifyResult missing = run_notify_command("/nonexistent/notifier", "{}", 5000);
    EXPECT_EQ(missing.status, 127);
}

TEST(Notify, AHangingCommandAndItsChildrenAreKilledAtTheLimit) {
    NotifyFolder f;
    const std::string pidfile = (f.dir / "child").string();
    const auto t0 = std::chrono::steady_clock::now();
    const NotifyResult r =
        run_notify_command("sleep 60 & echo $! > '" + pidfile + "'; sleep 60", "{}", 400);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_TRUE(r.timed_out);
    EXPECT_EQ(r.status, -1);
    EXPECT_LT(seconds, 5.0);
    const pid_t child = static_cast<pid_t>(std::stol(f.read("child")));
    // The background sleep was in the group: gone, not orphaned (allow its reaping).
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = ::kill(child, 0) != 0;
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(gone) << "pid " << child;
}

}  // namespace
}  // namespace quillet
