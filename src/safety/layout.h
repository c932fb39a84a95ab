// The install marker file and layout validation: prove that the folders named on the
// command line hold the installation about to be removed.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/line_sink.h"
#include "platform/platform.h"
#include "platform/result.h"
#include "safety/paths.h"

namespace tu {

// The marker's keys and values, each key once (its last value), in the order the keys first
// appear. A handful of keys: a list is all the lookup needs.
using Marker = std::vector<std::pair<std::string, std::string>>;

// The value of `key` (compared byte for byte), or null.
const std::string* marker_value(const Marker& marker, std::string_view key);

// A marker line that has no '=' (the strict generation refuses it); `line` is trimmed.
struct MarkerLineError {
    std::string line;
};

// Parses marker text (already known to be UTF-8). With reject_lines_without_equals false,
// such lines are ignored.
std::expected<Marker, MarkerLineError> parse_marker(std::string_view text, bool reject_lines_without_equals);

// The platform reports attributes and the path is neither a directory nor a link/junction.
bool is_a_file(Platform& os, PStringView path);

enum class Generation { lenient, strict };

struct LayoutCheck {
    Generation generation = Generation::lenient;
    std::string_view marker_name;           // e.g. ".lc-okrsek-install.meta"
    bool helper_rule = false;               // helper_binary compared ignoring ASCII case
    PString install_dir;                    // absolute
    PString app_dir;                        // install_dir joined with the --app-folder value
    PString main_exe;                       // app_dir joined with the --main-binary value
    PString uninstaller;                    // install_dir joined with the --uninstaller value
    std::string bundle_id;                  // expected marker values, from the command line
    std::string app_folder;
    std::string main_binary;
    std::string uninstaller_name;
};

// On success, the application folder as approved for its deletion (safety/paths.h): it
// was judged inside the installation at this check, and a later swap does not move it.
Result<ApprovedPath> validate_layout(Platform& os, const LayoutCheck& check, const LineSink& log);

}  // namespace tu
