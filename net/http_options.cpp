#include <algorithm>

#include "net/http_client.h"
#include "text/ini_file.h"
#include "text/text_ops.h"

namespace quillet {

void load_network_settings(HttpOptions& options, const IniFile& config) {
    auto read = [&](const char* key, int& value) {
        std::string text = trim(config.read("net", key));
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return;
        value =
            static_cast<int>(std::max<int64_t>(100, std::min<int64_t>(int_of_text(text), 600000)));
    };
    read("connect_timeout_ms", options.connect_timeout_ms);
    read("stall_timeout_ms", options.stall_timeout_ms);
    // The certificates to trust instead of the system's (a loopback
    // simulator's, a company's TLS proxy).
    if (std::string ca = trim(config.read("net", "ca_file")); !ca.empty()) options.ca_file = ca;
}

}  // namespace quillet
