// Caller and helper-location authorization: before anything is deleted, prove that the
// parent process is the uninstaller named on the command line, that it is the installed
// uninstaller or the temporary NSIS copy, and that the helper runs from outside the
// installation under its own name.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/line_sink.h"
#include "platform/platform.h"
#include "platform/result.h"

namespace tu {

// A: data-entry profiles; B: processing and municipal precinct; C: senate precinct.
enum class AuthVariant { A, B, C };

// What the command line claims about the caller: --parent-pid, --parent-path, --uninstaller.
struct CallerClaim {
    std::optional<std::uint32_t> parent_pid;
    PStringView parent_path;
    std::string_view uninstaller;
};

Result<> authorize_caller(Platform& os, AuthVariant variant, PStringView install_dir, PStringView app_dir,
                          const CallerClaim& claim, const LineSink& log);

}  // namespace tu
