// MainWindow's life and event table.
#include <cstdio>
#include <vector>

#include "claim/claim_config.h"
#include "claim/claim_pass.h"
#include "ledger/claim_recorder.h"
#include "ledger/history_text.h"
#include "ledger/ledger.h"
#include "main/start_sequence.h"
#include "main/window_controllers.h"
#include "services/activity_list.h"
#include "services/assets.h"
#include "services/ban_status.h"
#include "services/cdk_panel.h"
#include "services/region_scan.h"
#include "services/spend_records.h"
#include "services/war_stats.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/time_text.h"
#include "vendor_services/activity_browser.h"

namespace quillet {

namespace {

namespace c = ctl::main;
namespace m = ctl::menu;

// How a row runs: on this thread, or as a worker with or without the lock.
enum class Mode { Ui, Locked, Unlocked };

struct Row {
    Control control;
    Event event;
    Mode mode;
    void (*run)(Program&, MainWindowController&, const EventArgs&);
};

// A selection a job made (the region pickers filled and set by the
// initialisation) is not the user's and starts nothing.
bool user_selection(Event e, const EventArgs& a) {
    return e != Event::SelectionChanged || a.by_user;
}

// The panel each "返回" button belongs to.
struct Back {
    Control button, panel;
};
constexpr Back kBackButtons[] = {
    {c::按钮_CDK兑换返回日志, c::外形框_CDK兑换},   {c::按钮_支持返回日志, c::外形框_支持},
    {c::按钮_我的资产返回日志, c::外形框_我的资产}, {c::按钮_活动列表返回日志, c::外形框_活动列表},
    {c::按钮_月券返回日志, c::外形框_月券},         {c::按钮_战绩返回日志, c::外形框_战绩},
    {c::按钮_消费记录返回日志, c::外形框_消费列表}, {c::按钮_配置返回日志, c::外形框_配置},
    {c::按钮_领取记录返回日志, c::外形框_领取记录},
};

struct VoucherButton {
    Control button;
    VoucherAction action;
};
constexpr VoucherButton kVoucherButtons[] = {
    {c::按钮_月券_月券兑换, VoucherAction::MonthExchange},
    {c::按钮_月券_聚豆兑换, VoucherAction::JudouExchange},
    {c::按钮_月券_聚豆抽奖, VoucherAction::JudouLottery},
    {c::按钮_月券_帮豆兑换, VoucherAction::BangExchange},
    {c::按钮_月券_帮豆抽奖, VoucherAction::BangLottery},
};

void open_tag(Program& p, Control c) {
    open_address(p.s, p.s.view.tag(c));
}

// The one-click pass with every attempt written to the ledger as it happens.
// A ledger that cannot be opened costs the record, never the claim.
void claim_and_record(Program& p) {
    // A command-line pass brings its own recorder (and summary): it keeps the
    // rows then.
    if (p.s.on_claim_attempt) {
        run_claim_pass(p.s, p.catalogue, p.cleaner, p.client);
        return;
    }
    Ledger ledger;
    std::string error;
    const bool open = !p.ledger_file.empty() && ledger.open(p.ledger_file, error, p.s.clock);
    if (!open && !error.empty())
        std::fprintf(stderr, "quillet: the claim ledger keeps no record of this pass: %s\n",
                     error.c_str());
    ClaimRecorder recorder(p.s, open ? &ledger : nullptr, p.account);
    run_claim_pass(p.s, p.catalogue, p.cleaner, p.client);
    if (const std::string e = recorder.ledger_error(); !e.empty())
        std::fprintf(stderr, "quillet: the claim ledger lost rows of this pass: %s\n", e.c_str());
    if (p.pass_ended) p.pass_ended(recorder.summary());
}

// What an attempt got the player, as the records panel words it; an old
// row's outcome was read from its message, and says so.
std::string claim_record_outcome(const LedgerRow& r) {
    std::string text = r.outcome == OutcomeKind::given           ? "已获得"
                       : r.outcome == OutcomeKind::nothing_given ? "未获得"
                                                                 : "失败";
    return r.outcome_derived ? text + "(推断)" : text;
}

// "领取记录": the signed-in number's attempts of the last seven days, newest
// first, in local time; what each got the player in its own column, the
// failures in red.
void show_claim_records(Program& p) {
    Session& s = p.s;
    std::vector<LedgerRow> rows;
    std::error_code ec;
    if (std::filesystem::exists(p.ledger_file, ec)) {
        Ledger ledger;
        std::string error;
        if (ledger.open(p.ledger_file, error, s.clock)) {
            rows = ledger.rows(
                start_of_day(s.clock, first_day_of(format_datetime(s.clock.now(), 3), 7)), "",
                error);
        }
        if (!error.empty()) {
            s.log.append(utf8_to_gbk("[提示]领取记录读取失败：" + error), colour::red);
            return;
        }
    }
    const std::string qq = s.state.qq;
    const Control list = c::超级列表框_领取记录;
    show_panel(s, c::外形框_领取记录);
    s.view.clear_rows(list);
    s.pump();
    int row = 0;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (it->qq != qq) continue;
        const std::string message = !it->message.empty() ? it->message : it->code;
        s.view.add_row(list, {utf8_to_gbk(local_time_text(s.clock, it->at)), utf8_to_gbk(it->group),
                              utf8_to_gbk(it->item), utf8_to_gbk(claim_record_outcome(*it)),
                              utf8_to_gbk(message)});
        if (!it->answered()) {
            for (int column = 0; column < 5; ++column)
                s.view.set_cell_colour(list, row, column, colour::red);
        }
        ++row;
        s.pump();
    }
}

const std::vector<Row>& event_table() {
    using P = Program;
    using W = MainWindowController;
    using A = EventArgs;
    static const std::vector<Row> rows = {
        {c::按钮_更换账号, Event::Clicked, Mode::Ui,
         [](P& p, W&, const A&) {
             // Unlocked jobs (the CDKEY panel's, the scroll and menu jobs) may
             // still read the account: they end before it is forgotten.
             p.stop_jobs();
             switch_account(p.s);
         }},
        {c::按钮_绑定大区, Event::Clicked, Mode::Ui,
         [](P& p, W&, const A&) {
             p.s.view.set_visible(c::列表框_大区, true);
             p.s.view.pump_events();
             p.s.view.set_focus(c::列表框_大区);
         }},
        {c::列表框_大区, Event::LostFocus, Mode::Ui,
         [](P& p, W&, const A&) { p.s.view.set_visible(c::列表框_大区, false); }},
        {c::列表框_大区, Event::SelectionChanged, Mode::Locked,
         [](P& p, W&, const A&) { bind_selected_area(p.s, p.client, p.catalogue); }},
        {c::按钮_一键领取, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { claim_and_record(p); }},
        {c::按钮_Quillet, Event::Clicked, Mode::Ui, nullptr},
        {c::按钮_手动活动, Event::Clicked, Mode::Ui, nullptr},
        {m::助手配置, Event::Clicked, Mode::Ui,
         [](P& p, W&, const A&) {
             show_panel(p.s, c::外形框_配置);
             load_config_panel(p.s);
         }},
        {m::活动列表, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_activity_list(p.s, p.client); }},
        {m::消费记录, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_spend_records(p.s, p.client); }},
        {m::战绩查询, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_war_stats(p.s); }},
        {m::我的资产, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_assets(p.s, p.client, 1); }},
        {m::月券聚豆, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { load_vouchers(p.s, p.offers); }},
        {m::扫描全区, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { run_region_scan(p.s, p.client); }},
        {m::封号查询, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_ban_status(p.s, p.client); }},
        {m::领取记录, Event::Clicked, Mode::Unlocked,
         [](P& p, W&, const A&) { show_claim_records(p); }},
        {c::按钮_我的资产_主武器, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_assets(p.s, p.client, 1); }},
        {c::按钮_我的资产_副武器, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_assets(p.s, p.client, 2); }},
        {c::按钮_我的资产_近身武器, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_assets(p.s, p.client, 3); }},
        {c::按钮_我的资产_投掷武器, Event::Clicked, Mode::Locked,
         [](P& p, W&, const A&) { show_assets(p.s, p.client, 4); }},
        {c::按钮_配置_保存, Event::Clicked, Mode::Ui,
         [](P& p, W&, const A&) { save_config_panel(p.s); }},
        {c::超级链接框_CDK兑换, Event::LeftReleased, Mode::Ui,
         [](P& p, W&, const A&) {
             show_panel(p.s, c::外形框_CDK兑换);
             p.start_job(false, [&p] { refresh_captcha(p.s); });
             p.start_job(false, [&p] { look_up_cdk_role(p.s, p.client); });
         }},
        {c::超级链接框_更换验证码, Event::LeftReleased, Mode::Unlocked,
         [](P& p, W&, const A&) { refresh_captcha(p.s); }},
        {c::组合框_大区列表, Event::SelectionChanged, Mode::Unlocked,
         [](P& p, W&, const A&) { look_up_cdk_role(p.s, p.client); }},
        {c::按钮_确定兑换, Event::Clicked, Mode::Unlocked,
         [](P& p, W&, const A&) { redeem_from_panel(p.s, p.client); }},
        {c::编辑框_CDK, Event::GotFocus, Mode::Ui, [](P& p, W&, const A&) { paste_cdkey(p.s); }},
        {c::超级链接框_支持, Event::LeftReleased, Mode::Ui,
         [](P& p, W&, const A&) { show_panel(p.s, c::外形框_支持); }},
        {c::超级链接框_反馈, Event::LeftReleased, Mode::Ui,
         [](P& p, W&, const A&) {
             const std::string address = link_addresses(p.s).feedback;
             p.s.view.set_link_target(c::超级链接框_反馈, address);
             open_address(p.s, address);
         }},
        {c::超级列表框_活动列表, Event::DoubleClicked, Mode::Ui,
         [](P& p, W&, const A&) {
             const int row = p.s.view.selected_row(c::超级列表框_活动列表);
             if (row < 0) return;
             open_address(p.s, p.s.view.cell_text(c::超级列表框_活动列表, row, 4));
         }},
        {c::图片框_广告, Event::LeftReleased, Mode::Ui,
         [](P& p, W&, const A&) { open_tag(p, c::图片框_广告); }},
        {c::标签_滚动广告, Event::LeftPressed, Mode::Ui,
         [](P& p, W&, const A&) { open_tag(p, c::标签_滚动广告); }},
        {c::图片框_QQ群, Event::LeftPressed, Mode::Ui,
         [](P& p, W&, const A&) { open_address(p.s, link_addresses(p.s).qq_group); }},
        {c::图片框_CFVIP, Event::MouseMoved, Mode::Ui, nullptr},
    };
    return rows;
}

}  // namespace

void MainWindowController::created() {
    Session& s = p_.s;
    title_with_vendor_address(s, Window::Main);
    // The configuration path and the claim-message clean-up list.
    prepare_claim_engine(s, p_.cleaner);
    s.view.set_rounded_clip(c::图片框_头像, 2, 3);
    RegionTable::fill_pickers(s);
    // The forty manual slots are the menu's own entries (ctl::menu::manual_slot);
    // the remote menu fills them. The hidden counter page is never shown.
    s.view.load_browser(c::超文本浏览框_统计, visitor_counter_address(s));
    hover_ = false;
    p_.init_done = false;
}

void MainWindowController::first_activated() {
    MainWindowJobs jobs;
    if (p_.vendor_jobs) {
        jobs.scroll = [this](Session& s) { p_.scroll.read(s); };
        jobs.remote_menu = [this](Session& s) { p_.menu.read(s); };
    }
    if (p_.account_job) {
        jobs.initialise = [this](Session& s) {
            // The day's catalogue outlives a switch of account; a new day
            // brings a new one.
            const DateTime now = s.clock.now();
            const int today = now.year * 10000 + now.month * 100 + now.day;
            p_.init_result = initialise_main_window_result(s, p_.client, p_.catalogue,
                                                           p_.catalogue_day == today);
            if (s.state.catalogue_ready) p_.catalogue_day = today;
            p_.init_done = true;
        };
    }
    on_main_window_first_activated(p_.s, jobs);
}

void MainWindowController::being_destroyed() {
    p_.request_stop();
    on_main_window_destroyed(p_.s);
}

bool MainWindowController::on(Control ctrl, Event e, const EventArgs& args) {
    for (const Back& b : kBackButtons) {
        if (ctrl == b.button && e == Event::Clicked) {
            return_to_log(p_.s, b.panel);
            return true;
        }
    }
    for (const VoucherButton& v : kVoucherButtons) {
        if (ctrl == v.button && e == Event::Clicked) {
            voucher_clicked(v.action);
            return true;
        }
    }
    for (int g = 1; g <= m::kManualGroups; ++g) {
        for (int pos = 1; pos <= m::kManualPositions; ++pos) {
            if (ctrl == m::manual_slot(g, pos) && e == Event::Clicked) {
                if (p_.activity_browser) p_.activity_browser->open_manual_page(ctrl);
                return true;
            }
        }
    }
    for (const Row& row : event_table()) {
        if (!(row.control == ctrl) || row.event != e) continue;
        if (!user_selection(e, args)) return true;
        if (ctrl == c::按钮_Quillet) {
            popup_under(m::quillet, c::按钮_Quillet);
        } else if (ctrl == c::按钮_手动活动) {
            manual_menu_clicked();
        } else if (ctrl == c::图片框_CFVIP) {
            vip_hover(args);
        } else if (row.mode == Mode::Ui) {
            row.run(p_, *this, args);
        } else {
            auto run = row.run;
            p_.start_job(row.mode == Mode::Locked, [this, run, args] { run(p_, *this, args); });
        }
        return true;
    }
    return false;
}

void MainWindowController::popup_under(Control menu, Control button) {
    View& v = p_.s.view;
    const Point window = v.window_position(Window::Main);
    const Geometry g = v.geometry(button);
    // 64 covers the title bar and the button's height.
    v.popup_menu(menu, Point{window.x + g.left + 1, window.y + g.top + 64});
}

void MainWindowController::manual_menu_clicked() {
    if (p_.menu.loaded()) {
        popup_under(m::manual, c::按钮_手动活动);
        return;
    }
    // Reading the menu talks to the network: a worker does it while the button
    // waits, then the menu pops up when it has been read.
    View& v = p_.s.view;
    v.set_enabled(c::按钮_手动活动, false);
    p_.start_job(false, [this] {
        p_.menu.ensure_loaded(p_.s);
        p_.s.view.set_enabled(c::按钮_手动活动, true);
        popup_under(m::manual, c::按钮_手动活动);
    });
}

void MainWindowController::voucher_clicked(VoucherAction action) {
    // The selection and the lottery's confirmation belong to this thread; the
    // request goes out on a worker while the panel's buttons wait for it.
    p_.voucher_answer = VoucherAnswer::None;
    const std::optional<VoucherRequest> request =
        prepare_voucher_action(p_.s, p_.offers.get(), action);
    if (!request) return;
    View& v = p_.s.view;
    std::vector<std::pair<Control, bool>> buttons;
    for (const VoucherButton& b : kVoucherButtons) {
        buttons.emplace_back(b.button, v.enabled(b.button));
        v.set_enabled(b.button, false);
    }
    p_.start_job(false, [this, request = *request, buttons] {
        p_.voucher_answer = send_voucher_action(p_.s, request);
        for (const auto& [button, was_enabled] : buttons)
            p_.s.view.set_enabled(button, was_enabled);
    });
}

void MainWindowController::vip_hover(const EventArgs& args) {
    View& v = p_.s.view;
    const Geometry g = v.geometry(c::图片框_CFVIP);
    // Both bounds count as inside.
    const bool inside = args.x >= 0 && args.x <= g.width && args.y >= 0 && args.y <= g.height;
    if (inside && !hover_) {
        v.set_mouse_capture(c::图片框_CFVIP, true);
        v.set_visible(c::外形框_提示, true);
        hover_ = true;
    } else if (!inside && hover_) {
        v.set_mouse_capture(c::图片框_CFVIP, false);
        v.set_visible(c::外形框_提示, false);
        hover_ = false;
    }
}

}  // namespace quillet
