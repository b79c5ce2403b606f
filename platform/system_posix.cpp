#include <sched.h>
#include <unistd.h>

#include "platform/system.h"

namespace quillet::platform {

bool restrict_to_first_processor() {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(0, &set);
    return sched_setaffinity(0, sizeof set, &set) == 0;
}

bool running_as_root() {
    return ::geteuid() == 0;
}

std::tm local_time(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

}  // namespace quillet::platform
