#pragma once
// The few socket calls the simulator makes itself, alike on POSIX sockets and
// on Winsock. The server library brings the system's socket headers and
// socket_t.
#include <httplib.h>

#include <cstddef>
#ifndef _WIN32
#include <poll.h>
#endif

namespace quillet::sandbox::socket_io {

#ifdef _WIN32
constexpr int kShutBoth = SD_BOTH;
// Winsock must be started once per process before any socket is made.
inline void start() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
inline int poll_one(socket_t s, short events, int timeout_ms) {
    WSAPOLLFD p{s, events, 0};
    return WSAPoll(&p, 1, timeout_ms);
}
inline void close(socket_t s) {
    ::closesocket(s);
}
inline long long send(socket_t s, const char* data, size_t size) {
    return ::send(s, data, static_cast<int>(size), 0);
}
inline long long recv(socket_t s, char* data, size_t size) {
    return ::recv(s, data, static_cast<int>(size), 0);
}
#else
constexpr int kShutBoth = SHUT_RDWR;
inline void start() {}
inline int poll_one(socket_t s, short events, int timeout_ms) {
    pollfd p{s, events, 0};
    return ::poll(&p, 1, timeout_ms);
}
inline void close(socket_t s) {
    ::close(s);
}
inline long long send(socket_t s, const char* data, size_t size) {
    return ::send(s, data, size, MSG_NOSIGNAL);
}
inline long long recv(socket_t s, char* data, size_t size) {
    return ::recv(s, data, size, 0);
}
#endif

inline void set_option(socket_t s, int level, int name, int value) {
    ::setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value);
}
// The next close sends a reset instead of an orderly end.
inline void reset_on_close(socket_t s) {
    linger l{1, 0};
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
}

}  // namespace quillet::sandbox::socket_io
