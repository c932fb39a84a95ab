// The municipal precinct application, folder "LCKaptaO": one data folder per five-digit
// precinct number below "Data", export files whose extension is the precinct number, and one
// shortcut "Lokal-Kaptáže {precinct}.lnk" per precinct.
#include "platform/text.h"
#include "profiles/profiles.h"
#include "safety/fixed_names.h"

namespace tu {
namespace {

Result<std::string> check_fixed_values(const RunRequest& request) {
    if (auto ok = expect_value("--app-kind", request.app_kind, "okrsek"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--app-folder", request.app_folder, "LCKaptaO"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--main-binary", request.main_binary, "lc-okrsek.exe"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--uninstaller", request.uninstaller, fixed_names::uninstaller); !ok) return fail(ok.error());
    // The bundle id is not fixed here; the install marker pins it, byte for byte.
    if (trim_white_space(request.bundle_id).empty()) return fail("bundle id must not be empty");
    if (auto ok = expect_value("--product-name", request.product_name, "LCokrsek"); !ok) return fail(ok.error());
    return std::string("Lokal-Kaptáže");
}

constexpr PrecinctApp municipal_precinct{
    .column = OptionColumn::municipal_precinct,
    .check_fixed_values = check_fixed_values,
    .log_app_kind = false,
    .authorization = AuthVariant::B,
    .marker_name = ".lc-okrsek-install.meta",
    .helper_rule = false,
    .shortcut_prefix = "Lokal-Kaptáže",
    .flavour = Flavour::logged,
    .empty_list_message = "selected mode requires at least one --okrsek",
    .check_item = check_okrsek,
    .export_file_belongs = okrsek_export_file,
    .export_entries_follow_links = false,
};

}  // namespace

Result<> run_municipal_precinct(Platform& os, const std::vector<PString>& args, const LineSink& log) {
    return run_precinct(os, args, log, municipal_precinct);
}

}  // namespace tu
