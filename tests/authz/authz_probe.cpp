// The caller check as the helper runs it, in a program of its own: started by a launcher
// that plays the uninstaller, it runs the real authorize_caller over the Win32 platform.
//
//   authz_probe VARIANT OUT OPTION VALUE ...
//
// VARIANT is A, B or C; the options are the helper's own (parsed by parse_run_request with
// the column of a profile that uses that variant). The check's log lines go to OUT, then
// "PASS" or "ERROR: {message}". Exit status: 0 passed, 1 refused, 2 the probe was misused.
#include <string>
#include <vector>

#include "app/run_log.h"
#include "cli/run_request.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "platform/win32/win32_platform.h"
#include "profiles/profiles.h"
#include "safety/authorize.h"
#include "safety/paths.h"

namespace {

struct VariantChoice {
    tu::AuthVariant variant;
    tu::OptionColumn column;
};

// Each variant with the option column of a profile that runs it.
bool choose(const tu::PString& name, VariantChoice& choice) {
    if (name == u"A") choice = {tu::AuthVariant::A, tu::OptionColumn::data_entry};
    else if (name == u"B") choice = {tu::AuthVariant::B, tu::OptionColumn::processing};
    else if (name == u"C") choice = {tu::AuthVariant::C, tu::OptionColumn::senate_precinct};
    else return false;
    return true;
}

}  // namespace

int wmain() {
    tu::Platform& os = tu::win32::platform();
    const std::vector<tu::PString> args = os.command_line();
    VariantChoice choice{};
    if (args.size() < 3 || !choose(args[1], choice)) return 2;
    const tu::PString& out = args[2];
    const tu::RunLog log(os, out, tu::LogWriter::create_dirs);

    const std::vector<tu::PString> options(args.begin() + 3, args.end());
    auto request = tu::parse_run_request(options, choice.column);
    if (!request) {
        log.line("PROBE ERROR: " + request.error());
        return 2;
    }
    // The install and application directories as the profiles build them.
    auto install_dir = tu::make_absolute(os, request->install_dir);
    if (!install_dir) {
        log.line("PROBE ERROR: " + install_dir.error());
        return 2;
    }
    const tu::PString app_dir = tu::winpath::join(*install_dir, tu::to_utf16(request->app_folder));

    auto verdict = tu::authorize_caller(os, choice.variant, *install_dir, app_dir, tu::claim_of(*request), log);
    if (!verdict) {
        log.line("ERROR: " + verdict.error());
        return 1;
    }
    log.line("PASS");
    return 0;
}
