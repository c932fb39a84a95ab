#include "safety/authorize.h"

#include <array>
#include <initializer_list>

#include "platform/error_text.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "safety/fixed_names.h"
#include "safety/paths.h"

namespace tu {
namespace {

// The three tests of where the helper runs and under which name.
enum class LocationTest { helper_name, outside_app_dir, outside_install_dir };

// Everything in which the three variants differ. Each application family's uninstaller and
// the people who read its logs know one wording and one order of tests, so those stay
// exactly as they are; the procedure that uses them is one and the same for every variant.
//
// Templates mark each inserted value with {}; a template may use fewer values than the
// procedure offers (the short variant A texts leave the path out), never more.
struct VariantRules {
    std::string_view helper_path_failed;        // {error}
    std::string_view first_entry_failed;        // {error}
    std::string_view parent_not_found;          // {own pid}
    std::string_view image_path_failed;         // {error} or {pid}, {error}
    bool image_path_names_pid;
    std::string_view key_parent_pid;
    std::string_view key_actual_parent;
    std::string_view key_expected_parent;
    std::array<LocationTest, 3> location_order;
    std::string_view helper_name_wrong;         // {helper path}
    std::string_view helper_in_app_dir;         // {helper path}
    std::string_view helper_in_install_dir;     // {helper path}
    bool log_missing_pid_argument;
    std::string_view parent_without_name;       // {expected parent path}
    bool uninstaller_name_from_option;          // the name rule compares with --uninstaller
    bool uninstaller_path_from_option;          // the reference path joins --uninstaller
    std::string_view uninstaller_misplaced;     // {reference path}, {expected parent path}
    bool temp_dir_made_absolute;
    std::string_view temporary_copy_misplaced;  // {expected parent path}
    bool other_name_shows_whole_path;
    std::string_view parent_name_wrong;         // {file name} or {expected parent path}
    bool log_pass_line;
};

constexpr VariantRules variant_a{
    .helper_path_failed = "failed to get helper path: {}",
    .first_entry_failed = "failed to read process snapshot: {}",
    .parent_not_found = "failed to determine parent process for {}",
    .image_path_failed = "failed to read process image path: {}",
    .image_path_names_pid = false,
    .key_parent_pid = "parent_pid=",
    .key_actual_parent = "actual_parent=",
    .key_expected_parent = "expected_parent=",
    .location_order = {LocationTest::helper_name, LocationTest::outside_app_dir, LocationTest::outside_install_dir},
    .helper_name_wrong = "unexpected helper executable: {}",
    .helper_in_app_dir = "helper must run from its staged temporary copy",
    .helper_in_install_dir = "helper must run from its staged temporary copy",
    .log_missing_pid_argument = false,
    .parent_without_name = "parent path has no file name",
    .uninstaller_name_from_option = false,
    .uninstaller_path_from_option = false,
    .uninstaller_misplaced = "uninstaller parent is outside the install root",
    .temp_dir_made_absolute = false,
    .temporary_copy_misplaced = "temporary NSIS parent is outside TEMP",
    .other_name_shows_whole_path = false,
    .parent_name_wrong = "unexpected parent executable: {}",
    .log_pass_line = false,
};

constexpr VariantRules variant_b{
    .helper_path_failed = "failed to get helper executable path: {}",
    .first_entry_failed = "failed to read first process entry: {}",
    .parent_not_found = "failed to determine parent process for pid {}",
    .image_path_failed = "failed to read process image path for pid {}: {}",
    .image_path_names_pid = true,
    .key_parent_pid = "actual_parent_pid=",
    .key_actual_parent = "actual_parent_path=",
    .key_expected_parent = "expected_parent_path=",
    .location_order = {LocationTest::outside_app_dir, LocationTest::helper_name, LocationTest::outside_install_dir},
    .helper_name_wrong = "unexpected helper executable name: {}",
    .helper_in_app_dir = "helper must not run from installed application directory: {}",
    .helper_in_install_dir = "helper must not run from the installed application tree: {}",
    .log_missing_pid_argument = true,
    .parent_without_name = "parent executable path has no file name: {}",
    .uninstaller_name_from_option = false,
    .uninstaller_path_from_option = true,
    .uninstaller_misplaced = "unexpected uninstaller path: expected {}, got {}",
    .temp_dir_made_absolute = true,
    .temporary_copy_misplaced = "unexpected NSIS parent path outside temp: {}",
    .other_name_shows_whole_path = true,
    .parent_name_wrong = "unexpected parent executable name: {}",
    .log_pass_line = true,
};

constexpr VariantRules variant_c = [] {
    VariantRules rules = variant_b;
    rules.location_order = {LocationTest::outside_app_dir, LocationTest::outside_install_dir, LocationTest::helper_name};
    rules.helper_in_app_dir = "helper must run from NSIS temp/stage, not installed tree: {}";
    rules.helper_in_install_dir = "helper must run from NSIS temp/stage, not installed tree: {}";
    rules.uninstaller_name_from_option = true;
    return rules;
}();

const VariantRules& rules_for(AuthVariant variant) {
    switch (variant) {
    case AuthVariant::A: return variant_a;
    case AuthVariant::B: return variant_b;
    case AuthVariant::C: break;
    }
    return variant_c;
}

// Puts the values into the template's {} slots in order; values beyond the last slot are
// dropped. The values are never scanned for slots, so a path holding "{}" stays as it is.
std::string fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string out;
    auto value = values.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 1 < pattern.size() && pattern[i + 1] == '}' && value != values.end()) {
            out += *value++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

// The snapshot and process queries are reported in the status form (0x8007xxxx); the
// executable path and the directories of the environment in the system-error form.
std::string status_of(Platform& os, const OsError& error) { return status_text(os, status_from_win32(error.code)); }

// The helper's own name is compared byte for byte, letter case included: a copy that was
// renamed, even only in case, is not the one the uninstaller staged. A name that is not
// well-formed UTF-16 cannot be it either.
bool has_helper_name(PStringView helper_path) {
    const auto name = winpath::file_name(helper_path);
    if (!name) return false;
    const auto text = to_utf8_strict(*name);
    return text && *text == fixed_names::helper;
}

}  // namespace

Result<> authorize_caller(Platform& os, AuthVariant variant, PStringView install_dir, PStringView app_dir,
                          const CallerClaim& claim, const LineSink& log) {
    const VariantRules& rules = rules_for(variant);

    // Who we are and where we run.
    auto module = os.module_path();
    if (!module) return fail(fill(rules.helper_path_failed, {os_error_text(os, module.error())}));
    auto helper = make_absolute(os, *module);
    if (!helper) return fail(std::move(helper.error()));
    const std::string helper_text = to_utf8(*helper);

    auto expected_parent = make_absolute(os, claim.parent_path);
    if (!expected_parent) return fail(std::move(expected_parent.error()));
    const std::string expected_parent_text = to_utf8(*expected_parent);

    // Who started us, from the process snapshot: the command line only claims it.
    const std::uint32_t own_pid = os.current_process_id();
    auto parent_pid = os.parent_process_id();
    if (!parent_pid) {
        const ParentLookupError& error = parent_pid.error();
        switch (error.step) {
        case ParentLookupStep::snapshot:
            return fail("failed to create process snapshot: " + status_of(os, error.error));
        case ParentLookupStep::first_entry:
            return fail(fill(rules.first_entry_failed, {status_of(os, error.error)}));
        case ParentLookupStep::not_found:
            break;
        }
        return fail(fill(rules.parent_not_found, {std::to_string(own_pid)}));
    }
    const std::string parent_pid_text = std::to_string(*parent_pid);

    auto actual_parent = os.process_image_path(*parent_pid);
    if (!actual_parent) {
        const ImageQueryError& error = actual_parent.error();
        const std::string status = status_of(os, error.error);
        if (error.step == ImageQueryStep::open)
            return fail(fill("failed to open process {}: {}", {parent_pid_text, status}));
        if (rules.image_path_names_pid) return fail(fill(rules.image_path_failed, {parent_pid_text, status}));
        return fail(fill(rules.image_path_failed, {status}));
    }
    const std::string actual_parent_text = to_utf8(*actual_parent);

    // Written before any verdict, so that a refused run still records who its parent was.
    log.line("helper_exe=" + helper_text);
    log.line(std::string(rules.key_parent_pid) + parent_pid_text);
    log.line(std::string(rules.key_actual_parent) + actual_parent_text);
    log.line(std::string(rules.key_expected_parent) + expected_parent_text);

    // The helper must be the staged copy: never a file of the tree it is about to delete.
    for (const LocationTest test : rules.location_order) {
        switch (test) {
        case LocationTest::helper_name:
            if (!has_helper_name(*helper)) return fail(fill(rules.helper_name_wrong, {helper_text}));
            break;
        case LocationTest::outside_app_dir: {
            auto inside = is_within(os, app_dir, *helper);
            if (!inside) return fail(std::move(inside.error()));
            if (*inside) return fail(fill(rules.helper_in_app_dir, {helper_text}));
            break;
        }
        case LocationTest::outside_install_dir: {
            auto inside = is_within(os, install_dir, *helper);
            if (!inside) return fail(std::move(inside.error()));
            if (*inside) return fail(fill(rules.helper_in_install_dir, {helper_text}));
            break;
        }
        }
    }

    if (claim.parent_pid) {
        if (*claim.parent_pid != *parent_pid)
            return fail(fill("helper parent pid mismatch: expected {}, got {}",
                             {std::to_string(*claim.parent_pid), parent_pid_text}));
    } else if (rules.log_missing_pid_argument) {
        log.line("parent_pid_argument=not-provided");
    }

    auto same_parent = same_path(os, *actual_parent, *expected_parent);
    if (!same_parent) return fail(std::move(same_parent.error()));
    if (!*same_parent)
        return fail(fill("helper parent process mismatch: expected {}, got {}", {expected_parent_text, actual_parent_text}));
    // From here on the expected path stands for the parent: it is the same file.

    const auto parent_name_units = winpath::file_name(*expected_parent);
    const auto parent_name = parent_name_units ? to_utf8_strict(*parent_name_units) : std::nullopt;
    if (!parent_name) return fail(fill(rules.parent_without_name, {expected_parent_text}));

    // The installed uninstaller, directly in the install directory.
    const std::string_view installed_name =
        rules.uninstaller_name_from_option ? claim.uninstaller : fixed_names::uninstaller;
    if (ascii_iequals(*parent_name, installed_name)) {
        const PString reference = winpath::join(
            install_dir, to_utf16(rules.uninstaller_path_from_option ? claim.uninstaller : fixed_names::uninstaller));
        auto same = same_path(os, *expected_parent, reference);
        if (!same) return fail(std::move(same.error()));
        if (!*same) return fail(fill(rules.uninstaller_misplaced, {to_utf8(reference), expected_parent_text}));
    } else if (ascii_iequals(*parent_name, fixed_names::uninstaller_copy)) {
        // The copy NSIS makes of itself to run from, somewhere below the user's temp folder.
        auto temp = os.temp_dir();
        if (!temp) return fail("failed to read temp dir: " + os_error_text(os, temp.error()));
        PString temp_dir = std::move(*temp);
        if (rules.temp_dir_made_absolute) {
            auto absolute = make_absolute(os, temp_dir);
            if (!absolute) return fail(std::move(absolute.error()));
            temp_dir = std::move(*absolute);
        }
        auto inside = is_within(os, temp_dir, *expected_parent);
        if (!inside) return fail(std::move(inside.error()));
        if (!*inside) return fail(fill(rules.temporary_copy_misplaced, {expected_parent_text}));
    } else {
        return fail(fill(rules.parent_name_wrong, {rules.other_name_shows_whole_path ? expected_parent_text : *parent_name}));
    }

    if (rules.log_pass_line) log.line("authorization check passed");
    return {};
}

}  // namespace tu
