// The processing applications "LCsumar", "UHsumar.K1" and "UHsumar.K2", always installed
// below the fixed root C:\Tarvo. Its log is named like the municipal precinct application's,
// and starts with the folder it removes.
//
// It reads no install marker: the fixed root, the folder and executable named by the
// dispatch table, and the presence of that executable are its proof of the layout.
#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"
#include "removal/remove.h"
#include "removal/shortcuts.h"
#include "safety/authorize.h"
#include "safety/fixed_names.h"
#include "safety/paths.h"

namespace tu {
namespace {

constexpr PStringView install_root = u"C:\\Tarvo";

}  // namespace

Result<> run_processing(Platform& os, const std::vector<PString>& args, const LineSink& log, std::string_view folder,
                        std::string_view executable) {
    log.line("profile=sumar folder=" + std::string(folder));
    // The mode first: this profile knows no selected mode at all.
    const auto opened = open_run(
        os, args, OptionColumn::processing,
        [folder, executable](const RunRequest& request) -> Result<std::string> {
            if (request.mode == Mode::Selected) return fail("sumar profile supports full mode only");
            if (auto ok = expect_value("--app-kind", request.app_kind, "sumar"); !ok) return fail(ok.error());
            if (auto ok = expect_value("--app-folder", request.app_folder, folder); !ok) return fail(ok.error());
            if (auto ok = expect_value("--main-binary", request.main_binary, executable); !ok) return fail(ok.error());
            if (auto ok = expect_value("--uninstaller", request.uninstaller, fixed_names::uninstaller); !ok)
                return fail(ok.error());
            return std::string();
        },
        log);
    if (!opened) return fail(opened.error());
    const RunRequest& request = opened->request;

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

    if (auto ok = authorize_caller(os, AuthVariant::B, *install_dir, app_dir, claim_of(request), log); !ok) return ok;
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

}  // namespace tu
