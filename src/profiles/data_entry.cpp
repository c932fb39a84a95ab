// The removal that the two data-entry applications share. One run removes exactly one
// application folder below the install directory, the shortcuts that still point at it or at
// the shared uninstaller, and the start-menu folder once it is empty. The install directory,
// the uninstaller in it, the logs folder and every neighbouring application stay.
//
// The run frame writes every line with the writer that creates no folders: it made the log
// folder once, and a data-entry run must never recreate a folder inside an installation that
// it is in the middle of deleting.
#include <array>

#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"
#include "removal/remove.h"
#include "removal/shortcuts.h"
#include "safety/authorize.h"
#include "safety/layout.h"
#include "safety/paths.h"

namespace tu {

Result<> run_data_entry(Platform& os, const std::vector<PString>& args, const LineSink& log, const DataEntryApp& app) {
    const auto opened = open_run(os, args, OptionColumn::data_entry, app.check_fixed_values, log);
    if (!opened) return fail(opened.error());
    const RunRequest& request = opened->request;
    const std::string& own_shortcut = opened->found;

    if (request.mode == Mode::Selected) return fail("selected mode is not supported by the PM helper");

    const auto located = locate_installation(os, request);
    if (!located) return fail(located.error());
    const auto& [install_root, app_dir, main_exe, uninstaller_path] = *located;
    log.line("install_dir=" + to_utf8(install_root));
    log.line("app_dir=" + to_utf8(app_dir));

    if (auto ok = authorize_caller(os, AuthVariant::A, install_root, app_dir, claim_of(request), log); !ok) return ok;
    const LayoutCheck layout = layout_check(*located, request, Generation::lenient, app.marker_name, false);
    const auto approved_app = validate_layout(os, layout, log);
    if (!approved_app) return fail(approved_app.error());
    const auto start_menu_folder = approve_start_menu(os, request.start_menu, install_root);
    if (!start_menu_folder) return fail(start_menu_folder.error());

    // Nothing has been touched up to here. Shortcuts go first, while their targets still
    // exist and the target comparison can resolve them on disk.
    const PString own = to_utf16(own_shortcut);
    const PString product = to_utf16(request.product_name);
    // The uninstall shortcut, under every name an installer has given it.
    const std::array<PString, 4> uninstall_shortcuts{
        u"Odinstalovat " + product + u".lnk",
        u"Odinstalovat2026.lnk",
        u"Odinstalovat 2026.lnk",
        u"Uninstall " + product + u".lnk",
    };

    if (request.desktop) {
        if (auto ok = remove_named_shortcut(os, winpath::join(*request.desktop, own), main_exe, log); !ok) return ok;
    }
    if (request.start_menu) {
        const PString& start_menu = *request.start_menu;
        if (auto ok = remove_named_shortcut(os, winpath::join(start_menu, own), main_exe, log); !ok) return ok;
        for (const PString& name : uninstall_shortcuts) {
            if (auto ok = remove_named_shortcut(os, winpath::join(start_menu, name), uninstaller_path, log); !ok)
                return ok;
        }
        // Some installs put the application's shortcut directly into the folder above its
        // own start-menu folder.
        if (const auto above = folder_above_start_menu(start_menu)) {
            if (auto ok = remove_named_shortcut(os, winpath::join(*above, own), main_exe, log); !ok) return ok;
        }
    }

    if (auto ok = remove_tree(os, *approved_app, log, Flavour::logged); !ok) return ok;
    return remove_start_menu_if_empty(os, *start_menu_folder, log, Flavour::quiet, false);
}

}  // namespace tu
