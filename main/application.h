#pragma once
// The program's one application object: built once by a main(), it builds the
// session from the command line and the configuration file, owns every
// program-wide object for the life of the process (the catalogue, the message
// cleaner, the game-service client, the voucher offers, the remote menu, the
// scroll data, the activity browser, the version check) and runs the start
// sequence. It is also the sink of every window event: it hands each to the
// controller of its window, which dispatches the window's event table.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/events.h"

namespace quillet {

class View;
class Clock;
class PlatformCookieStore;
class BrowserPort;
class LoginBrowser;
struct Program;
namespace sandbox {
class Sandbox;
}
struct Session;
class HttpClient;
class MessageCleaner;
class GameServiceClient;
class RemoteMenu;
class ScrollConfig;
class ActivityBrowser;
class VersionCheck;
struct VoucherOffers;
struct ActivityEntry;
template <typename T>
class Guarded;

// What a main() takes from its command line (texts as typed, UTF-8).
struct AppOptions {
    std::optional<std::string> cookie_file;  // the cookie text a login leaves
    std::optional<std::string> config;       // the configuration file
    std::vector<std::string> connect_to;     // HOST=ADDR:PORT routing rules
    bool sandbox = false;                    // the built-in simulator and its demo account
    std::optional<std::string> account;      // a profile (main/accounts.h) instead of cookie_file
};

// Settings the program can start with but that make a real run fail later,
// found after start(): told to the user, never fatal.
struct SetupWarning {
    enum class Kind { UnreadableConfig, NotIniConfig, PlaceholderVendorHost } kind;
    std::string text;  // one line, UTF-8, without the program's name
};

class Application : public EventSink {
  public:
    // view and store outlive the application; clock defaults to the system's.
    Application(View& view, PlatformCookieStore& store, Clock* clock = nullptr);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Builds the session: configuration path, host overrides, [net], routing,
    // the simulator when asked for, and the sign-in from a cookie text. False
    // with a one-line message (UTF-8) when the program cannot start;
    // usage_error tells whether the options were at fault (a cookie file or a
    // profile that cannot be read or that others may read, a malformed rule)
    // rather than the machine.
    bool start(const AppOptions& options, std::string& error, bool* usage_error = nullptr);

    // What start() found wrong but could start with: a configuration file
    // that cannot be read or is no INI file, and the vendor's host left at its
    // placeholder when neither the simulator nor a routing rule stands in.
    std::vector<SetupWarning> setup_warnings() const;

    // The start sequence and the window loop (VersionWindow, then LoginWindow
    // and MainWindow for as long as the user switches accounts). Returns when
    // the program ends, every job joined.
    void run();
    // For a program that signs in without the login window (a cookie file, the
    // simulator's account): the window loop starting at MainWindow.
    void run_signed_in();

    // The browser port of ActivityBrowserWindow (the Qt side sets it once it
    // has a browser; without one the manual pages open nothing).
    void set_browser_port(BrowserPort* port);
    // The embedded browser of LoginWindow (without one the login window
    // shows no page and a signed-in start skips it).
    void set_login_browser(LoginBrowser* browser);

    // --- EventSink: events of every window, dispatched on the user-interface
    // thread to the window's event table.
    void window_event(Window w, WindowEvent e, int width = 0, int height = 0) override;
    void control_event(Control c, Event e, const EventArgs& args = {}) override;

    // Asks every running job to stop and waits for them while the window
    // keeps processing events.
    void stop_jobs();

    // --- the program-wide objects
    Session& session();
    Program& program();
    GameServiceClient& client();
    std::vector<ActivityEntry>& catalogue();
    MessageCleaner& cleaner();
    RemoteMenu& menu();
    ScrollConfig& scroll();
    Guarded<VoucherOffers>& offers();
    VersionCheck& version_check();
    // The simulator's port when started with it; 0 otherwise.
    int sandbox_port() const;
    sandbox::Sandbox* simulator();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quillet
