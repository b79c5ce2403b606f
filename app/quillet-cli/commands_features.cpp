// quillet-cli account features: each runs the start-up initialisation as the
// main window does, then the feature as its menu item, button or panel would.
#include <cstdio>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_view.h"
#include "claim/vouchers.h"
#include "main/main_window_jobs.h"
#include "services/activity_list.h"
#include "services/assets.h"
#include "services/ban_status.h"
#include "services/cdk_panel.h"
#include "services/game_service_client.h"
#include "services/region_scan.h"
#include "services/spend_records.h"
#include "services/war_stats.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

namespace {

// The window's creation handler fills the region pickers before anything runs.
void ensure_pickers(Session& s) {
    if (s.view.item_count(ctl::main::列表框_大区) == 0) RegionTable::fill_pickers(s);
}

// Start-up as the window runs it; false when the account is not usable.
bool initialise(Session& s, GameServiceClient& client) {
    ensure_pickers(s);
    ActivityCatalogue catalogue;
    const bool ready = initialise_main_window(s, client, catalogue);
    unlock_controls(s, s.state.area_bound);
    return ready;
}

bool no_arguments(const CliContext& ctx, const char* usage) {
    if (ctx.args.empty()) return true;
    std::fprintf(stderr, "usage: %s\n", usage);
    return false;
}

// A locked feature: initialise, then lock_controls and run it as its handler does.
template <typename Job>
int run_locked(CliContext& ctx, const char* usage, Job job) {
    if (!no_arguments(ctx, usage)) return 2;
    Session& s = ctx.session;
    GameServiceClient client(s);
    if (!initialise(s, client)) return 1;
    lock_controls(s);
    job(s, client);
    return 0;
}

int run_scan(CliContext& ctx) {
    return run_locked(ctx, "scan", [](Session& s, GameServiceClient& c) { run_region_scan(s, c); });
}

int run_spend(CliContext& ctx) {
    return run_locked(ctx, "spend",
                      [](Session& s, GameServiceClient& c) { show_spend_records(s, c); });
}

int run_stats(CliContext& ctx) {
    return run_locked(ctx, "stats", [](Session& s, GameServiceClient&) { show_war_stats(s); });
}

int run_ban(CliContext& ctx) {
    return run_locked(ctx, "ban", [](Session& s, GameServiceClient& c) { show_ban_status(s, c); });
}

int run_activities(CliContext& ctx) {
    return run_locked(ctx, "activities",
                      [](Session& s, GameServiceClient& c) { show_activity_list(s, c); });
}

// The view prints no list items (the window's own lists are filled at set-up);
// the voucher panel's three lists are what the panel offers, so they are
// printed here once it is shown, in the view's style.
void print_voucher_lists(Session& s, bool json) {
    if (!s.view.visible(ctl::main::外形框_月券)) return;
    for (Control list :
         {ctl::main::组合框_月券_月券, ctl::main::组合框_月券_聚豆, ctl::main::组合框_月券_帮豆}) {
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
    return run_locked(ctx, "vouchers", [&ctx](Session& s, GameServiceClient&) {
        Guarded<VoucherOffers> offers;
        load_vouchers(s, offers);
        print_voucher_lists(s, ctx.json);
    });
}

int run_assets(CliContext& ctx) {
    int weapon_class = 1;
    if (ctx.args.size() > 1 ||
        (ctx.args.size() == 1 &&
         (ctx.args[0].size() != 1 || ctx.args[0][0] < '1' || ctx.args[0][0] > '4'))) {
        std::fprintf(stderr, "usage: assets [1-4]  (1 main, 2 secondary, 3 melee, 4 throwing)\n");
        return 2;
    }
    if (ctx.args.size() == 1) weapon_class = ctx.args[0][0] - '0';
    Session& s = ctx.session;
    GameServiceClient client(s);
    if (!initialise(s, client)) return 1;
    lock_controls(s);
    show_assets(s, client, weapon_class);
    return 0;
}

int run_cdk(CliContext& ctx) {
    if (ctx.args.size() != 3) {
        std::fprintf(stderr, "usage: cdk KEY CAPTCHA AREA_ID\n");
        return 2;
    }
    const std::string& area_arg = ctx.args[2];
    const int64_t area_id = int_of_text(area_arg);
    if (area_arg.empty() || std::to_string(area_id) != area_arg) {
        std::fprintf(stderr, "cdk: AREA_ID must be a region id such as 320\n");
        return 2;
    }
    Session& s = ctx.session;
    ensure_pickers(s);
    const Control list = ctl::main::组合框_大区列表;
    int index = -1;
    for (int i = 0, n = s.view.item_count(list); i < n && index < 0; ++i)
        if (s.view.item_value(list, i) == area_id) index = i;
    if (index < 0) {
        std::fprintf(stderr, "cdk: %s is not a region id of the region list\n", area_arg.c_str());
        return 2;
    }

    GameServiceClient client(s);
    if (!initialise(s, client)) return 1;
    // As the link 超级链接框_CDK兑换 and the region picker would: the panel, a
    // captcha, the role of the chosen region; then the typed key and letters.
    show_panel(s, ctl::main::外形框_CDK兑换);
    s.view.select_index(list, index);
    refresh_captcha(s);
    look_up_cdk_role(s, client);
    s.view.set_text(ctl::main::编辑框_CDK, utf8_to_gbk(ctx.args[0]));
    s.view.set_text(ctl::main::编辑框_验证码, utf8_to_gbk(ctx.args[1]));
    redeem_from_panel(s, client);
    s.jobs.join_all();  // the follow-up captcha and role look-up use client
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("scan", "scan", "list the regions in which the account has a role", run_scan);
QUILLET_CLI_COMMAND("cdk", "cdk KEY CAPTCHA AREA_ID",
                    "redeem a CDKEY for the role of a region, with the captcha's letters", run_cdk);
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
