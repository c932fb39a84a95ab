// The five profiles, one per application family. Each is one run of checks and removals over
// the arguments after the program name, reporting to the run's log; the run frame around
// them (src/app) chooses and starts the log and turns the outcome into the exit status.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run_request.h"
#include "platform/line_sink.h"
#include "platform/platform.h"
#include "platform/result.h"
#include "removal/remove.h"
#include "safety/authorize.h"
#include "safety/layout.h"

namespace tu {

// A data-entry or precinct profile: (arguments after the program name, the run's log).
using ProfileRun = std::function<Result<>(Platform&, const std::vector<PString>&, const LineSink&)>;
// The processing profile: the same, and the folder and executable of its row in the table.
using ProcessingRun = std::function<Result<>(Platform&, const std::vector<PString>&, const LineSink&,
                                             std::string_view folder, std::string_view executable)>;

// The profiles the entry dispatches to; tests pass their own.
struct Profiles {
    ProfileRun municipal_precinct;   // "LCKaptaO"
    ProfileRun senate_precinct;      // "UHKaptaO.K1", "UHKaptaO.K2"
    ProfileRun municipal_data_entry; // "LCkapta"
    ProfileRun senate_data_entry;    // "UHKapta.K1", "UHKapta.K2"
    ProcessingRun processing;        // "LCsumar", "UHsumar.K1", "UHsumar.K2"
};

Result<> run_municipal_data_entry(Platform& os, const std::vector<PString>& args, const LineSink& log);
Result<> run_senate_data_entry(Platform& os, const std::vector<PString>& args, const LineSink& log);
Result<> run_municipal_precinct(Platform& os, const std::vector<PString>& args, const LineSink& log);
Result<> run_senate_precinct(Platform& os, const std::vector<PString>& args, const LineSink& log);
// Writes "profile=sumar folder={}" first: its log is named like the municipal precinct's.
Result<> run_processing(Platform& os, const std::vector<PString>& args, const LineSink& log, std::string_view folder,
                        std::string_view executable);

// The table of real profiles for the entry.
Profiles real_profiles();

// --- The opening every profile runs ------------------------------------------------------

// Moves the current directory into the temporary directory and returns it as read back.
Result<PString> switch_working_directory(Platform& os);

// What a profile checks of its fixed values; yields what it found out on the way (the file
// name of the application's own shortcut, the prefix of its precinct shortcuts), if anything.
using FixedValueCheck = std::function<Result<std::string>(const RunRequest&)>;
struct Opening {
    RunRequest request;
    std::string found;  // what the fixed-value check yielded
};
// Before anything else: out of the installation's folders ("working_dir={}"), the command
// line parsed with the profile's column, and its fixed values checked.
Result<Opening> open_run(Platform& os, const std::vector<PString>& args, OptionColumn column,
                         const FixedValueCheck& check_fixed_values, const LineSink& log);

// What the command line claims about the caller, for authorize_caller.
CallerClaim claim_of(const RunRequest& request);

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
                                    const LineSink& log, Flavour flavour, bool presence_test);

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

Result<> run_data_entry(Platform& os, const std::vector<PString>& args, const LineSink& log, const DataEntryApp& app);

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

Result<> run_precinct(Platform& os, const std::vector<PString>& args, const LineSink& log, const PrecinctApp& app);

// The precinct grammars and export-file rules, open to the tests.
Result<> check_okrsek(std::string_view item);                       // municipal: five digits
Result<> check_obvod_item(std::string_view item);                   // senate: five digits, '.', 1-3 digits
bool okrsek_export_file(std::string_view file_name, std::string_view item);  // extension == item
bool obvod_export_file(std::string_view file_name, std::string_view item);   // "?*.{item}"

}  // namespace tu
