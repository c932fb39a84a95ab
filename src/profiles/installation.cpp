#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"
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

std::optional<PString> folder_above_start_menu(PStringView start_menu) {
    auto above = winpath::parent(winpath::fold_dots(start_menu));
    if (above && above->empty()) return std::nullopt;
    return above;
}

}  // namespace tu
