// The municipal data-entry application, folder "LCkapta": its own shortcut carries the
// product name.
#include "profiles/profiles.h"
#include "safety/fixed_names.h"

namespace tu {
namespace {

Result<std::string> check_fixed_values(const RunRequest& request) {
    if (auto ok = expect_value("--app-kind", request.app_kind, "pm"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--app-folder", request.app_folder, "LCkapta"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--main-binary", request.main_binary, "lc-kapta.exe"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--uninstaller", request.uninstaller, fixed_names::uninstaller); !ok) return fail(ok.error());
    if (auto ok = expect_value("--product-name", request.product_name, "Lokal-kaptáže"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--bundle-id", request.bundle_id, "com.lc-kapta"); !ok) return fail(ok.error());
    // The product name as typed: it passed the check, and its letter case is the one the
    // installer used for the file name.
    return request.product_name + ".lnk";
}

constexpr DataEntryApp municipal_data_entry{
    .check_fixed_values = check_fixed_values,
    .marker_name = ".lc-kapta-install.meta",
};

}  // namespace

Result<> run_municipal_data_entry(Platform& os, const std::vector<PString>& args, const LineSink& log) {
    return run_data_entry(os, args, log, municipal_data_entry);
}

}  // namespace tu
