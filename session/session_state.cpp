#include "session/session_state.h"

#include <algorithm>

namespace quillet {

bool BoundIds::contains(const std::string& qq, const std::string& id, int32_t area) const {
    std::lock_guard lock(mutex_);
    return std::find(bindings_.begin(), bindings_.end(), Binding{qq, id, area}) != bindings_.end();
}

bool BoundIds::contains_any_area(const std::string& qq, const std::string& id) const {
    std::lock_guard lock(mutex_);
    return std::any_of(bindings_.begin(), bindings_.end(),
                       [&](const Binding& b) { return b.qq == qq && b.id == id; });
}

void BoundIds::add(const std::string& qq, const std::string& id, int32_t area) {
    std::lock_guard lock(mutex_);
    Binding b{qq, id, area};
    if (std::find(bindings_.begin(), bindings_.end(), b) == bindings_.end())
        bindings_.push_back(std::move(b));
}

}  // namespace quillet
