#include "claim/claim_config.h"

#include "session/config_location.h"
#include "session/session.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

constexpr const char* kSection = "config";

void load_choice(Session& s, Control combo, const char* key) {
    const int64_t stored = int_of_text(s.config.read(kSection, key, "0"));
    if (stored < 0 || stored > 0x7fffffff) return;
    const int index = static_cast<int>(stored);
    // The stored value names both the position and the item value.
    if (index < s.view.item_count(combo) && s.view.item_value(combo, index) == stored)
        s.view.select_index(combo, index);
}

void save_choice(Session& s, Control combo, const char* key) {
    const int index = s.view.selected_index(combo);
    const int64_t value = index < 0 ? -1 : s.view.item_value(combo, index);
    s.config.write(kSection, key, std::to_string(value));
}

}  // namespace

void prepare_claim_engine(Session& s, MessageCleaner& cleaner) {
    if (s.config.path().empty()) s.config.set_path(default_config_path());
    s.state.config_path = s.config.path().string();
    cleaner.set_phrases(MessageCleaner::default_phrases());
}

void load_config_panel(Session& s) {
    load_choice(s, ctl::main::组合框_配置_优先模式, "model");
    load_choice(s, ctl::main::组合框_配置_优先道具, "prop");
}

void save_config_panel(Session& s) {
    save_choice(s, ctl::main::组合框_配置_优先模式, "model");
    save_choice(s, ctl::main::组合框_配置_优先道具, "prop");
    return_to_log(s, ctl::main::外形框_配置);
}

}  // namespace quillet
