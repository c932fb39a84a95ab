// The senate data-entry application, one copy per election round in "UHKapta.K1" or
// "UHKapta.K2". The round, taken from the folder, names the copy's own shortcut, so that
// removing one round keeps the other round's shortcut.
#include "platform/text.h"
#include "profiles/profiles.h"
#include "safety/fixed_names.h"

namespace tu {
namespace {

Result<std::string> check_fixed_values(const RunRequest& request) {
    if (auto ok = expect_value("--app-kind", request.app_kind, "pm"); !ok) return fail(ok.error());
    std::string_view round;
    if (ascii_iequals(request.app_folder, "UHKapta.K1"))
        round = "K1";
    else if (ascii_iequals(request.app_folder, "UHKapta.K2"))
        round = "K2";
    else
        return fail("unexpected UHkapta app folder: " + request.app_folder);
    if (auto ok = expect_value("--main-binary", request.main_binary, "uh-kapta.exe"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--uninstaller", request.uninstaller, fixed_names::uninstaller); !ok) return fail(ok.error());
    if (auto ok = expect_value("--product-name", request.product_name, "UH kapta"); !ok) return fail(ok.error());
    if (auto ok = expect_value("--bundle-id", request.bundle_id, "com.uh-kapta"); !ok) return fail(ok.error());
    return "Vyšák-kaptáže " + std::string(round) + ".lnk";
}

constexpr DataEntryApp senate_data_entry{
    .check_fixed_values = check_fixed_values,
    .marker_name = ".uh-kapta-install.meta",
};

}  // namespace

Result<> run_senate_data_entry(Platform& os, const std::vector<PString>& args, const LineSink& log) {
    return run_data_entry(os, args, log, senate_data_entry);
}

}  // namespace tu
