// quillet-cli commands of the voucher and configuration panels: the five
// exchange and lottery buttons, and the two claim priorities.
#include <cstdio>
#include <string>

#include "app/quillet-cli/cli_view.h"
#include "app/quillet-cli/cli_window.h"
#include "app/quillet-cli/daily_commands.h"
#include "main/application.h"
#include "main/window_controllers.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

namespace {

namespace c = ctl::main;

struct Currency {
    const char* name;
    Control list;
    Control exchange;
    Control lottery;  // name empty when the currency has none
    Control balance;  // what the panel says of it ("现有月券：0  暂不可用")
};

const Currency kCurrencies[] = {
    {"month", c::组合框_月券_月券, c::按钮_月券_月券兑换, Control{Window::Main, ""},
     c::标签_月券_月券},
    {"judou", c::组合框_月券_聚豆, c::按钮_月券_聚豆兑换, c::按钮_月券_聚豆抽奖, c::标签_月券_聚豆},
    {"bang", c::组合框_月券_帮豆, c::按钮_月券_帮豆兑换, c::按钮_月券_帮豆抽奖, c::标签_月券_帮豆},
};

const Currency* currency(const std::string& name) {
    for (const Currency& cur : kCurrencies)
        if (name == cur.name) return &cur;
    return nullptr;
}

// The panel loaded as the menu item "月券/聚豆" loads it.
int open_voucher_panel(CliContext& ctx) {
    if (const int st = qq_step_status(ctx, open_main_window(ctx))) return st;
    return raise_user_event(ctx, ctl::menu::月券聚豆, Event::Clicked) &&
                   ctx.session.view.visible(c::外形框_月券)
               ? 0
               : 1;
}

// Presses an exchange or lottery button: 0 when the service gave (or when the
// confirmation was refused and nothing was sent, as the user chose), 1 when
// it refused or did not answer (its message box, printed, says why).
int voucher_status(CliContext& ctx, const Currency& cur, Control button) {
    Program& p = ctx.app.program();
    p.voucher_answer = VoucherAnswer::None;
    if (!raise_user_event(ctx, button, Event::Clicked)) {
        // The panel keeps the button disabled: its balance line says why.
        if (!ctx.session.view.enabled(button))
            std::fprintf(stderr, "quillet-cli: %s is not available: %s\n",
                         gbk_to_utf8(ctx.session.view.caption(button)).c_str(),
                         gbk_to_utf8(ctx.session.view.caption(cur.balance)).c_str());
        return 1;
    }
    switch (p.voucher_answer.load()) {
        case VoucherAnswer::Accepted:
            return 0;
        case VoucherAnswer::None:
            std::fprintf(stderr,
                         "quillet-cli: nothing was sent (the confirmation was refused: "
                         "--yes accepts it)\n");
            return 0;
        default:
            return 1;
    }
}

// exchange month|judou|bang N: the N-th item on offer (counted from 1, as
// `vouchers` lists them, the "选择兑换道具" placeholder not counted).
int run_exchange(CliContext& ctx) {
    const Currency* cur = ctx.args.size() == 2 ? currency(ctx.args[0]) : nullptr;
    const int64_t n = ctx.args.size() == 2 ? int_of_text(ctx.args[1]) : 0;
    if (!cur || n < 1 || std::to_string(n) != ctx.args[1]) {
        std::fprintf(stderr, "usage: exchange month|judou|bang N  (N: the item's place, from 1)\n");
        return 2;
    }
    if (const int status = open_voucher_panel(ctx); status != 0) return status;
    View& v = ctx.session.view;
    int index = -1;
    for (int i = 0, seen = 0, count = v.item_count(cur->list); i < count; ++i) {
        if (v.item_value(cur->list, i) <= 0) continue;
        if (++seen == n) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        std::fprintf(stderr, "exchange: no item %lld on offer (`vouchers` lists them)\n",
                     static_cast<long long>(n));
        return 2;
    }
    v.select_index(cur->list, index);
    return voucher_status(ctx, *cur, cur->exchange);
}

// lottery judou|bang: asks for confirmation first, answered by --yes.
int run_lottery(CliContext& ctx) {
    const Currency* cur = ctx.args.size() == 1 ? currency(ctx.args[0]) : nullptr;
    if (!cur || cur->lottery.name.empty()) {
        std::fprintf(stderr, "usage: lottery judou|bang  (add --yes to accept its cost)\n");
        return 2;
    }
    if (const int status = open_voucher_panel(ctx); status != 0) return status;
    return voucher_status(ctx, *cur, cur->lottery);
}

// config [MODEL PROP]: shows the two claim priorities of the configuration
// panel, or stores new ones (their places in the panel's lists, from 0).
int run_config(CliContext& ctx) {
    if (ctx.args.size() != 0 && ctx.args.size() != 2) {
        std::fprintf(stderr, "usage: config [MODEL PROP]  (MODEL 0-2, PROP 0-7)\n");
        return 2;
    }
    WindowRun run;
    run.account = false;
    open_main_window(ctx, run);
    View& v = ctx.session.view;
    ctx.app.control_event(ctl::menu::助手配置, Event::Clicked);
    const Control lists[] = {c::组合框_配置_优先模式, c::组合框_配置_优先道具};
    if (ctx.args.size() == 2) {
        for (int k = 0; k < 2; ++k) {
            const int64_t index = int_of_text(ctx.args[k]);
            if (std::to_string(index) != ctx.args[k] || index < 0 ||
                index >= v.item_count(lists[k])) {
                std::fprintf(stderr, "config: %s is not a place in the list (0-%d)\n",
                             ctx.args[k].c_str(), v.item_count(lists[k]) - 1);
                return 2;
            }
            v.select_index(lists[k], static_cast<int>(index));
        }
        raise_user_event(ctx, c::按钮_配置_保存, Event::Clicked);
        // The panel stores silently: read the file back to know it was kept.
        const IniFile& file = ctx.session.config;
        for (int k = 0; k < 2; ++k) {
            const int index = v.selected_index(lists[k]);
            const std::string stored = file.read("config", k == 0 ? "model" : "prop", "");
            if (index < 0 || stored != std::to_string(v.item_value(lists[k], index))) {
                std::fprintf(stderr,
                             "quillet-cli: config: cannot write the configuration file %s; "
                             "nothing stored\n",
                             file.path().string().c_str());
                return 2;
            }
        }
        ctx.app.control_event(ctl::menu::助手配置, Event::Clicked);
    }
    const char* const keys[] = {"model", "prop"};
    for (int k = 0; k < 2; ++k) {
        const int index = v.selected_index(lists[k]);
        const std::string text = index < 0 ? "" : gbk_to_utf8(v.item_text(lists[k], index));
        if (ctx.json)
            std::printf("{\"%s\":%d,\"text\":%s}\n", keys[k], index, json_string(text).c_str());
        else
            std::printf("%s = %d %s\n", keys[k], index, text.c_str());
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("exchange", "exchange month|judou|bang N",
                    "exchange 月券, 聚豆 or 帮豆 for the N-th item the voucher panel offers",
                    run_exchange);
QUILLET_CLI_COMMAND("lottery", "lottery judou|bang",
                    "draw the 聚豆 or 帮豆 lottery (asks to confirm: --yes accepts)", run_lottery);
QUILLET_CLI_COMMAND("config", "config [MODEL PROP]",
                    "show or store the two claim priorities (mode 0-2, item class 0-7)", run_config,
                    false, false);

}  // namespace quillet
