// The command line: the option table, the run request handed to the profiles and the
// fixed-value check.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/result.h"

namespace tu {

enum class Mode { Full, Selected };

// Which options a profile accepts.
enum class OptionColumn { data_entry, processing, municipal_precinct, senate_precinct };

struct RunRequest {
    Mode mode = Mode::Full;
    std::string app_kind;
    PString install_dir;
    std::string app_folder;
    std::string main_binary;
    std::string uninstaller;
    std::optional<PString> desktop;
    std::optional<PString> start_menu;
    std::string product_name;
    std::string bundle_id;
    std::optional<std::uint32_t> parent_pid;
    PString parent_path;
    std::vector<std::string> okrsky;  // precincts, in command-line order, duplicates kept
};

// Parses the arguments after the program name with the rules of the given column.
Result<RunRequest> parse_run_request(const std::vector<PString>& args, OptionColumn column);

// Fixed-value check: equal lengths, bytes equal with only A-Z folded onto a-z.
// Error: "unexpected value for {option}: expected {expected}, got {actual}".
Result<> expect_value(std::string_view option, std::string_view actual, std::string_view expected);

}  // namespace tu
