// Caller and helper-location authorization: before anything is deleted, prove that the
// parent process is the uninstaller named on the command line, that it is the installed
// uninstaller or the temporary NSIS copy, and that the helper runs from outside the
// installation under its own name.
#pragma once

#include "app/run_log.h"
#include "cli/run_request.h"
#include "platform/platform.h"
#include "platform/result.h"

namespace tu {

// A: data-entry profiles; B: processing and municipal precinct; C: senate precinct.
enum class AuthVariant { A, B, C };

Result<> authorize_caller(Platform& os, AuthVariant variant, PStringView install_dir, PStringView app_dir,
                          const RunRequest& request, const RunLog& log);

}  // namespace tu
