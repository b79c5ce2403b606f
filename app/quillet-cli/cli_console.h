#pragma once
// What quillet-cli's commands need of the console: whether an output goes to
// a terminal.
#include <cstdio>

namespace quillet {

// Whether the stream is a terminal.
bool is_terminal(std::FILE* stream);

}  // namespace quillet
