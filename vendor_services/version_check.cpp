#include "vendor_services/version_check.h"

#include "script/json_view.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {
namespace {

namespace v = ctl::version;

constexpr Rgb kFailedColour{0xFF, 0x00, 0x00};
constexpr Rgb kNewVersionColour{0x00, 0xFF, 0x00};

const Control kDownloadButtons[3] = {v::按钮_下载1, v::按钮_下载2, v::按钮_下载3};

void wait_half_second(Session& s) {
    responsive_wait(s.clock, 500, 0, [&] { s.view.pump_events(); });
}

}  // namespace

std::string version_file_address(const Session& s) {
    return s.http_url(Host::VENDOR, "/cf/res/ver.js?t=") + make_random_token();
}

void VersionCheck::window_created() {
    s_.view.set_window_title(Window::Version, utf8_to_gbk("Quillet - 版本检测v") + kVersion);
    start();
}

void VersionCheck::start() {
    set_outcome(VersionOutcome::Checking);
    for (Control button : kDownloadButtons) s_.view.set_visible(button, true);
    say(utf8_to_gbk("新版本检测中，请稍后..."));
    s_.view.set_text_colour(v::标签_提示, colour::black);
    s_.jobs.start([this] { run(); });
}

VersionFile read_version_file(std::string_view answer) {
    VersionFile file;
    const std::string literal = text_between(answer, "_cfver = ", ";");
    ScriptBudget budget;  // one for every read of the file
    JsonView view(budget);
    if (literal.empty() || !view.load(literal)) return file;
    file.version = view.get_text("v");
    file.details = view.get_text("d");
    if (!budget.spent() && file.version.empty()) {
        file.status = VersionFile::Status::NoVersion;
        return file;
    }
    // Every member is read before anything is shown, so a file whose budget
    // runs out anywhere fails as a whole.
    for (int n = 1; n <= 3; ++n) {
        const std::string prefix = "d" + std::to_string(n);
        VersionFile::Download& d = file.downloads[static_cast<size_t>(n - 1)];
        d.address = view.get_text(prefix + "u");
        if (!d.address.empty()) d.password = view.get_text(prefix + "p");
        d.title = view.get_text(prefix + "t");
    }
    if (budget.spent()) return VersionFile{};
    file.status = VersionFile::Status::Read;
    return file;
}

void VersionCheck::run() {
    s_.view.set_visible(v::按钮_重试, false);
    s_.pump();
    wait_half_second(s_);

    const std::string answer = s_.http.get_text(version_file_address(s_), true);
    if (answer.empty()) return fail(utf8_to_gbk("网页访问失败，请重试"));

    const VersionFile file = read_version_file(answer);
    if (file.status == VersionFile::Status::Unreadable)
        return fail(utf8_to_gbk("版本获取失败，请重试"));
    if (file.status == VersionFile::Status::NoVersion)
        return fail(utf8_to_gbk("版本号获取失败，请重试"));
    const std::string& version = file.version;
    const std::string& details = file.details;

    if (version == kVersion) {
        say(utf8_to_gbk("已经是最新版本，当前版本 v") + kVersion);
        wait_half_second(s_);
        s_.state.version_ok = true;
        set_outcome(VersionOutcome::Accepted);
        s_.view.close_window(Window::Version);
        return;
    }

    // Any other release, older or newer, must be installed first.
    std::string caption = utf8_to_gbk("发现新版本 v") + version;
    if (!details.empty()) caption += "(" + details + ")";
    say(caption);
    s_.view.set_text_colour(v::标签_提示, kNewVersionColour);
    s_.view.set_visible(v::按钮_更新详情, true);

    for (int n = 1; n <= 3; ++n) {
        const Control button = kDownloadButtons[n - 1];
        const VersionFile::Download& d = file.downloads[static_cast<size_t>(n - 1)];
        if (d.address.empty()) {
            s_.view.set_enabled(button, false);
        } else {
            s_.view.set_enabled(button, true);
            s_.view.set_tag(button, d.address);
        }
        {
            std::lock_guard lock(mutex_);
            addresses_[n - 1] = d.address;
            passwords_[n - 1] = d.password;
        }
        if (!d.title.empty()) s_.view.set_caption(button, d.title);
    }
    set_outcome(VersionOutcome::NewVersion);
}

void VersionCheck::fail(const std::string& message) {
    say(message);
    s_.view.set_text_colour(v::标签_提示, kFailedColour);
    s_.view.set_visible(v::按钮_重试, true);
    for (Control button : kDownloadButtons) s_.view.set_visible(button, false);
    set_outcome(VersionOutcome::Failed);
}

void VersionCheck::download_clicked(int n) {
    if (n < 1 || n > 3) return;
    const std::string address = s_.view.tag(kDownloadButtons[n - 1]);
    open_address(s_, address);
    const std::string password = download_password(n);
    if (!password.empty()) {
        s_.view.set_clipboard(password);
        s_.view.message_box(utf8_to_gbk("密码已复制"), utf8_to_gbk("提示"));
    }
    s_.pump();
    s_.view.close_window(Window::Version);
}

void VersionCheck::details_clicked() {
    const std::string address = s_.http_url(Host::VENDOR);
    s_.view.set_link_target(v::按钮_更新详情, address);
    open_address(s_, address);
}

VersionOutcome VersionCheck::outcome() const {
    std::lock_guard lock(mutex_);
    return outcome_;
}

std::string VersionCheck::download_address(int n) const {
    std::lock_guard lock(mutex_);
    return n >= 1 && n <= 3 ? addresses_[n - 1] : std::string();
}

std::string VersionCheck::download_password(int n) const {
    std::lock_guard lock(mutex_);
    return n >= 1 && n <= 3 ? passwords_[n - 1] : std::string();
}

void VersionCheck::say(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        message_ = text;
    }
    s_.view.set_caption(v::标签_提示, text);
}

std::string VersionCheck::message() const {
    std::lock_guard lock(mutex_);
    return message_;
}

void VersionCheck::set_outcome(VersionOutcome o) {
    std::lock_guard lock(mutex_);
    outcome_ = o;
}

}  // namespace quillet
