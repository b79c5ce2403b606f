#pragma once
// Sets environment variables for one test and puts the old values back.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/folders.h"

class EnvScope {
  public:
    EnvScope& set(const char* name, std::optional<std::string> value) {
        saved_.emplace_back(name, quillet::platform::env(name));
        quillet::platform::set_env(name, value);
        return *this;
    }
    ~EnvScope() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            quillet::platform::set_env(it->first, it->second);
    }

  private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};
