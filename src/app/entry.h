// The process itself: finds the application folder, selects the profile, and runs it in its
// frame: the run log chosen and started, the outcome written and turned into the exit status.
#pragma once

#include <vector>

#include "platform/platform.h"
#include "profiles/profiles.h"

namespace tu {

namespace exit_status {
inline constexpr int success = 0;
inline constexpr int profile_failed = 1;  // precinct and processing profiles
inline constexpr int refused = 2;         // no usable --app-folder; failed data-entry profile
}  // namespace exit_status

// Runs the whole process and returns the exit status (the caller ends the process with it).
int run_entry(Platform& os, const Profiles& profiles);

// The arguments after the program name.
std::vector<PString> process_arguments(Platform& os);

}  // namespace tu
