#include <unistd.h>

#include <iostream>

#include "platform/console.h"

namespace quillet::platform {

bool is_terminal(Stream s) {
    const int fd = s == Stream::In    ? STDIN_FILENO
                   : s == Stream::Out ? STDOUT_FILENO
                                      : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

bool prepare_console() {
    return true;
}

std::optional<std::string> read_line() {
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return line;
}

}  // namespace quillet::platform
