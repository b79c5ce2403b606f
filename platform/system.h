#pragma once
// Processor affinity and the local time of day.
#include <ctime>

namespace quillet::platform {

// Runs this process on its first processor only; false when refused.
bool restrict_to_first_processor();
// Whether this process runs as the superuser (always false on Windows, where
// an elevated user is still the user and the browser's sandbox still works).
bool running_as_root();
// The machine's local time for a moment (the zone from the system or TZ).
std::tm local_time(std::time_t t);

}  // namespace quillet::platform
