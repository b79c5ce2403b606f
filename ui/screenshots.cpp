#include "ui/screenshots.h"

#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "ui/form_window.h"
#include "ui/qt_view.h"

namespace quillet {

namespace {

constexpr int kPollMs = 100;
constexpr int kStepTimeoutMs = 20000;

}  // namespace

ScreenshotTour::ScreenshotTour(QtView& view, EventSink& sink, const std::string& folder)
    : view_(view), sink_(sink), folder_(QString::fromStdString(folder)) {
    QDir().mkpath(folder_);
    // Addresses and boxes are answered here, never handed to the desktop.
    view_.set_box_hooks(BoxHooks::answered_at_once());
    view_.set_shown_hook([this](Window w, FormWindow* f) {
        if (w == Window::Version) save(f, QStringLiteral("version.png"));
        if (w == Window::Main) main_shown();
    });
}

bool ScreenshotTour::idle() {
    // The initialisation and every locked job end by enabling this button.
    return view_.enabled(ctl::main::按钮_更换账号);
}

void ScreenshotTour::save(QWidget* w, const QString& file) {
    if (!w) {
        ok_ = false;
        return;
    }
    const QString path = folder_ + QLatin1Char('/') + file;
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "quillet: cannot write %s\n", path.toUtf8().constData());
        ok_ = false;
    }
}

void ScreenshotTour::main_shown() {
    const auto panel_visible = [this](Control panel) {
        return [this, panel] { return idle() && view_.visible(panel); };
    };
    const auto click = [this](Control c) {
        return [this, c] { sink_.control_event(c, Event::Clicked); };
    };
    const auto release = [this](Control c) {
        return [this, c] { sink_.control_event(c, Event::LeftReleased); };
    };
    const auto back = [this](Control button) {
        return Step{QString(), [this, button] { sink_.control_event(button, Event::Clicked); },
                    [this] { return idle(); }};
    };
    using namespace ctl::main;
    steps_ = {
        {QStringLiteral("main.png"), [] {}, [this] { return idle(); }},
        {QStringLiteral("panel-activities.png"), click(ctl::menu::活动列表),
         panel_visible(外形框_活动列表)},
        back(按钮_活动列表返回日志),
        {QStringLiteral("panel-spend.png"), click(ctl::menu::消费记录),
         panel_visible(外形框_消费列表)},
        back(按钮_消费记录返回日志),
        {QStringLiteral("panel-assets.png"), click(ctl::menu::我的资产),
         panel_visible(外形框_我的资产)},
        back(按钮_我的资产返回日志),
        {QStringLiteral("panel-stats.png"), click(ctl::menu::战绩查询), panel_visible(外形框_战绩)},
        back(按钮_战绩返回日志),
        {QStringLiteral("panel-vouchers.png"), click(ctl::menu::月券聚豆),
         panel_visible(外形框_月券)},
        back(按钮_月券返回日志),
        {QStringLiteral("panel-config.png"), click(ctl::menu::助手配置),
         panel_visible(外形框_配置)},
        back(按钮_配置返回日志),
        {QStringLiteral("panel-cdk.png"), release(超级链接框_CDK兑换),
         panel_visible(外形框_CDK兑换)},
        back(按钮_CDK兑换返回日志),
        {QStringLiteral("panel-support.png"), release(超级链接框_支持), panel_visible(外形框_支持)},
        back(按钮_支持返回日志),
        {QStringLiteral("main-claimed.png"), click(按钮_一键领取), [this] { return idle(); }},
    };
    step_ = 0;
    waited_ms_ = 0;
    // Give the window its first paint and the start-up jobs their time.
    QTimer::singleShot(kPollMs, this, [this] { next(); });
}

void ScreenshotTour::next() {
    FormWindow* main = view_.form(Window::Main);
    if (!main) return;  // closed by someone else
    if (step_ < steps_.size()) {
        Step& s = steps_[step_];
        if (waited_ms_ == 0 && s.act) s.act();
        // A job started by the step first locks the window: wait a poll
        // before asking whether it is done.
        if ((waited_ms_ == 0 || !s.ready()) && waited_ms_ < kStepTimeoutMs) {
            waited_ms_ += kPollMs;
            QTimer::singleShot(kPollMs, this, [this] { next(); });
            return;
        }
        if (waited_ms_ >= kStepTimeoutMs) {
            std::fprintf(stderr, "quillet: screenshot step %zu timed out\n", step_);
            ok_ = false;
        }
        if (!s.file.isEmpty()) save(main, s.file);
        ++step_;
        waited_ms_ = 0;
        QTimer::singleShot(0, this, [this] { next(); });
        return;
    }
    // The two menus, drawn as they pop up.
    for (auto [menu, file] : {std::pair{ctl::menu::quillet, QStringLiteral("menu-quillet.png")},
                              std::pair{ctl::menu::manual, QStringLiteral("menu-manual.png")}}) {
        if (QMenu* m = view_.menu(menu)) {
            m->popup(main->mapToGlobal(QPoint(0, 0)));
            save(m, file);
            m->hide();
        }
    }
    // The notice, not open now, drawn in its initial state. The login window
    // and the activity browser show web pages, which are drawn only on a
    // display: scripts/walkthrough takes their pictures.
    FormWindow notice(Window::Notice, view_, false);
    save(&notice, QStringLiteral("notice.png"));
    view_.close_window(Window::Main);
}

}  // namespace quillet
