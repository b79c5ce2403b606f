#pragma once
// For the start-up benchmark: prints "painted" on the standard output when
// the version window has been painted once, then closes it.
namespace quillet {

class QtView;

void close_version_window_after_first_paint(QtView& view);

}  // namespace quillet
