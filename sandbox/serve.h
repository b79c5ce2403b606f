#pragma once
// Serving the simulator from a command line until the user stops it.
#include <filesystem>
#include <string>

namespace quillet::sandbox {

struct ServeOptions {
    int port = 0;  // 0: a free port
    std::filesystem::path scenario;
    std::string cookie_file;  // where to write the demo account's cookies (optional)
    int tls_port = -1;        // the HTTPS listener of the login page: -1 none, 0 a free port
    bool json = false;        // what it prints as one JSON object per line
};

// Serves on 127.0.0.1 until SIGINT or SIGTERM, printing where it listens and
// how to point quillet-cli at it. Returns the process exit status.
int serve_until_stopped(const ServeOptions& options);

}  // namespace quillet::sandbox
