#pragma once
// One attempt of a claim pass as it is reported to whoever watches the pass
// (the claim ledger, the end-of-pass summary). Texts are GBK, as in the log.
#include <string>

namespace quillet {

struct ClaimAttempt {
    int index = 0;          // 1-based position of the entry in today's list
    int count = 0;          // entries in today's list
    std::string group;      // the entry's group title (t)
    std::string item;       // the item title (item_t)
    std::string protocol;   // "AMS", "TGP", "VIP" or "Qzone"
    bool answered = false;  // green in the log
    std::string code;       // the failure code when one is known; empty otherwise
    std::string message;    // the text after the attempt's prefix in the log line
};

}  // namespace quillet
