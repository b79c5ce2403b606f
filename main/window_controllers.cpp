// The event tables of VersionWindow, LoginWindow, ActivityBrowserWindow and
// NoticeWindow.
#include "main/login.h"
#include "main/window_controllers.h"
#include "session/session.h"
#include "vendor_services/activity_browser.h"

namespace quillet {

namespace {
namespace v = ctl::version;
}

void VersionWindowController::created() {
    p_.version.window_created();
}

void VersionWindowController::being_destroyed() {
    // A check still waiting for the server is told to stop; the window loop
    // waits for it.
    p_.request_stop();
}

bool VersionWindowController::on(Control c, Event e, const EventArgs&) {
    if (c == v::按钮_重试 && e == Event::Clicked) {
        p_.version.start();
        return true;
    }
    const Control downloads[] = {v::按钮_下载1, v::按钮_下载2, v::按钮_下载3};
    for (int n = 1; n <= 3; ++n) {
        if (c == downloads[n - 1] && e == Event::Clicked) {
            p_.version.download_clicked(n);
            return true;
        }
    }
    if (c == v::按钮_更新详情 && e == Event::LeftReleased) {
        p_.version.details_clicked();
        return true;
    }
    return false;
}

void LoginWindowController::created() {
    open_ = true;
    if (p_.login_browser) reset_login_page(p_.s, *p_.login_browser);
}

void LoginWindowController::being_destroyed() {
    // The browser goes with the window: nothing navigates it any more.
    open_ = false;
}

bool LoginWindowController::on(Control c, Event e, const EventArgs&) {
    if (c == ctl::login::超文本浏览框 && e == Event::NavigationComplete) {
        if (open_ && p_.login_browser) on_login_navigation(p_.s, *p_.login_browser);
        return true;
    }
    return false;
}

void ActivityBrowserWindowController::created() {
    if (p_.activity_browser) p_.activity_browser->window_created();
}

void ActivityBrowserWindowController::size_changed(int width, int height) {
    if (p_.activity_browser) p_.activity_browser->size_changed(width, height);
}

bool ActivityBrowserWindowController::on(Control c, Event e, const EventArgs& args) {
    if (!p_.activity_browser) return false;
    if (c == ctl::browser::选择夹 && e == Event::TabChanged) {
        p_.activity_browser->tab_changed();
        return true;
    }
    if (c == ctl::browser::超文本浏览框 && e == Event::DocumentLoaded) {
        p_.activity_browser->clean_up_page(args.index);
        return true;
    }
    return false;
}

void NoticeWindowController::created() {
    p_.scroll.notice_created(p_.s);
}

bool NoticeWindowController::on(Control c, Event e, const EventArgs&) {
    namespace n = ctl::notice;
    if ((c == n::标签_标题 || c == n::标签_内容 || c == n::超级链接框_查看详情) &&
        e == Event::LeftReleased) {
        p_.scroll.notice_clicked(p_.s);
        return true;
    }
    return false;
}

}  // namespace quillet
