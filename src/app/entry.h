// The process itself: finds the application folder, selects the profile, prepares the run
// log, runs the profile and turns its outcome into the exit status.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/result.h"

namespace tu {

namespace exit_status {
inline constexpr int success = 0;
inline constexpr int profile_failed = 1;  // precinct and processing profiles
inline constexpr int refused = 2;         // no usable --app-folder; failed data-entry profile
}  // namespace exit_status

// A data-entry or precinct profile: (arguments after the program name, log path).
using ProfileRun = std::function<Result<>(Platform&, const std::vector<PString>&, const PString&)>;
// The processing profile: (folder, executable) -> the exit status it ends the process with.
using ProcessingRun = std::function<int(Platform&, std::string_view folder, std::string_view executable)>;

// The profiles the entry dispatches to; tests pass their own.
struct Profiles {
    ProfileRun municipal_precinct;   // "LCKaptaO"
    ProfileRun senate_precinct;      // "UHKaptaO.K1", "UHKaptaO.K2"
    ProfileRun municipal_data_entry; // "LCkapta"
    ProfileRun senate_data_entry;    // "UHKapta.K1", "UHKapta.K2"
    ProcessingRun processing;        // "LCsumar", "UHsumar.K1", "UHsumar.K2"
};

// Runs the whole process and returns the exit status (the caller ends the process with it).
int run_entry(Platform& os, const Profiles& profiles);

// The arguments after the program name.
std::vector<PString> process_arguments(Platform& os);

// Moves the current directory into the temporary directory and returns it as read back.
Result<PString> switch_working_directory(Platform& os);

}  // namespace tu
