// The processing applications "LCsumar", "UHsumar.K1" and "UHsumar.K2", always installed
// below the fixed root C:\Tarvo. This profile owns the rest of the process: it starts its own
// run log, writes its own error line and returns the status the process ends with.
//
// It reads no install marker: the fixed root, the folder and executable named by the
// dispatch table, and the presence of that executable are its proof of the layout.
#include "app/entry.h"
#include "app/run_log.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"
#include "removal/remove.h"
#include "removal/shortcuts.h"
#include "safety/authorize.h"
#include "safety/paths.h"

namespace tu {
namespace {

constexpr PStringView install_root = u"C:\\Tarvo";

// The whole removal after the log has been started; the first error ends it.
Result<> remove_processing_app(Platform& os, const std::vector<PString>& args, std::string_view folder,
                               std::string_view executable, const RunLog& log) {
    // Hold no folder of the installation open as the working directory while it goes.
    const auto working_dir = switch_working_directory(os);
    if (!working_dir) return fail(working_dir.error());
    log.line("working_dir=" + to_utf8(*working_dir));

    const auto parsed = parse_run_request(args, OptionColumn::processing);
    if (!parsed) return fail(parsed.error());
    const RunRequest& request = *parsed;

    if (request.mode == Mode::Selected) return fail("sumar profile supports full mode only");
    if (auto ok = expect_value("--app-kind", request.app_kind, "sumar"); !ok) return ok;
    if (auto ok = expect_value("--app-folder", request.app_folder, folder); !ok) return ok;
    if (auto ok = expect_value("--main-binary", request.main_binary, executable); !ok) return ok;
    if (auto ok = expect_value("--uninstaller", request.uninstaller, "Zudeded2026.exe"); !ok) return ok;

    // A relative --install-dir resolves against the temporary directory by now.
    const auto install_dir = make_absolute(os, request.install_dir);
    if (!install_dir) return fail(install_dir.error());
    const auto root = make_absolute(os, install_root);
    if (!root) return fail(root.error());
    const auto at_root = same_path(os, *install_dir, *root);
    if (!at_root) return fail(at_root.error());
    if (!*at_root) return fail("sumar install root must be C:\\Tarvo, got " + to_utf8(*install_dir));

    // Built from the dispatch table's spelling, not from the option as typed.
    const PString app_dir = winpath::join(*install_dir, to_utf16(folder));
    const PString main_exe = winpath::join(app_dir, to_utf16(executable));
    const auto approved_app = ensure_within(os, *install_dir, app_dir);
    if (!approved_app) return fail(approved_app.error());
    const auto app_is_root = same_path(os, *install_dir, app_dir);
    if (!app_is_root) return fail(app_is_root.error());
    if (*app_is_root) return fail("application directory must not equal install root");
    const auto main_info = os.file_info(main_exe, true);
    if (!main_info || !main_info->regular_file()) return fail("main executable is missing: " + to_utf8(main_exe));

    if (auto ok = authorize_caller(os, AuthVariant::B, *install_dir, app_dir, request, log); !ok) return ok;
    const auto start_menu_folder = approve_start_menu(os, request.start_menu, *install_dir);
    if (!start_menu_folder) return fail(start_menu_folder.error());

    // Nothing has been touched up to here. Shortcuts go first, while the main executable
    // still exists for the target comparison.
    if (request.desktop) {
        if (auto ok = scan_shortcut_dir(os, *request.desktop, main_exe, log); !ok) return ok;
    }
    if (request.start_menu) {
        if (auto ok = scan_shortcut_dir(os, *request.start_menu, main_exe, log); !ok) return ok;
        // Shortcuts placed directly in the folder above the application's start-menu folder.
        if (const auto above = folder_above_start_menu(*request.start_menu)) {
            if (auto ok = scan_shortcut_dir(os, *above, main_exe, log); !ok) return ok;
        }
    }

    if (auto ok = remove_tree(os, *approved_app, log, Flavour::logged); !ok) return ok;
    return remove_start_menu_if_empty(os, *start_menu_folder, log, Flavour::logged, true);
}

}  // namespace

int run_processing(Platform& os, std::string_view folder, std::string_view executable) {
    const std::vector<PString> args = process_arguments(os);
    if (args.empty()) return exit_status::refused;

    // Named like the municipal precinct application's logs.
    const PString log_path = precinct_log_path(os, args, municipal_log_prefix);
    start_log_file(os, log_path);
    const RunLog log(os, log_path, LogWriter::create_dirs);
    log.line("profile=sumar folder=" + std::string(folder));

    if (auto ok = remove_processing_app(os, args, folder, executable, log); !ok) {
        log.line("ERROR: " + ok.error());
        return exit_status::profile_failed;
    }
    return exit_status::success;
}

}  // namespace tu
