// quillet-cli `version`: the start-up version check, headless. The version
// window's control changes go out through the command line's view as they
// happen; the outcome follows as one line (or one JSON object).
#include <cstdio>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_view.h"
#include "app/quillet-cli/cli_window.h"
#include "app/quillet-cli/daily_commands.h"
#include "main/application.h"
#include "session/session.h"
#include "text/gbk.h"
#include "vendor_services/remote_menu.h"
#include "vendor_services/version_check.h"

namespace quillet {

namespace {

int run_version(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: version\n");
        return 2;
    }
    Session& s = ctx.session;
    // The window's creation starts the check, as at start-up.
    VersionCheck& check = ctx.app.version_check();
    s.view.show_window(Window::Version, false);
    wait_for_jobs(ctx);

    const bool accepted = s.state.version_ok && check.outcome() == VersionOutcome::Accepted;
    const std::string message = gbk_to_utf8(check.message());
    if (ctx.json) {
        std::string line = "{\"version\":" + json_string(kVersion) +
                           ",\"accepted\":" + (accepted ? "true" : "false") +
                           ",\"message\":" + json_string(message);
        if (check.outcome() == VersionOutcome::NewVersion) {
            line += ",\"downloads\":[";
            bool first = true;
            for (int n = 1; n <= 3; ++n) {
                const std::string address = check.download_address(n);
                if (address.empty()) continue;
                line += std::string(first ? "" : ",") +
                        "{\"address\":" + json_string(gbk_to_utf8(address)) +
                        ",\"password\":" + json_string(gbk_to_utf8(check.download_password(n))) +
                        "}";
                first = false;
            }
            line += "]";
        }
        std::printf("%s}\n", line.c_str());
    } else {
        std::printf("%s\n", message.c_str());
        if (check.outcome() == VersionOutcome::NewVersion) {
            for (int n = 1; n <= 3; ++n) {
                const std::string address = check.download_address(n);
                if (address.empty()) continue;
                const std::string password = check.download_password(n);
                std::printf("下载地址%d: %s%s%s\n", n, gbk_to_utf8(address).c_str(),
                            password.empty() ? "" : "  密码: ", gbk_to_utf8(password).c_str());
            }
        }
    }
    std::fflush(stdout);
    return accepted ? 0 : 1;
}

// The "手动活动" menu as the window shows it: each group with its visible
// pages, in menu order, and each page's address.
int run_menu(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: menu\n");
        return 2;
    }
    if (const int st = qq_step_status(ctx, open_main_window(ctx))) return st;
    if (!raise_user_event(ctx, ctl::main::按钮_手动活动, Event::Clicked)) return 1;
    RemoteMenu& menu = ctx.app.menu();
    if (!menu.loaded()) return 1;
    View& v = ctx.session.view;
    static const char* const kGroups[] = {"兑换活动", "幸运活动", "超值低价", "人品活动"};
    for (int g = 1; g <= ctl::menu::kManualGroups; ++g) {
        std::string pages;
        for (int p = 1; p <= ctl::menu::kManualPositions; ++p) {
            const Control slot = ctl::menu::manual_slot(g, p);
            if (!v.visible(slot)) continue;
            const std::string title = v.caption(slot);
            const std::string url = menu.find(title).url;
            if (ctx.json) {
                pages += (pages.empty() ? "" : ",") + std::string("{\"title\":") +
                         json_string(gbk_to_utf8(title)) +
                         ",\"url\":" + json_string(gbk_to_utf8(url)) + "}";
            } else {
                pages += "  " + gbk_to_utf8(title) + "  " + gbk_to_utf8(url) + "\n";
            }
        }
        if (ctx.json)
            std::printf("{\"group\":%s,\"pages\":[%s]}\n", json_string(kGroups[g - 1]).c_str(),
                        pages.c_str());
        else
            std::printf("%s\n%s", kGroups[g - 1], pages.c_str());
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace

QUILLET_CLI_COMMAND("menu", "menu", "list the manual activity pages of the 手动活动 menu",
                    run_menu);
QUILLET_CLI_COMMAND("version", "version",
                    "check the running version against the vendor's version file", run_version,
                    false);

}  // namespace quillet
