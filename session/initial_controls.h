#pragma once
// The state each control of a window shows when the window is loaded: caption,
// visibility, enabled state, text colour, position and size, list items.
// Captions are GBK. Controls left out start as an empty, visible, enabled
// control with black text.
#include <utility>
#include <vector>

#include "session/memory_view.h"

namespace quillet {

std::vector<std::pair<Control, ControlState>> initial_controls(Window w);

}  // namespace quillet
