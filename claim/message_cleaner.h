#pragma once
// The clean-up list that shortens the publisher's claim messages before they
// reach the log: an ordered list of phrases, each removed wherever it occurs.
// Filled once when the main window is created, read by the claim workers.
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class MessageCleaner {
  public:
    // Splits text at every CR LF; the pieces become the new list.
    void set_phrases(std::string_view text);
    void clear() { phrases_.clear(); }
    // Removes every occurrence of each phrase, phrase by phrase in list order.
    std::string clean(std::string_view text) const;
    const std::vector<std::string>& phrases() const { return phrases_; }

    // The program's 19 phrases, joined by CR LF (GBK).
    static std::string default_phrases();

  private:
    std::vector<std::string> phrases_;
};

// cleaner.clean(text), the name the claim protocols use.
inline std::string clean_message(const MessageCleaner& cleaner, std::string_view text) {
    return cleaner.clean(text);
}

}  // namespace quillet
