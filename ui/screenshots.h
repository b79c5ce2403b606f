#pragma once
// A guided tour for pictures of every window and panel: once the main window
// has finished its initialisation it opens each panel as the user would (the
// same events a click raises), waits for its data, saves a picture, runs one
// one-click pass, then draws the notice (not otherwise open) and closes the
// main window. Used by the screenshot script through a hidden option. The
// windows that show web pages are left to the walkthrough script: their pages
// are drawn only on a display.
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "session/events.h"

class QWidget;

namespace quillet {

class QtView;

class ScreenshotTour : public QObject {
    Q_OBJECT
  public:
    ScreenshotTour(QtView& view, EventSink& sink, const std::string& folder);
    // Every picture was written.
    bool ok() const { return ok_; }

  private:
    struct Step {
        QString file;
        std::function<void()> act;
        std::function<bool()> ready;
    };
    void main_shown();
    void next();
    void save(QWidget* w, const QString& file);
    bool idle();

    QtView& view_;
    EventSink& sink_;
    QString folder_;
    std::vector<Step> steps_;
    size_t step_ = 0;
    int waited_ms_ = 0;
    bool ok_ = true;
};

}  // namespace quillet
