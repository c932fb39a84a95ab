// The five profiles, one per application family.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry.h"
#include "cli/run_request.h"
#include "platform/platform.h"
#include "platform/result.h"
#include "removal/remove.h"
#include "safety/authorize.h"
#include "safety/layout.h"

namespace tu {

Result<> run_municipal_data_entry(Platform& os, const std::vector<PString>& args, const PString& log_path);
Result<> run_senate_data_entry(Platform& os, const std::vector<PString>& args, const PString& log_path);
Result<> run_municipal_precinct(Platform& os, const std::vector<PString>& args, const PString& log_path);
Result<> run_senate_precinct(Platform& os, const std::vector<PString>& args, const PString& log_path);
// Owns the rest of the process; returns the status to end it with.
int run_processing(Platform& os, std::string_view folder, std::string_view executable);

// The table of real profiles for the entry.
Profiles real_profiles();

// --- What two profiles of one family share -----------------------------------------------
// The two data-entry profiles run one sequence, and so do the two precinct profiles; each
// profile's own unit supplies only the points in which it differs from its sibling.

// Where one installation lies, built from the command line by joining the option texts as
// typed onto the absolute install directory. Nothing here is normalised: every comparison
// does that itself.
struct Installation {
    PString install_dir;  // --install-dir made absolute
    PString app_dir;      // install_dir \ --app-folder
    PString main_exe;     // app_dir \ --main-binary
    PString uninstaller;  // install_dir \ --uninstaller
};

// Error: "failed to read current dir: {}" for a relative install directory.
Result<Installation> locate_installation(Platform& os, const RunRequest& request);

// The folder above an application's start-menu folder, where some installs put its
// shortcut. Judged after folding "." and ".." as Windows opens the path, so that C:\x\..
// (a drive root) has none; a relative start-menu path whose parent is empty has none either.
std::optional<PString> folder_above_start_menu(PStringView start_menu);

// The application's start-menu folder, approved when the run's checks are made and removed
// last, only when it is empty. A folder that holds the installation (the install directory
// itself, or a folder above it) is never removed, empty or not.
struct StartMenuFolder {
    ApprovedPath folder;
    bool holds_installation = false;
};
Result<std::optional<StartMenuFolder>> approve_start_menu(Platform& os, const std::optional<PString>& start_menu,
                                                          PStringView install_dir);
Result<> remove_start_menu_if_empty(Platform& os, const std::optional<StartMenuFolder>& start_menu,
                                    const RunLog& log, Flavour flavour, bool presence_test);

// The layout validation of an installation against the marker values of its command line.
LayoutCheck layout_check(const Installation& installation, const RunRequest& request, Generation generation,
                         std::string_view marker_name, bool helper_rule);

// The data-entry family: the municipal application "LCkapta" and the senate application of
// either round.
struct DataEntryApp {
    // The fixed values, checked in the profile's own order. Yields the file name of the
    // application's own shortcut, which depends on what the check found (the round).
    Result<std::string> (*check_fixed_values)(const RunRequest& request);
    std::string_view marker_name;
};

Result<> run_data_entry(Platform& os, const std::vector<PString>& args, const PString& log_path,
                        const DataEntryApp& app);

// The precinct family: the municipal precinct application "LCKaptaO" and the senate precinct
// application of either round.
struct PrecinctApp {
    OptionColumn column;
    // The fixed values, checked in the profile's own order. Yields the display name that
    // starts each per-precinct shortcut name ("{} {item}.lnk"), which for the senate
    // application carries the round.
    Result<std::string> (*check_fixed_values)(const RunRequest& request);
    bool log_app_kind;  // writes "app_kind=okrsek" before the paths
    AuthVariant authorization;
    std::string_view marker_name;
    bool helper_rule;                  // marker helper_binary compared ignoring ASCII case
    std::string_view shortcut_prefix;  // full mode: shortcuts named "{prefix} ..." are candidates
    // Every removal; the quiet flavour also writes no line when the export folder or one of
    // its entries vanishes while it is being listed.
    Flavour flavour;
    std::string_view empty_list_message;
    Result<> (*check_item)(std::string_view item);
    // Whether a file name in "Export" (as text) belongs to a valid item.
    bool (*export_file_belongs)(std::string_view file_name, std::string_view item);
    // Whether an export entry counts as a regular file by its target (links followed) or by
    // the listing itself.
    bool export_entries_follow_links;
};

Result<> run_precinct(Platform& os, const std::vector<PString>& args, const PString& log_path, const PrecinctApp& app);

// The precinct grammars and export-file rules, open to the tests.
Result<> check_okrsek(std::string_view item);                       // municipal: five digits
Result<> check_obvod_item(std::string_view item);                   // senate: five digits, '.', 1-3 digits
bool okrsek_export_file(std::string_view file_name, std::string_view item);  // extension == item
bool obvod_export_file(std::string_view file_name, std::string_view item);   // "?*.{item}"

}  // namespace tu
