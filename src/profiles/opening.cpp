// What every profile does first, before it looks at the installation.
#include "platform/error_text.h"
#include "platform/text.h"
#include "profiles/profiles.h"

namespace tu {

Result<PString> switch_working_directory(Platform& os) {
    // The current directory moves out of the installation, so that this process holds none
    // of its folders open while they are deleted. Relative paths from the command line are
    // resolved against the new directory from here on.
    const auto temp = os.temp_dir();
    if (!temp) return fail("failed to read temporary directory: " + os_error_text(os, temp.error()));
    if (const auto set = os.set_current_dir(*temp); !set)
        return fail("failed to switch helper working directory to " + to_utf8(*temp) + ": " +
                    os_error_text(os, set.error()));
    auto now = os.current_dir();
    if (!now) return fail("failed to read helper working directory: " + os_error_text(os, now.error()));
    return std::move(*now);
}

Result<Opening> open_run(Platform& os, const std::vector<PString>& args, OptionColumn column,
                         const FixedValueCheck& check_fixed_values, const LineSink& log) {
    const auto working_dir = switch_working_directory(os);
    if (!working_dir) return fail(working_dir.error());
    log.line("working_dir=" + to_utf8(*working_dir));

    auto request = parse_run_request(args, column);
    if (!request) return fail(std::move(request.error()));
    auto found = check_fixed_values(*request);
    if (!found) return fail(std::move(found.error()));
    return Opening{std::move(*request), std::move(*found)};
}

CallerClaim claim_of(const RunRequest& request) {
    return CallerClaim{request.parent_pid, request.parent_path, request.uninstaller};
}

}  // namespace tu
