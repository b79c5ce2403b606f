#include "ui/first_paint.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <cstdio>

#include "ui/form_window.h"
#include "ui/qt_view.h"

namespace quillet {

namespace {

class FirstPaint : public QObject {
  public:
    FirstPaint(QtView& view, QObject* parent) : QObject(parent), view_(view) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // The benchmark stops its clock at this line.
            std::fputs("painted\n", stdout);
            std::fflush(stdout);
            // Close once this paint has been delivered.
            QTimer::singleShot(0, &view_, [v = &view_] { v->close_window(Window::Version); });
        }
        return QObject::eventFilter(watched, e);
    }

  private:
    QtView& view_;
    bool seen_ = false;
};

}  // namespace

void close_version_window_after_first_paint(QtView& view) {
    view.set_shown_hook([&view](Window w, FormWindow* f) {
        if (w == Window::Version) f->installEventFilter(new FirstPaint(view, f));
    });
}

}  // namespace quillet
