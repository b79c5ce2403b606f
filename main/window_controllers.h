#pragma once
// One controller per window: its life (created, first activated, being
// destroyed, size changed) and its event table, row by row. Handlers run on
// the user-interface thread and never wait there for the network: a row that
// talks to the network starts a worker ("lock_controls, then the job" is done
// in one place, Program::start_job).
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "claim/catalogue.h"
#include "claim/message_cleaner.h"
#include "claim/vouchers.h"
#include "ledger/ledger.h"
#include "ledger/pass_summary.h"
#include "main/main_window_jobs.h"
#include "services/game_service_client.h"
#include "session/events.h"
#include "session/session_state.h"
#include "vendor_services/remote_menu.h"
#include "vendor_services/scroll_config.h"
#include "vendor_services/version_check.h"

namespace quillet {

struct Session;
class ActivityBrowser;
class BrowserPort;
class LoginBrowser;

// Where the two footer addresses of our own lead (section "links" of the
// configuration file may name others).
struct LinkAddresses {
    std::string feedback;  // 超级链接框_反馈
    std::string qq_group;  // 图片框_QQ群
};
LinkAddresses link_addresses(const Session& s);

// A window's title from the form with two blanks and the vendor's web
// address appended (LoginWindow, MainWindow, ActivityBrowserWindow).
void title_with_vendor_address(Session& s, Window w);

// Everything the program keeps for its whole run, created empty at start and
// kept across a switch of account.
struct Program {
    explicit Program(Session& session);
    ~Program();

    Session& s;
    ActivityCatalogue catalogue;
    MessageCleaner cleaner;
    GameServiceClient client;
    Guarded<VoucherOffers> offers;
    RemoteMenu menu;
    ScrollConfig scroll;
    VersionCheck version;
    BrowserPort* browser_port = nullptr;
    LoginBrowser* login_browser = nullptr;
    std::unique_ptr<ActivityBrowser> activity_browser;

    // Whether MainWindow's first activation also starts the scroll and menu
    // jobs (a command-line run needs neither unless it is about them).
    bool vendor_jobs = true;
    // Whether it runs the account initialisation.
    bool account_job = true;
    // How the last account initialisation ended (Ready until one ran).
    std::atomic<InitResult> init_result{InitResult::Ready};
    std::atomic<bool> init_done{false};
    // The local day (yyyymmdd) of the window that last initialised with a
    // catalogue: a new window the same day keeps it.
    int catalogue_day = 0;
    // Where the one-click passes keep their attempts and "领取记录" reads
    // them back, and the profile the rows are written for (empty without one).
    std::filesystem::path ledger_file = default_ledger_path();
    std::string account;
    // Told on the pass's worker when a one-click pass has ended (the desktop
    // notification); empty for none.
    std::function<void(const PassSummary&)> pass_ended;

    // How the last exchange or lottery of the voucher panel was answered
    // (the command line's exit status).
    std::atomic<VoucherAnswer> voucher_answer{VoucherAnswer::None};

    // Starts job on a worker; locked: lock_controls first, on this thread.
    void start_job(bool locked, std::function<void()> job);
    // Asks every job to stop and waits for them, the window processing its
    // events meanwhile (user-interface thread only).
    void stop_jobs();
    // Asks every job to stop without waiting: what a window being destroyed
    // does, since its own job may be the one closing it; the window loop
    // waits for them once the window has gone.
    void request_stop();
};

class WindowController {
  public:
    explicit WindowController(Program& p) : p_(p) {}
    virtual ~WindowController() = default;
    virtual void created() {}
    virtual void first_activated() {}
    virtual void being_destroyed() {}
    virtual void size_changed(int /*width*/, int /*height*/) {}
    // Dispatches one event of the window's event table; false when no row
    // takes it.
    virtual bool on(Control c, Event e, const EventArgs& args) = 0;

  protected:
    Program& p_;
};

class VersionWindowController : public WindowController {
  public:
    using WindowController::WindowController;
    void created() override;
    void being_destroyed() override;
    bool on(Control c, Event e, const EventArgs& args) override;
};

class LoginWindowController : public WindowController {
  public:
    using WindowController::WindowController;
    void created() override;
    void being_destroyed() override;
    bool on(Control c, Event e, const EventArgs& args) override;

  private:
    bool open_ = false;
};

class MainWindowController : public WindowController {
  public:
    using WindowController::WindowController;
    void created() override;
    void first_activated() override;
    void being_destroyed() override;
    bool on(Control c, Event e, const EventArgs& args) override;

    bool hovering() const { return hover_; }

  private:
    void vip_hover(const EventArgs& args);
    void manual_menu_clicked();
    void popup_under(Control menu, Control button);
    void voucher_clicked(VoucherAction action);

    bool hover_ = false;  // the VIP hover box is shown
};

class ActivityBrowserWindowController : public WindowController {
  public:
    using WindowController::WindowController;
    void created() override;
    void size_changed(int width, int height) override;
    bool on(Control c, Event e, const EventArgs& args) override;
};

class NoticeWindowController : public WindowController {
  public:
    using WindowController::WindowController;
    void created() override;
    bool on(Control c, Event e, const EventArgs& args) override;
};

}  // namespace quillet
