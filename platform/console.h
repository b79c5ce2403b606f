#pragma once
// The console the program was started from.
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
// One line from standard input without its line end; nullopt at its end. A
// Windows console gives UTF-16, returned as UTF-8.
std::optional<std::string> read_line();

}  // namespace quillet::platform
