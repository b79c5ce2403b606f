// quillet-cli account features: each runs the start-up initialisation as the
// main window does, then raises the event of the feature's menu item, button
// or panel.

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/quillet-cli/cli_interrupt.h"
#include "app/quillet-cli/cli_view.h"
#include "app/quillet-cli/cli_window.h"
#include "app/quillet-cli/daily_commands.h"
#include "main/application.h"
#include "main/window_controllers.h"
#include "platform/console.h"
#include "platform/folders.h"
#include "services/assets.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

namespace {

namespace c = ctl::main;
namespace m = ctl::menu;

bool no_arguments(const CliContext& ctx, const char* usage) {
    if (ctx.args.empty()) return true;
    std::fprintf(stderr, "usage: %s\n", usage);
    return false;
}

// Initialise, then use the control as a user would. The scan and the
// activity list stay usable after a failed CF step, as in the window; the
// other features need a bound region and report 1 without one.
// A feature that tells a failure or a refusal (a red log line) exits 1.
int run_feature(CliContext& ctx, const char* usage, Control control, Event event = Event::Clicked) {
    if (!no_arguments(ctx, usage)) return 2;
    if (const int st = qq_step_status(ctx, open_main_window(ctx))) return st;
    const int before = failures_told(ctx);
    if (!raise_user_event(ctx, control, event)) return 1;
    return failures_told(ctx) > before ? 1 : 0;
}

int run_scan(CliContext& ctx) {
    return run_feature(ctx, "scan", m::扫描全区);
}
int run_spend(CliContext& ctx) {
    return run_feature(ctx, "spend", m::消费记录);
}
int run_stats(CliContext& ctx) {
    return run_feature(ctx, "stats", m::战绩查询);
}
int run_ban(CliContext& ctx) {
    return run_feature(ctx, "ban", m::封号查询);
}
int run_activities(CliContext& ctx) {
    return run_feature(ctx, "activities", m::活动列表);
}

// The view prints no list items (the window's own lists are filled at set-up);
// the voucher panel's three lists are what the panel offers, so they are
// printed here once it is shown, in the view's style.
void print_voucher_lists(Session& s, bool json) {
    if (!s.view.visible(c::外形框_月券)) return;
    for (Control list : {c::组合框_月券_月券, c::组合框_月券_聚豆, c::组合框_月券_帮豆}) {
        std::string line = json ? "{\"control\":" + json_string(list.name) + ",\"items\":["
                                : "  " + std::string(list.name) + ".items =";
        for (int i = 0, n = s.view.item_count(list); i < n; ++i) {
            const std::string text = gbk_to_utf8(s.view.item_text(list, i));
            const std::string value = std::to_string(s.view.item_value(list, i));
            if (json)
                line += (i ? "," : "") + std::string("{\"text\":") + json_string(text) +
                        ",\"value\":" + value + "}";
            else
                line += (i ? " | " : " ") + text + " (" + value + ")";
        }
        line += json ? "]}\n" : "\n";
        std::fputs(line.c_str(), stdout);
    }
}

int run_vouchers(CliContext& ctx) {
    const int status = run_feature(ctx, "vouchers", m::月券聚豆);
    if (status == 0) print_voucher_lists(ctx.session, ctx.json);
    return status;
}

int run_assets(CliContext& ctx) {
    if (ctx.args.size() > 1 ||
        (ctx.args.size() == 1 &&
         (ctx.args[0].size() != 1 || ctx.args[0][0] < '1' || ctx.args[0][0] > '4'))) {
        std::fprintf(stderr, "usage: assets [1-4]  (1 main, 2 secondary, 3 melee, 4 throwing)\n");
        return 2;
    }
    const int weapon_class = ctx.args.empty() ? 1 : ctx.args[0][0] - '0';
    if (const int st = qq_step_status(ctx, open_main_window(ctx))) return st;
    // The menu item shows the main weapons; the panel's buttons the others,
    // silently in the window. Here the log is the report: every class tells
    // its opening and closing lines, as the menu item does.
    const Control buttons[] = {m::我的资产, c::按钮_我的资产_副武器, c::按钮_我的资产_近身武器,
                               c::按钮_我的资产_投掷武器};
    const int before = failures_told(ctx);
    if (weapon_class == 1) {
        if (!raise_user_event(ctx, buttons[0], Event::Clicked)) return 1;
    } else {
        if (interrupt_signal() != 0 || !ctx.session.view.enabled(buttons[weapon_class - 1]))
            return 1;
        Program& p = ctx.app.program();
        p.start_job(true, [&p, weapon_class] { show_assets(p.s, p.client, weapon_class, true); });
        wait_for_jobs(ctx);
    }
    return failures_told(ctx) > before ? 1 : 0;
}

// The file name ending a picture's first bytes call for.
const char* picture_extension(const std::string& bytes) {
    if (bytes.starts_with("\x89PNG")) return ".png";
    if (bytes.starts_with("GIF8")) return ".gif";
    if (bytes.starts_with("\xFF\xD8\xFF")) return ".jpg";
    if (bytes.starts_with("BM")) return ".bmp";
    return ".img";
}

// The captcha's letters as the user types them, one line; empty when none came.
std::string read_captcha_letters() {
    if (platform::is_terminal(platform::Stream::In)) {
        std::fputs("captcha letters: ", stderr);
        std::fflush(stderr);
    }
    const auto line = platform::read_line([] { return interrupt_signal() != 0; });
    return line ? trim(*line) : std::string();
}

// cdk KEY AREA_ID: opens the CDKEY panel as its link does (a captcha, the
// role look-up), picks the region, saves the captcha picture in the current
// folder for the user to read, takes its letters from standard input and
// presses 确定兑换: the redemption carries that captcha's session.
int run_cdk(CliContext& ctx) {
    if (ctx.args.size() != 2) {
        std::fprintf(stderr,
                     "usage: cdk KEY AREA_ID  (the captcha is saved as a picture in the current "
                     "folder; its letters are then read from standard input)\n");
        return 2;
    }
    const int64_t area_id = region_argument(ctx, ctx.args[1], "cdk");
    if (area_id == 0) return 2;
    if (const int st = init_status(ctx, open_main_window(ctx))) return st;
    if (!raise_user_event(ctx, c::超级链接框_CDK兑换, Event::LeftReleased)) return 1;
    View& v = ctx.session.view;
    EventArgs picked;
    picked.index = index_of_value(ctx, c::组合框_大区列表, area_id);
    v.select_index(c::组合框_大区列表, picked.index);
    raise_user_event(ctx, c::组合框_大区列表, Event::SelectionChanged, picked);
    // Without a role in that region the button would refuse: say so (the
    // look-up's message box is printed) before asking for any letters.
    if (ctx.session.state.cdk_role.get().area_id != area_id) return 1;

    auto* memory = dynamic_cast<MemoryView*>(&v);
    const std::string picture = memory ? memory->state(c::图片框_验证码).picture : std::string();
    if (picture.empty()) {
        std::fprintf(stderr, "cdk: the captcha picture could not be fetched; try again\n");
        return 1;
    }
    std::error_code ec;
    const std::filesystem::path file =
        std::filesystem::current_path(ec) /
        (std::string("quillet-captcha") + picture_extension(picture));
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << picture;
        if (!out.flush()) {
            std::fprintf(stderr, "cdk: cannot write the captcha picture to %s\n",
                         platform::utf8_of_path(file).c_str());
            return 2;
        }
    }
    if (ctx.json)
        std::printf("{\"captcha_file\":%s}\n", json_string(platform::utf8_of_path(file)).c_str());
    else
        std::printf("captcha picture: %s\n", platform::utf8_of_path(file).c_str());
    std::fflush(stdout);

    const std::string letters = read_captcha_letters();
    std::filesystem::remove(file, ec);      // its session is spent with this redemption
    if (interrupt_signal() != 0) return 1;  // the closing line follows
    if (letters.empty()) {
        std::fprintf(stderr, "cdk: no captcha letters on standard input; nothing redeemed\n");
        return 2;
    }
    v.set_text(c::编辑框_CDK, utf8_to_gbk(ctx.args[0]));
    v.set_text(c::编辑框_验证码, utf8_to_gbk(letters));
    ctx.session.state.cdk_redeemed = false;
    raise_user_event(ctx, c::按钮_确定兑换, Event::Clicked);
    // The service's message box has said why when it refused.
    return ctx.session.state.cdk_redeemed ? 0 : 1;
}

}  // namespace

QUILLET_CLI_COMMAND("scan", "scan", "list the regions in which the account has a role", run_scan);
QUILLET_CLI_COMMAND("cdk", "cdk KEY AREA_ID",
                    "redeem a CDKEY for the role of a region: saves the captcha picture, then "
                    "reads its letters from standard input",
                    run_cdk);
QUILLET_CLI_COMMAND("assets", "assets [1-4]",
                    "show the weapons of a class (1 main, 2 secondary, 3 melee, 4 throwing), "
                    "their value and the CF and GP points",
                    run_assets);
QUILLET_CLI_COMMAND("spend", "spend", "show the consumption records of the last 7 days", run_spend);
QUILLET_CLI_COMMAND("stats", "stats", "show the overall and today's war statistics", run_stats);
QUILLET_CLI_COMMAND("ban", "ban", "show whether and until when the account is banned", run_ban);
QUILLET_CLI_COMMAND("activities", "activities", "list the publisher's current activities",
                    run_activities);
QUILLET_CLI_COMMAND("vouchers", "vouchers",
                    "show the bean balances and what vouchers and beans can buy", run_vouchers);

}  // namespace quillet
