#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"
#include "removal/remove.h"
#include "safety/paths.h"

namespace tu {

Result<Installation> locate_installation(Platform& os, const RunRequest& request) {
    auto install_dir = make_absolute(os, request.install_dir);
    if (!install_dir) return fail(std::move(install_dir.error()));
    Installation installation;
    installation.app_dir = winpath::join(*install_dir, to_utf16(request.app_folder));
    installation.main_exe = winpath::join(installation.app_dir, to_utf16(request.main_binary));
    installation.uninstaller = winpath::join(*install_dir, to_utf16(request.uninstaller));
    installation.install_dir = std::move(*install_dir);
    return installation;
}

LayoutCheck layout_check(const Installation& installation, const RunRequest& request, Generation generation,
                         std::string_view marker_name, bool helper_rule) {
    return LayoutCheck{
        .generation = generation,
        .marker_name = marker_name,
        .helper_rule = helper_rule,
        .install_dir = installation.install_dir,
        .app_dir = installation.app_dir,
        .main_exe = installation.main_exe,
        .uninstaller = installation.uninstaller,
        .bundle_id = request.bundle_id,
        .app_folder = request.app_folder,
        .main_binary = request.main_binary,
        .uninstaller_name = request.uninstaller,
    };
}

Result<std::optional<StartMenuFolder>> approve_start_menu(Platform& os, const std::optional<PString>& start_menu,
                                                          PStringView install_dir) {
    if (!start_menu) return std::nullopt;
    auto folder = approve(os, *start_menu);
    if (!folder) return fail(std::move(folder.error()));
    auto holds = is_within(os, *start_menu, install_dir);
    if (!holds) return fail(std::move(holds.error()));
    return StartMenuFolder{std::move(*folder), *holds};
}

Result<> remove_start_menu_if_empty(Platform& os, const std::optional<StartMenuFolder>& start_menu,
                                    const LineSink& log, Flavour flavour, bool presence_test) {
    if (!start_menu) return {};
    if (start_menu->holds_installation) {
        log.line("skip start menu that holds the install directory: " + to_utf8(start_menu->folder.shown));
        return {};
    }
    return remove_empty_dir(os, start_menu->folder, log, flavour, presence_test);
}

std::optional<PString> folder_above_start_menu(PStringView start_menu) {
    auto above = winpath::parent(winpath::fold_dots(start_menu));
    if (above && above->empty()) return std::nullopt;
    return above;
}

}  // namespace tu
