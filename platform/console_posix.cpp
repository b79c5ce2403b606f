#include <poll.h>
#include <unistd.h>

#include <cerrno>

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

std::optional<std::string> read_line(const std::function<bool()>& give_up) {
    // Byte by byte, so that nothing past the line is taken, and in short
    // waits, so that the caller can give up (a signal asked to stop).
    std::string line;
    for (;;) {
        if (give_up && give_up()) return std::nullopt;
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&in, 1, 100);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        char ch = 0;
        const ssize_t n = ::read(STDIN_FILENO, &ch, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 && line.empty()) return std::nullopt;
        if (n <= 0 || ch == '\n') break;
        if (line.size() < 4096) line += ch;
    }
    return line;
}

}  // namespace quillet::platform
