#include <windows.h>

#include <iostream>

#include "platform/console.h"
#include "platform/wide_windows.h"

namespace quillet::platform {

namespace {

HANDLE handle_of(Stream s) {
    return GetStdHandle(s == Stream::In    ? STD_INPUT_HANDLE
                        : s == Stream::Out ? STD_OUTPUT_HANDLE
                                           : STD_ERROR_HANDLE);
}

}  // namespace

bool is_terminal(Stream s) {
    DWORD mode = 0;
    const HANDLE h = handle_of(s);
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

bool prepare_console() {
    SetConsoleOutputCP(CP_UTF8);
    bool colours = true;
    for (Stream s : {Stream::Out, Stream::Err}) {
        DWORD mode = 0;
        const HANDLE h = handle_of(s);
        if (!GetConsoleMode(h, &mode)) continue;  // a file or a pipe: no escapes are written
        if (!SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) colours = false;
    }
    return colours;
}

std::optional<std::string> read_line(const std::function<bool()>& give_up) {
    const HANDLE in = handle_of(Stream::In);
    DWORD mode = 0;
    if (!GetConsoleMode(in, &mode)) {
        // A file or a pipe: bytes as they are.
        std::string line;
        if (!std::getline(std::cin, line)) return std::nullopt;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    std::wstring line;
    wchar_t c = 0;
    DWORD n = 0;
    bool any = false;
    // Ctrl-C ends a console read at once; give_up then tells whether it was
    // meant to stop the command.
    while (ReadConsoleW(in, &c, 1, &n, nullptr) && n == 1) {
        if (give_up && give_up()) return std::nullopt;
        any = true;
        if (c == L'\n') break;
        if (c != L'\r') line += c;
    }
    if (!any) return std::nullopt;
    return utf8_of(line);
}

}  // namespace quillet::platform
