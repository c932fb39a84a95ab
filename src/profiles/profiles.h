// The five profiles, one per application family.
#pragma once

#include <string_view>
#include <vector>

#include "app/entry.h"
#include "platform/platform.h"
#include "platform/result.h"

namespace tu {

Result<> run_municipal_data_entry(Platform& os, const std::vector<PString>& args, const PString& log_path);
Result<> run_senate_data_entry(Platform& os, const std::vector<PString>& args, const PString& log_path);
Result<> run_municipal_precinct(Platform& os, const std::vector<PString>& args, const PString& log_path);
Result<> run_senate_precinct(Platform& os, const std::vector<PString>& args, const PString& log_path);
// Owns the rest of the process; returns the status to end it with.
int run_processing(Platform& os, std::string_view folder, std::string_view executable);

// The table of real profiles for the entry.
Profiles real_profiles();

}  // namespace tu
