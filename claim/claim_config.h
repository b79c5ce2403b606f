#pragma once
// The claim engine's small state besides the catalogue: the configuration file
// with the two priority settings of the configuration panel, and the message
// clean-up list, both set up when the main window is created.
#include "claim/message_cleaner.h"

namespace quillet {

struct Session;

// Main-window creation: fixes the configuration file's path (the one given at
// start, else quillet.cfg beside the program, else the user's configuration
// folder when the program's folder cannot be written) and fills the cleaner.
void prepare_claim_engine(Session& s, MessageCleaner& cleaner);

// After the configuration panel is shown: selects the stored mode and item
// class in their drop-down lists (defaults "0"; a stored value that is not
// in its list changes nothing).
void load_config_panel(Session& s);
// 按钮_配置_保存: stores both selections (-1 for none) and returns to the log.
// A write that fails is silent.
void save_config_panel(Session& s);

}  // namespace quillet
