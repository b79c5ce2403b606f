#pragma once
// The console the program was started from.
#include <functional>
#include <optional>
#include <string>

namespace quillet::platform {

enum class Stream { In, Out, Err };

// Whether the stream is an interactive terminal (not a file or a pipe).
bool is_terminal(Stream s);
// Gets the console ready for our output: UTF-8, and colour escapes understood
// (Windows: the UTF-8 code page and virtual terminal processing; a POSIX
// terminal needs nothing). false when colours cannot be shown.
bool prepare_console();
// One line from standard input without its line end; nullopt at its end, or
// once give_up says so (asked about ten times a second while nothing comes).
// Nothing past the line is taken from the input. A Windows console gives
// UTF-16, returned as UTF-8.
std::optional<std::string> read_line(const std::function<bool()>& give_up = {});

}  // namespace quillet::platform
