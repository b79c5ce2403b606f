#include <windows.h>

#include "platform/system.h"

namespace quillet::platform {

bool restrict_to_first_processor() {
    return SetProcessAffinityMask(GetCurrentProcess(), 1) != 0;
}

bool running_as_root() {
    return false;
}

std::tm local_time(std::time_t t) {
    std::tm local{};
    localtime_s(&local, &t);
    return local;
}

}  // namespace quillet::platform
