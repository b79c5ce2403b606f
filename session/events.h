#pragma once
// The inbound half of the window port: what the user and the windows' life
// raise. A window implementation (Qt, or the recording view of the tests)
// reports these to the program's controllers, which dispatch each window's
// event table.
#include <string>

#include "session/controls.h"

namespace quillet {

enum class Event {
    Clicked,        // a button or menu item is activated
    LeftPressed,    // left mouse button down over the control
    LeftReleased,   // left mouse button up over the control
    DoubleClicked,  // a list row is double-clicked
    MouseMoved,     // over the control, or anywhere while it holds the capture
    GotFocus,
    LostFocus,
    SelectionChanged,  // list box or drop-down list, by the user
    NavigationComplete,
    DocumentLoaded,
    TabChanged,
};

struct EventArgs {
    int x = 0, y = 0;  // mouse events: the cursor relative to the control
    int index = -1;    // the selected item, row, tab or page browser
    // Whether the user caused the event. A window implementation reports
    // programmatic changes (select_index from a job) with false, or not at
    // all; handlers that start work ignore them.
    bool by_user = true;
    std::string text;  // navigation: the address reached (GBK)
};

enum class WindowEvent { Created, FirstActivated, BeingDestroyed, SizeChanged };

class EventSink {
  public:
    virtual ~EventSink() = default;
    // width and height for SizeChanged; 0 otherwise.
    virtual void window_event(Window w, WindowEvent e, int width = 0, int height = 0) = 0;
    virtual void control_event(Control c, Event e, const EventArgs& args = {}) = 0;
};

}  // namespace quillet
