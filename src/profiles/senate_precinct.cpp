// The senate precinct application of either round, folder "UHKaptaO.K1" or "UHKaptaO.K2":
// one data folder per item "{precinct}.{district}" below "Data", export files named
// "{anything}.{item}", and one shortcut "Vyšák-Kaptáže {round} {item}.lnk" per item. Its
// removals are quiet: a path that vanishes on its own gets no line.
#include "platform/text.h"
#include "profiles/profiles.h"
#include "safety/fixed_names.h"

namespace tu {
namespace {

// --app-kind was already folded and checked by the parser for this column.
Result<std::string> check_fixed_values(const RunRequest& request) {
    if (!ascii_iequals(request.app_folder, "UHKaptaO.K1") && !ascii_iequals(request.app_folder, "UHKaptaO.K2"))
        return fail("unexpected UH app folder: " + request.app_folder);
    if (auto ok = expect_value("--main-binary", request.main_binary, "uh-okrsek.exe"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--uninstaller", request.uninstaller, fixed_names::uninstaller); !ok) return fail(ok.error());
    if (auto ok = expect_value("--product-name", request.product_name, "UHokrsek"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--bundle-id", request.bundle_id, "com.uh-okrsek"); !ok) return fail(ok.error());
    const std::string_view round = ascii_iequals(request.app_folder, "UHKaptaO.K2") ? "K2" : "K1";
    return "Vyšák-Kaptáže " + std::string(round);
}

constexpr PrecinctApp senate_precinct{
    .column = OptionColumn::senate_precinct,
    .check_fixed_values = check_fixed_values,
    .log_app_kind = true,
    .authorization = AuthVariant::C,
    .marker_name = ".uh-okrsek-install.meta",
    .helper_rule = true,
    .shortcut_prefix = "Vyšák-Kaptáže",
    .flavour = Flavour::quiet,
    .empty_list_message = "selected mode requires at least one --okrsek/--items",
    .check_item = check_obvod_item,
    .export_file_belongs = obvod_export_file,
    .export_entries_follow_links = true,
};

}  // namespace

Result<> run_senate_precinct(Platform& os, const std::vector<PString>& args, const LineSink& log) {
    return run_precinct(os, args, log, senate_precinct);
}

}  // namespace tu
