// quillet-cli `version`: the start-up version check, headless. The version
// window's control changes go out through the command line's view as they
// happen; the outcome follows as one line (or one JSON object).
#include <cstdio>
#include <string>

#include "app/quillet-cli/cli_command.h"
#include "app/quillet-cli/cli_view.h"
#include "session/session.h"
#include "text/gbk.h"
#include "vendor_services/version_check.h"

namespace quillet {

namespace {


int run_version(CliContext& ctx) {
    if (!ctx.args.empty()) {
        std::fprintf(stderr, "usage: version\n");
        return 2;
    }
    Session& s = ctx.session;
    VersionCheck check(s);
    s.view.show_window(Window::Version, false);
    check.window_created();
    s.jobs.join_all();

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

}  // namespace

QUILLET_CLI_COMMAND("version", "version",
                    "check the running version against the vendor's version file", run_version);

}  // namespace quillet
