#include "session/session_state.h"

#include <algorithm>

namespace quillet {

bool BoundIds::contains(const std::string& id) const {
    std::lock_guard lock(mutex_);
    return std::find(ids_.begin(), ids_.end(), id) != ids_.end();
}

void BoundIds::add(const std::string& id) {
    std::lock_guard lock(mutex_);
    if (std::find(ids_.begin(), ids_.end(), id) == ids_.end()) ids_.push_back(id);
}

std::vector<std::string> BoundIds::snapshot() const {
    std::lock_guard lock(mutex_);
    return ids_;
}

}  // namespace quillet
